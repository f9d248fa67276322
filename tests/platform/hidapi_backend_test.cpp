#include "platform/linux/hidapi_backend.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "support/process.h"
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

// A node the user may not open is told apart from a missing one, by the probe and by the backend.
void ExpectPermissionDenied(const std::string& locked) {
    EXPECT_EQ(ProbeAccess(locked), OpenError::PermissionDenied);
    HidapiBackend backend;
    EXPECT_FALSE(backend.Open(locked));
    EXPECT_EQ(backend.LastOpenError(), OpenError::PermissionDenied);
}

constexpr const char* kLockedFileVariable = "VELTRA_TEST_LOCKED_FILE";
constexpr const char* kPermissionTest = "HidapiOpen.AnInterfaceWithoutAccessIsPermissionDenied";

TEST(HidapiOpen, ErrorsTellMissingAccessApart) {
    EXPECT_EQ(OpenErrorFromErrno(EACCES), OpenError::PermissionDenied);
    EXPECT_EQ(OpenErrorFromErrno(EPERM), OpenError::PermissionDenied);
    EXPECT_EQ(OpenErrorFromErrno(ENOENT), OpenError::NotFound);
    EXPECT_EQ(OpenErrorFromErrno(EBUSY), OpenError::Busy);
    EXPECT_EQ(OpenErrorFromErrno(EIO), OpenError::Other);

    test::TempDir dir;
    EXPECT_EQ(ProbeAccess((dir / "missing").string()), OpenError::NotFound);
    HidapiBackend backend;
    for (const HidInterfaceInfo& info : backend.Enumerate()) {
        EXPECT_FALSE(info.path.empty());
    }
    EXPECT_FALSE(backend.Open((dir / "missing").string()));
    EXPECT_EQ(backend.LastOpenError(), OpenError::NotFound);
}

// Root opens any file, so as root the test runs itself again as nobody and checks there.
TEST(HidapiOpen, AnInterfaceWithoutAccessIsPermissionDenied) {
    if (const char* locked = std::getenv(kLockedFileVariable)) {
        ExpectPermissionDenied(locked);
        return;
    }
    test::TempDir dir;
    const std::string locked = (dir / "locked").string();
    test::WriteFile(locked, "x");
    ::chmod(locked.c_str(), 0);
    const std::optional<std::vector<std::string>> unprivileged = test::UnprivilegedPrefix();
    if (!unprivileged) {
        GTEST_SKIP() << "running as root without setpriv: no user the file mode binds";
    }
    if (unprivileged->empty()) {
        ExpectPermissionDenied(locked);
        return;
    }
    // The child reaches the file (and a copy of this test, wherever the build tree lies) through
    // the folder; only the file's own mode keeps it out.
    ::chmod(dir.path().c_str(), 0755);
    const std::filesystem::path self = dir / "test_platform";
    std::error_code ec;
    std::filesystem::copy_file("/proc/self/exe", self, ec);
    ASSERT_FALSE(ec) << ec.message();
    std::vector<std::string> argv = *unprivileged;
    argv.push_back(self.string());
    argv.push_back(std::string("--gtest_filter=") + kPermissionTest);
    std::vector<std::string> env = {std::string(kLockedFileVariable) + "=" + locked};
    if (const char* path = std::getenv("PATH")) {
        env.push_back(std::string("PATH=") + path);
    }
    const test::ProcessResult child = test::RunProcess(argv, env, dir.path());
    EXPECT_EQ(child.exit_code, 0) << child.out << child.err;
    EXPECT_NE(child.out.find("[  PASSED  ] 1 test."), std::string::npos) << child.out;
}

}  // namespace
}  // namespace veltra
