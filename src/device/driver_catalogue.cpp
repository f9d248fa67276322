#include "device/driver_catalogue.h"

#include "device/driver_comm.h"

namespace veltra {

void RebuildDriverCatalogue(const Catalogue& catalogue, DriverComm& comm) {
    comm.ClearCatalogue();
    for (const DeviceModelEntry& mode : catalogue.modes) {
        comm.AddDevice(mode.vid, mode.pid, mode.device_id, mode.device_type,
                       static_cast<ConnectionMode>(mode.connection_mode));
    }
}

}  // namespace veltra
