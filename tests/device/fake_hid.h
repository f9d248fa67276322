#pragma once

// A scripted HID backend for DriverComm tests: interfaces with queued input reports, an
// optional reaction to each write, and a log of every frame written and every read made.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "device/hid_port.h"

namespace veltra::test {

using Bytes = std::vector<std::uint8_t>;

struct FakeDeviceState {
    std::mutex mutex;
    Bytes last_write;
    std::vector<Bytes> writes;
    std::vector<int> read_timeouts;
    std::vector<std::size_t> read_lengths;
    std::deque<Bytes> inputs;
    // Runs with the mutex held after each write; may queue answers.
    std::function<void(FakeDeviceState&, const Bytes&)> on_write;
    // Runs without the mutex before each read, with the number of reads made so far.
    std::function<void(int)> before_read;
    bool fail_writes = false;
    bool open = false;
    int opens = 0;

    std::size_t Reads() {
        const std::lock_guard lock(mutex);
        return read_timeouts.size();
    }
    std::vector<Bytes> Writes() {
        const std::lock_guard lock(mutex);
        return writes;
    }
    void Queue(Bytes report) {
        const std::lock_guard lock(mutex);
        inputs.push_back(std::move(report));
    }
};

class FakeHidBackend : public HidBackend {
  public:
    std::shared_ptr<FakeDeviceState> Add(HidInterfaceInfo info, bool can_open = true);

    std::vector<HidInterfaceInfo> Enumerate() override;
    std::unique_ptr<HidDevice> Open(const std::string& path) override;

  private:
    struct Interface {
        HidInterfaceInfo info;
        std::shared_ptr<FakeDeviceState> state;
        bool can_open;
    };
    std::mutex mutex_;
    std::vector<Interface> interfaces_;
};

// An interface description; output report length 65 unless given.
HidInterfaceInfo Interface(const std::string& path, std::uint16_t vid, std::uint16_t pid,
                           std::uint16_t usage_page = 0x00C0, std::uint16_t usage = 0x0001,
                           int output_report_length = 65);

// A 64-byte payload 0x55 0xAA command length, then `data` from payload byte 4.
Bytes Payload(std::uint8_t command, std::uint8_t length, const Bytes& data = {});

// The payload as a standard-form read returns it, or with report id 6 cut to 49 bytes.
Bytes ShortFormReport(const Bytes& payload);

// Status (0x00, length 0x1C) and config (0x01, length 0x20, enable mask at byte 23) answers.
Bytes StatusAnswer(std::uint8_t flags = 0x80, std::uint8_t level = 57);
Bytes ConfigAnswer(std::uint8_t enable_mask = 0x0F);

// A firmware that answers commands 0x00 and 0x01 and ignores the rest.
void AnswerReadCommands(FakeDeviceState& state, bool short_form);

}  // namespace veltra::test
