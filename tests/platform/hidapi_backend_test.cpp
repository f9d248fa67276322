#include "platform/linux/hidapi_backend.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>

#include "support/temp_dir.h"

namespace veltra {
namespace {

TEST(HidrawDescriptor, PathsFollowTheHidrawNode) {
    EXPECT_EQ(ReportDescriptorPath("/dev/hidraw12", "/sys/class/hidraw"),
              std::filesystem::path("/sys/class/hidraw/hidraw12/device/report_descriptor"));
    EXPECT_FALSE(ReportDescriptorPath("/dev/hidraw", "/s"));
    EXPECT_FALSE(ReportDescriptorPath("/dev/hidraw1x", "/s"));
    EXPECT_FALSE(ReportDescriptorPath("/dev/input/event3", "/s"));
    EXPECT_FALSE(ReportDescriptorPath("", "/s"));
}

TEST(HidrawDescriptor, OutputLengthComesFromSysfs) {
    test::TempDir sysfs;
    std::filesystem::create_directories(sysfs / "hidraw4" / "device");
    // Report id 6 with 48 output bytes.
    test::WriteFile(
        sysfs / "hidraw4" / "device" / "report_descriptor",
        std::string("\x06\x00\xFF\x09\x01\xA1\x01\x85\x06\x75\x08\x95\x30\x91\x02\xC0", 16));
    EXPECT_EQ(HidrawOutputReportLength("/dev/hidraw4", sysfs.path()), 49);
    // No descriptor and no device node to ask: unknown.
    EXPECT_EQ(HidrawOutputReportLength("/dev/hidraw99999", sysfs.path()), 0);
}

TEST(HidapiOpen, ErrorsTellMissingAccessApart) {
    EXPECT_EQ(OpenErrorFromErrno(EACCES), OpenError::PermissionDenied);
    EXPECT_EQ(OpenErrorFromErrno(EPERM), OpenError::PermissionDenied);
    EXPECT_EQ(OpenErrorFromErrno(ENOENT), OpenError::NotFound);
    EXPECT_EQ(OpenErrorFromErrno(EBUSY), OpenError::Busy);
    EXPECT_EQ(OpenErrorFromErrno(EIO), OpenError::Other);

    test::TempDir dir;
    EXPECT_EQ(ProbeAccess((dir / "missing").string()), OpenError::NotFound);
    const std::string locked = (dir / "locked").string();
    test::WriteFile(locked, "x");
    ::chmod(locked.c_str(), 0);
    if (::geteuid() != 0) {
        EXPECT_EQ(ProbeAccess(locked), OpenError::PermissionDenied);
    }

    HidapiBackend backend;
    for (const HidInterfaceInfo& info : backend.Enumerate()) {
        EXPECT_FALSE(info.path.empty());
    }
    EXPECT_FALSE(backend.Open((dir / "missing").string()));
    EXPECT_EQ(backend.LastOpenError(), OpenError::NotFound);
}

}  // namespace
}  // namespace veltra
