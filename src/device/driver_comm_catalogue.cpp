// DriverComm's catalogue: the supported vendor/product pairs of each device type and mode.

#include <algorithm>

#include "device/driver_comm.h"

namespace veltra {

void DriverComm::AddDevice(int vendor_id, int product_id, const std::string& device_id,
                           int device_type, ConnectionMode mode) {
    const std::lock_guard state(state_mutex_);
    catalogue_.push_back({vendor_id, product_id, device_type, mode, device_id});
}

void DriverComm::ClearCatalogue() {
    const std::lock_guard state(state_mutex_);
    catalogue_.clear();
}

bool DriverComm::IsSupported(int vendor_id, int product_id) const {
    const std::lock_guard state(state_mutex_);
    return std::any_of(catalogue_.begin(), catalogue_.end(), [&](const SupportedDevice& d) {
        return d.vendor_id == vendor_id && d.product_id == product_id;
    });
}

int DriverComm::LookupDeviceType(int vendor_id, int product_id, const std::string& name) const {
    const std::lock_guard state(state_mutex_);
    for (const SupportedDevice& d : catalogue_) {
        if (d.vendor_id == vendor_id && d.product_id == product_id &&
            (name.empty() || d.device_id == name)) {
            return d.device_type;
        }
    }
    return 0;
}

ConnectionMode DriverComm::LookupMode(int vendor_id, int product_id) const {
    const std::lock_guard state(state_mutex_);
    for (const SupportedDevice& d : catalogue_) {
        if (d.vendor_id == vendor_id && d.product_id == product_id) {
            return d.mode;
        }
    }
    return ConnectionMode::Wired;
}

std::vector<SupportedDevice> DriverComm::CatalogueEntries() const {
    const std::lock_guard state(state_mutex_);
    return catalogue_;
}

}  // namespace veltra
