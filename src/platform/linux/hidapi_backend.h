#pragma once

// The HID port over hidapi's hidraw backend. Output report lengths come from each interface's
// report descriptor (sysfs, else the HIDIOCGRDESC ioctl), since hidapi does not publish them.

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/hid_port.h"

namespace veltra {

// Why an interface could not be opened; PermissionDenied means the udev rule is missing.
enum class OpenError { None, PermissionDenied, NotFound, Busy, Other };

OpenError OpenErrorFromErrno(int error);

// Tries to open `path` read-write the way hidapi does, to tell why hidapi could not.
OpenError ProbeAccess(const std::string& path);

// /sys/class/hidraw/hidrawN/device/report_descriptor for /dev/hidrawN; nothing for other paths.
std::optional<std::filesystem::path> ReportDescriptorPath(
    const std::string& hidraw_path, const std::filesystem::path& sysfs_root = "/sys/class/hidraw");

// The output report length of a hidraw interface; 0 when its descriptor cannot be read.
int HidrawOutputReportLength(const std::string& hidraw_path,
                             const std::filesystem::path& sysfs_root = "/sys/class/hidraw");

class HidapiBackend : public HidBackend {
  public:
    HidapiBackend();
    ~HidapiBackend() override;
    HidapiBackend(const HidapiBackend&) = delete;
    HidapiBackend& operator=(const HidapiBackend&) = delete;

    std::vector<HidInterfaceInfo> Enumerate() override;
    std::unique_ptr<HidDevice> Open(const std::string& path) override;

    // The reason the last Open failed.
    OpenError LastOpenError() const;

  private:
    bool EnsureInitialised();

    mutable std::mutex mutex_;
    bool initialised_ = false;
    OpenError last_error_ = OpenError::None;
};

}  // namespace veltra
