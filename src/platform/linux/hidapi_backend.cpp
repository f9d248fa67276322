#include "platform/linux/hidapi_backend.h"

#include <fcntl.h>
#include <hidapi/hidapi.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>

#include "common/log.h"
#include "device/report_descriptor.h"

namespace veltra {
namespace {

// hidapi's library state is process-wide; backends count their users of it.
std::mutex& LibraryMutex() {
    static std::mutex mutex;
    return mutex;
}
int library_users = 0;

std::vector<std::uint8_t> DescriptorFromIoctl(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    std::vector<std::uint8_t> bytes;
    int size = 0;
    hidraw_report_descriptor descriptor{};
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) == 0 && size > 0 && size <= HID_MAX_DESCRIPTOR_SIZE) {
        descriptor.size = static_cast<std::uint32_t>(size);
        if (::ioctl(fd, HIDIOCGRDESC, &descriptor) == 0) {
            bytes.assign(descriptor.value, descriptor.value + descriptor.size);
        }
    }
    ::close(fd);
    return bytes;
}

class HidapiDevice : public HidDevice {
  public:
    HidapiDevice(hid_device* device, int output_report_length)
        : device_(device), output_report_length_(output_report_length) {}
    ~HidapiDevice() override { hid_close(device_); }
    HidapiDevice(const HidapiDevice&) = delete;
    HidapiDevice& operator=(const HidapiDevice&) = delete;

    int Write(std::span<const std::uint8_t> data) override {
        return hid_write(device_, data.data(), data.size());
    }

    int Read(std::span<std::uint8_t> buffer, int timeout_ms) override {
        return hid_read_timeout(device_, buffer.data(), buffer.size(), timeout_ms);
    }

    int OutputReportLength() const override { return output_report_length_; }

  private:
    hid_device* device_;
    int output_report_length_;
};

}  // namespace

OpenError OpenErrorFromErrno(int error) {
    switch (error) {
        case 0:
            return OpenError::None;
        case EACCES:
        case EPERM:
            return OpenError::PermissionDenied;
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return OpenError::NotFound;
        case EBUSY:
            return OpenError::Busy;
        default:
            return OpenError::Other;
    }
}

OpenError ProbeAccess(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return OpenErrorFromErrno(errno);
    }
    ::close(fd);
    return OpenError::None;
}

std::optional<std::filesystem::path> ReportDescriptorPath(const std::string& hidraw_path,
                                                          const std::filesystem::path& sysfs_root) {
    const std::string name = std::filesystem::path(hidraw_path).filename().string();
    if (name.rfind("hidraw", 0) != 0 || name.size() == 6 ||
        name.find_first_not_of("0123456789", 6) != std::string::npos) {
        return std::nullopt;
    }
    return sysfs_root / name / "device" / "report_descriptor";
}

int HidrawOutputReportLength(const std::string& hidraw_path,
                             const std::filesystem::path& sysfs_root) {
    std::vector<std::uint8_t> bytes;
    if (const auto file = ReportDescriptorPath(hidraw_path, sysfs_root)) {
        std::ifstream in(*file, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (bytes.empty()) {
        bytes = DescriptorFromIoctl(hidraw_path);
    }
    return OutputReportLength(bytes);
}

HidapiBackend::HidapiBackend() {
    const std::lock_guard lock(mutex_);
    EnsureInitialised();
}

HidapiBackend::~HidapiBackend() {
    const std::lock_guard lock(mutex_);
    if (!initialised_) {
        return;
    }
    const std::lock_guard library(LibraryMutex());
    if (--library_users == 0) {
        hid_exit();
    }
}

bool HidapiBackend::EnsureInitialised() {
    if (initialised_) {
        return true;
    }
    const std::lock_guard library(LibraryMutex());
    if (library_users == 0 && hid_init() != 0) {
        Log(LogLevel::Error, "hidapi initialisation failed");
        hid_exit();
        return false;
    }
    ++library_users;
    initialised_ = true;
    return true;
}

std::vector<HidInterfaceInfo> HidapiBackend::Enumerate() {
    std::vector<HidInterfaceInfo> interfaces;
    {
        const std::lock_guard lock(mutex_);
        if (!initialised_) {
            return interfaces;
        }
    }
    hid_device_info* list = hid_enumerate(0, 0);
    for (const hid_device_info* d = list; d != nullptr; d = d->next) {
        HidInterfaceInfo info;
        info.path = d->path != nullptr ? d->path : "";
        info.vendor_id = d->vendor_id;
        info.product_id = d->product_id;
        info.release_number = d->release_number;
        info.usage_page = d->usage_page;
        info.usage = d->usage;
        info.output_report_length = HidrawOutputReportLength(info.path);
        interfaces.push_back(std::move(info));
    }
    hid_free_enumeration(list);
    return interfaces;
}

std::unique_ptr<HidDevice> HidapiBackend::Open(const std::string& path) {
    {
        const std::lock_guard lock(mutex_);
        if (!EnsureInitialised()) {
            last_error_ = OpenError::Other;
            return nullptr;
        }
    }
    hid_device* device = hid_open_path(path.c_str());
    if (device == nullptr) {
        const OpenError reason = ProbeAccess(path);
        Log(LogLevel::Info, "cannot open " + path);
        const std::lock_guard lock(mutex_);
        last_error_ = reason == OpenError::None ? OpenError::Other : reason;
        return nullptr;
    }
    {
        const std::lock_guard lock(mutex_);
        last_error_ = OpenError::None;
    }
    return std::make_unique<HidapiDevice>(device, HidrawOutputReportLength(path));
}

OpenError HidapiBackend::LastOpenError() const {
    const std::lock_guard lock(mutex_);
    return last_error_;
}

}  // namespace veltra
