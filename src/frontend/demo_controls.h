#pragma once

// What the window's demo menu does to the simulated mouse: plugging its cable, receiver and
// Bluetooth pairing in and out, putting it to sleep, pressing its buttons and setting its battery.
//
// Threads: every member may be called from any thread. The simulated backend serialises access
// to the mouse; a mutex of this object serialises the menu's own steps (the Bluetooth pairing
// made on first use, reading and then changing the report rate).

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>

#include "config/catalogue.h"
#include "frontend/device_link.h"

namespace veltra {

namespace sim {
class SimulatedBackend;
}

enum class DemoLink { Cable, Receiver, Bluetooth };

// What the simulated mouse holds now, as it acts on it.
struct DemoMouseState {
    // Class and code byte of each button slot.
    std::array<std::array<std::uint8_t, 2>, 6> keys{};
    int report_rate_hz = 0;
    // Counted from 0.
    int dpi_level = 0;
    int dpi = 0;
    // Settings and button writes that reached it since the demo began.
    int writes = 0;
};

class DemoControls {
  public:
    // `devices` are those the demo set up for `mouse` (DeviceLink::demo_devices); the catalogue
    // gives the Bluetooth identity of `device_type`. The backend must outlive this object.
    DemoControls(sim::SimulatedBackend& backend, int mouse, const Catalogue& catalogue,
                 int device_type, DemoDevices devices);

    // Cable and receiver when the demo plugged them; Bluetooth when the catalogue lists a
    // Bluetooth mode for the model.
    bool Available(DemoLink link) const;
    // Whether the link's interfaces are in the backend's enumeration now.
    bool IsPlugged(DemoLink link) const;
    // False when the link is not available; true once the link is in the asked state.
    bool SetPlugged(DemoLink link, bool plugged);

    // A sleeping mouse leaves the receiver to answer for it.
    bool SetAsleep(bool asleep);
    bool Asleep() const;

    bool PressDpiButton();
    // Moves the firmware to the next of its four report-rate codes, after the last the first.
    bool CycleReportRate();

    // Nullopt for an unknown mouse.
    std::optional<DemoMouseState> MouseState() const;

    // The battery percentage; -1 for an unknown mouse.
    int BatteryLevel() const;
    // Clamped to 0..100.
    bool SetBatteryLevel(int percent);
    // Off the charger, `points` percent less; on the charger, `points` percent more (a battery
    // that reaches 100 % reports its charge complete). Clamped to 0..100.
    bool DrainBattery(int points);
    bool ChargeBattery(int points);

  private:
    // The device id of the link; -1 while there is none.
    int DeviceOf(DemoLink link) const;

    struct UsbId {
        std::uint16_t vendor_id = 0;
        std::uint16_t product_id = 0;
    };
    static std::optional<UsbId> BluetoothIdOf(const Catalogue& catalogue, int device_type);

    sim::SimulatedBackend& backend_;
    const int mouse_;
    const DemoDevices devices_;
    const std::optional<UsbId> bluetooth_id_;

    mutable std::mutex mutex_;
    int bluetooth_ = -1;
};

}  // namespace veltra
