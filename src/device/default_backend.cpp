#include "device/default_backend.h"

#include <cstdlib>
#include <string>

#include "device/bridge_backend.h"
#include "device/hotplug_sources.h"
#include "device/recording_backend.h"
#include "platform/linux/hidapi_backend.h"
#include "platform/linux/udev_hotplug.h"

namespace veltra {

std::unique_ptr<HidBackend> WithRecordingFromEnvironment(std::unique_ptr<HidBackend> backend) {
    const char* record = std::getenv("VELTRA_HID_RECORD");
    if (record == nullptr || *record == '\0') {
        return backend;
    }
    return std::make_unique<RecordingBackend>(std::move(backend), record);
}

std::unique_ptr<HidBackend> MakeDefaultHidBackend() {
    const char* bridge = std::getenv("VELTRA_HID_BRIDGE");
    if (bridge != nullptr && *bridge != '\0') {
        return WithRecordingFromEnvironment(std::make_unique<BridgeBackend>(bridge));
    }
    return WithRecordingFromEnvironment(std::make_unique<HidapiBackend>());
}

std::unique_ptr<HotplugSource> MakeDefaultHotplugSource() {
    const char* bridge = std::getenv("VELTRA_HID_BRIDGE");
    if (bridge != nullptr && *bridge != '\0') {
        return std::make_unique<BridgeHotplugSource>(bridge);
    }
    return std::make_unique<UdevHotplugSource>();
}

}  // namespace veltra
