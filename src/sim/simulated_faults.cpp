// Fault injection: answers to a write that come late, short, damaged or not at all, stale
// input, and a device that leaves right after a write.

#include <algorithm>

#include "sim/simulated_state.h"

namespace veltra::sim {

void SimulatedState::AnswerWrite(int device_id, std::size_t interface_index,
                                 std::span<const std::uint8_t> payload,
                                 std::vector<Payload> answers, const FirmwareModel& firmware) {
    Device& device = devices.at(device_id);
    const Interface& interface = device.interfaces[interface_index];
    FaultPlan fault = device.fault;
    if (fault.fault != Fault::None && fault.writes != 0) {
        if (device.fault.writes > 0 && --device.fault.writes == 0) {
            device.fault = FaultPlan{};
        }
    } else {
        fault = FaultPlan{};
    }

    if (fault.fault == Fault::StaleInput) {
        const bool status_asked = payload[0] == 0x55 && payload[1] == 0xAA && payload[2] == 0;
        const Payload stale = status_asked ? firmware.ConfigBlock() : firmware.StatusBlock();
        Deliver(device_id, interface_index, InputReport(interface, stale), 0);
    }
    int reads_left = 0;
    for (Payload& answer : answers) {
        switch (fault.fault) {
            case Fault::AnswerFfFf:
                answer[4] = answer[5] = 0xFF;
                break;
            case Fault::AnswerZeroZero:
                answer[4] = answer[5] = 0x00;
                break;
            case Fault::MalformedHeader:
                answer[0] = 0xAA;
                answer[1] = 0x55;
                break;
            case Fault::LateAnswer:
                reads_left = std::max(fault.late_reads, 0);
                break;
            default:
                break;
        }
        if (fault.fault == Fault::NoAnswer || fault.fault == Fault::UnplugAfterWrite) {
            continue;
        }
        std::vector<std::uint8_t> report = InputReport(interface, answer);
        if (fault.fault == Fault::ShortRead) {
            report.resize(
                std::min(report.size(), static_cast<std::size_t>(std::max(fault.short_length, 0))));
        }
        Deliver(device_id, interface_index, report, reads_left);
    }

    if (fault.fault == Fault::UnplugAfterWrite) {
        Remove(device_id, device);
    }
}

void SimulatedBackend::SetFault(int device, FaultPlan plan) {
    std::lock_guard lock(state_->mutex);
    const auto found = state_->devices.find(device);
    if (found != state_->devices.end()) {
        found->second.fault = plan;
    }
}

}  // namespace veltra::sim
