#pragma once

// The firmware of one simulated mouse: its config block, status block, key slots and macro
// buffer, and the answers it gives to the 64-byte payloads it receives. Plain, single-threaded
// C++ so that any host (the in-process backend, a uhid device) can drive it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace veltra::sim {

inline constexpr std::size_t kPayloadSize = 64;
inline constexpr std::size_t kMacroBufferSize = 4224;
inline constexpr int kDpiLevels = 8;
inline constexpr int kKeySlots = 6;

using Payload = std::array<std::uint8_t, kPayloadSize>;

struct FirmwareOptions {
    // Length byte of the config answer; the protocol allows 0x20 and 0x21.
    std::uint8_t config_length = 0x20;
    // Byte 1 of the notifications the mouse sends on its own (0xAA or 0xBB).
    std::uint8_t notification_marker = 0xBB;
    // Some firmware echoes a header for every write; the host must never take it for an answer.
    bool acknowledge_writes = false;
    // Long-running hosts (the demo) turn the frame log off.
    bool record_frames = true;
};

struct MacroUploadState {
    bool in_progress = false;
    // The last chunk (the one carrying a valid-byte count) has arrived.
    bool complete = false;
    int chunks = 0;
    // Bytes of the buffer the finished upload covers.
    int length = 0;
};

class FirmwareModel {
  public:
    explicit FirmwareModel(FirmwareOptions options = {});

    // One output payload as the mouse receives it directly (cable or Bluetooth). Payloads shorter
    // than 64 bytes come from short-form interfaces; bytes beyond them never reached the mouse.
    std::vector<Payload> Receive(std::span<const std::uint8_t> payload);

    // The same payload sent through the 2.4 GHz receiver: while the mouse sleeps, the receiver
    // answers the read commands itself with 0xFF in every data byte, and drops everything else.
    std::vector<Payload> ReceiveViaReceiver(std::span<const std::uint8_t> payload);

    // The answer to command 0x01, header included.
    const Payload& ConfigBlock() const { return config_; }
    // The answer to command 0x00, header included.
    Payload StatusBlock() const;
    const std::array<std::uint8_t, kMacroBufferSize>& MacroBuffer() const { return macro_; }
    const MacroUploadState& MacroUpload() const { return upload_; }

    // The config block decoded the way the mouse reads it.
    int ReportRateCode() const;
    int IdleLightCode() const;
    int ActiveDpiLevel() const;
    int SleepCode() const;
    bool LightingEnabled() const;
    bool KeyWakeup() const;
    bool GameMode() const;
    std::uint8_t KeyMask() const;
    std::array<std::uint8_t, 2> KeySlot(int slot) const;
    std::uint8_t DpiEnableMask() const;
    int ColourIndex(int level) const;
    int DpiValue(int level) const;

    std::uint8_t BatteryLevel() const { return battery_level_; }
    bool ExternalPower() const { return external_power_; }
    bool ChargeComplete() const { return charge_complete_; }
    bool Asleep() const { return asleep_; }
    void SetBatteryLevel(std::uint8_t percent) { battery_level_ = percent; }
    void SetPower(bool external_power, bool charge_complete);
    void SetAsleep(bool asleep) { asleep_ = asleep; }

    // The DPI button: the next level of the enable mask becomes active; returns the
    // notification the mouse sends. Pressing a button wakes a sleeping mouse.
    Payload PressDpiButton();
    // The report-rate button combination; returns the notification.
    Payload ChangeReportRate(int code);
    // Replaces the whole config block, header bytes excepted, to model a mouse in any state.
    void ReplaceConfigBlock(const Payload& block);

    // Every payload that reached the mouse, byte for byte, in order.
    const std::vector<std::vector<std::uint8_t>>& ReceivedFrames() const { return received_; }
    void ClearReceivedFrames() { received_.clear(); }
    // Payloads the firmware refused: wrong header, unknown command, bad length, stray chunk.
    int RejectedFrames() const { return rejected_; }
    int FactoryResets() const { return factory_resets_; }
    // Config writes (settings and button codes) received, counted whether frames are recorded
    // or not.
    int ConfigWrites() const { return config_writes_; }
    // Restarts asked for by command 0x03; a host re-enumerates the mouse after each.
    int Restarts() const { return restarts_; }

    static Payload FactoryConfigBlock(std::uint8_t config_length);

  private:
    Payload Notification() const;
    void ApplyConfigWrite(std::span<const std::uint8_t> payload);
    void ApplyMacroChunk(std::span<const std::uint8_t> payload);
    void FactoryReset();
    Payload Acknowledgement(std::uint8_t command) const;

    FirmwareOptions options_;
    Payload config_{};
    std::array<std::uint8_t, kMacroBufferSize> macro_{};
    MacroUploadState upload_;
    std::uint8_t battery_level_ = 80;
    bool external_power_ = false;
    bool charge_complete_ = false;
    bool asleep_ = false;
    std::vector<std::vector<std::uint8_t>> received_;
    int rejected_ = 0;
    int factory_resets_ = 0;
    int config_writes_ = 0;
    int restarts_ = 0;
};

}  // namespace veltra::sim
