#include "uhid_mouse.h"

#include <linux/uhid.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace veltra::uhid {

namespace {

// The kernel takes one event per write and rejects partial ones.
bool WriteEvent(int fd, const uhid_event& event) {
    ssize_t n;
    do {
        n = ::write(fd, &event, sizeof event);
    } while (n < 0 && errno == EINTR);
    return n == static_cast<ssize_t>(sizeof event);
}

void CopyText(std::uint8_t* dst, std::size_t capacity, const std::string& text) {
    const auto n = std::min(text.size(), capacity - 1);
    std::memcpy(dst, text.data(), n);
    dst[n] = 0;
}

}  // namespace

UhidMouse::UhidMouse(int fd, InterfaceLayout layout, DeviceIdentity identity, Responder& responder)
    : fd_(fd), layout_(std::move(layout)), identity_(std::move(identity)), responder_(responder) {}

bool UhidMouse::Plug() {
    if (plugged_) {
        return true;
    }
    uhid_event event{};
    event.type = UHID_CREATE2;
    auto& req = event.u.create2;
    CopyText(req.name, sizeof req.name, identity_.name);
    CopyText(req.phys, sizeof req.phys, identity_.phys);
    CopyText(req.uniq, sizeof req.uniq, identity_.uniq);
    const std::size_t rd_size = std::min(layout_.descriptor.size(), sizeof req.rd_data);
    req.rd_size = static_cast<std::uint16_t>(rd_size);
    std::memcpy(req.rd_data, layout_.descriptor.data(), rd_size);
    req.bus = identity_.bus;
    req.vendor = identity_.vendor_id;
    req.product = identity_.product_id;
    req.version = identity_.release;
    req.country = 0;
    plugged_ = WriteEvent(fd_, event);
    started_ = false;
    return plugged_;
}

bool UhidMouse::Unplug() {
    if (!plugged_) {
        return true;
    }
    uhid_event event{};
    event.type = UHID_DESTROY;
    if (!WriteEvent(fd_, event)) {
        return false;
    }
    plugged_ = false;
    started_ = false;
    return true;
}

bool UhidMouse::PressDpiButton() {
    return plugged_ && SendInput(responder_.PressDpiButton());
}

bool UhidMouse::SendInput(const Payload& payload) {
    const auto data = InputFromPayload(layout_, payload);
    uhid_event event{};
    event.type = UHID_INPUT2;
    event.u.input2.size = static_cast<std::uint16_t>(data.size());
    std::memcpy(event.u.input2.data, data.data(), data.size());
    return WriteEvent(fd_, event);
}

void UhidMouse::HandleOutput(std::span<const std::uint8_t> data) {
    const auto payload = PayloadFromOutput(layout_, data);
    if (!payload) {
        ++outputs_dropped_;
        return;
    }
    ++outputs_taken_;
    for (const auto& answer : responder_.Receive(*payload)) {
        SendInput(answer);
    }
}

bool UhidMouse::HandleEvent() {
    uhid_event event{};
    const ssize_t n = ::read(fd_, &event, sizeof event);
    if (n < 0) {
        return errno == EINTR || errno == EAGAIN;
    }
    if (n == 0) {
        return false;
    }
    switch (event.type) {
        case UHID_START:
            started_ = true;
            break;
        case UHID_STOP:
            started_ = false;
            break;
        case UHID_OUTPUT: {
            if (event.u.output.rtype != UHID_OUTPUT_REPORT) {
                ++outputs_dropped_;
                break;
            }
            const std::size_t size = std::min<std::size_t>(event.u.output.size, UHID_DATA_MAX);
            HandleOutput(std::span<const std::uint8_t>(event.u.output.data, size));
            break;
        }
        case UHID_GET_REPORT: {
            // The mouse has no feature reports; the kernel waits for a reply either way.
            uhid_event reply{};
            reply.type = UHID_GET_REPORT_REPLY;
            reply.u.get_report_reply.id = event.u.get_report.id;
            reply.u.get_report_reply.err = EIO;
            WriteEvent(fd_, reply);
            break;
        }
        case UHID_SET_REPORT: {
            uhid_event reply{};
            reply.type = UHID_SET_REPORT_REPLY;
            reply.u.set_report_reply.id = event.u.set_report.id;
            reply.u.set_report_reply.err = EIO;
            WriteEvent(fd_, reply);
            break;
        }
        default:
            break;
    }
    return true;
}

}  // namespace veltra::uhid
