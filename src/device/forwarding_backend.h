#pragma once

// A HID backend and device that pass every call to inner ones, for wrappers that watch the
// traffic (the recorder, the command-line tool's tap, test taps). A subclass overrides the hooks,
// which run after the inner call with its result; it never has to forward anything itself, so a
// new port operation cannot be forgotten by one wrapper.
//
// Hooks run on the thread of the call; a subclass that shares state between devices locks it.

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "device/hid_port.h"

namespace veltra {

class ForwardingDevice : public HidDevice {
  public:
    explicit ForwardingDevice(std::unique_ptr<HidDevice> inner) : inner_(std::move(inner)) {}

    int Write(std::span<const std::uint8_t> data) final {
        const int result = inner_->Write(data);
        Written(data, result);
        return result;
    }

    int Read(std::span<std::uint8_t> buffer, int timeout_ms) final {
        const int result = inner_->Read(buffer, timeout_ms);
        ReadDone(buffer, timeout_ms, result);
        return result;
    }

    int OutputReportLength() const final { return inner_->OutputReportLength(); }

  protected:
    virtual void Written(std::span<const std::uint8_t> /*data*/, int /*result*/) {}
    // `buffer` is the whole buffer passed in; `result` says how much of it was read.
    virtual void ReadDone(std::span<const std::uint8_t> /*buffer*/, int /*timeout_ms*/,
                          int /*result*/) {}

    // Closes the inner device now rather than after the subclass's destructor.
    void CloseInner() { inner_.reset(); }

  private:
    std::unique_ptr<HidDevice> inner_;
};

class ForwardingBackend : public HidBackend {
  public:
    explicit ForwardingBackend(std::unique_ptr<HidBackend> inner) : inner_(std::move(inner)) {}

    std::vector<HidInterfaceInfo> Enumerate() final {
        std::vector<HidInterfaceInfo> interfaces = inner_->Enumerate();
        Enumerated(interfaces);
        return interfaces;
    }

    std::unique_ptr<HidDevice> Open(const std::string& path) final {
        return Opened(path, inner_->Open(path));
    }

    std::string LastFailure() const final { return inner_->LastFailure(); }

  protected:
    virtual void Enumerated(const std::vector<HidInterfaceInfo>& /*interfaces*/) {}
    // Gets what the inner backend opened (nullptr when it failed) and returns what the caller
    // gets, typically the device wrapped in a ForwardingDevice.
    virtual std::unique_ptr<HidDevice> Opened(const std::string& /*path*/,
                                              std::unique_ptr<HidDevice> device) {
        return device;
    }

  private:
    std::unique_ptr<HidBackend> inner_;
};

}  // namespace veltra
