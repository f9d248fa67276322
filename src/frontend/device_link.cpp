#include "frontend/device_link.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include "device/bridge_backend.h"
#include "device/bridge_hotplug_source.h"
#include "device/driver_comm.h"
#include "device/recording_backend.h"
#include "platform/linux/hidapi_backend.h"
#include "platform/linux/udev_hotplug.h"
#include "sim/simulated_backend.h"
#include "sim/simulated_hotplug_source.h"

namespace veltra {
namespace {

// The wired and receiver identities of the model in the catalogue.
sim::DemoDeviceIds DemoIdsFor(const Catalogue& catalogue, int device_type) {
    sim::DemoDeviceIds ids;
    for (const DeviceModelEntry& mode : catalogue.modes) {
        if (mode.device_type != device_type) {
            continue;
        }
        const auto vid = static_cast<std::uint16_t>(mode.vid);
        const auto pid = static_cast<std::uint16_t>(mode.pid);
        if (mode.connection_mode == static_cast<int>(ConnectionMode::Wired) &&
            ids.wired_vendor_id == 0) {
            ids.wired_vendor_id = vid;
            ids.wired_product_id = pid;
        } else if (mode.connection_mode == static_cast<int>(ConnectionMode::Receiver) &&
                   ids.receiver_vendor_id == 0) {
            ids.receiver_vendor_id = vid;
            ids.receiver_product_id = pid;
        }
    }
    return ids;
}

}  // namespace

std::string BridgeSocketFromEnvironment() {
    const char* bridge = std::getenv("VELTRA_HID_BRIDGE");
    return bridge == nullptr ? std::string() : std::string(bridge);
}

std::unique_ptr<HidBackend> WithRecordingFromEnvironment(std::unique_ptr<HidBackend> backend) {
    const char* record = std::getenv("VELTRA_HID_RECORD");
    if (record == nullptr || *record == '\0') {
        return backend;
    }
    return std::make_unique<RecordingBackend>(std::move(backend), record);
}

DeviceLink MakeDeviceLink(const Catalogue& catalogue, const DeviceLinkOptions& options) {
    DeviceLink link;
    if (options.demo) {
        sim::BackendOptions demo_options;
        demo_options.time_scale = options.demo_time_scale;
        sim::DemoSetup demo =
            sim::MakeDemoBackend(DemoIdsFor(catalogue, options.device_type), demo_options);
        link.kind = DeviceLinkKind::Simulated;
        link.simulated = demo.backend.get();
        link.demo_mouse = demo.mouse;
        link.demo_devices = {demo.wired, demo.receiver};
        link.hotplug = std::make_unique<sim::SimulatedHotplugSource>(*demo.backend);
        link.backend = WithRecordingFromEnvironment(std::move(demo.backend));
        return link;
    }
    link.bridge = BridgeSocketFromEnvironment();
    if (!link.bridge.empty()) {
        link.kind = DeviceLinkKind::Bridge;
        link.backend = WithRecordingFromEnvironment(std::make_unique<BridgeBackend>(link.bridge));
        link.hotplug = std::make_unique<BridgeHotplugSource>(link.bridge);
        return link;
    }
    link.backend = WithRecordingFromEnvironment(std::make_unique<HidapiBackend>());
    link.hotplug = std::make_unique<UdevHotplugSource>();
    return link;
}

}  // namespace veltra
