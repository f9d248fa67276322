#include "device/recording_backend.h"

#include <chrono>
#include <cstdio>
#include <mutex>

#include "common/json.h"
#include "common/log.h"
#include "device/bridge_protocol.h"

namespace veltra {

class RecordingBackend::Journal {
  public:
    explicit Journal(std::FILE* file) : file_(file) {}
    ~Journal() { std::fclose(file_); }
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    void Append(const Json& request, const Json& answer) {
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start_);
        const Json line = {{"t", elapsed.count()}, {"request", request}, {"answer", answer}};
        const std::string text = EncodeJson(line) + "\n";
        const std::lock_guard lock(mutex_);
        std::fwrite(text.data(), 1, text.size(), file_);
        // Flushed per line so that a crash still leaves a usable capture.
        std::fflush(file_);
    }

    std::int64_t NextHandle() {
        const std::lock_guard lock(mutex_);
        return next_handle_++;
    }

  private:
    std::mutex mutex_;
    std::FILE* file_;
    std::int64_t next_handle_ = 1;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

namespace {

class RecordingDevice : public ForwardingDevice {
  public:
    RecordingDevice(std::unique_ptr<HidDevice> inner,
                    std::shared_ptr<RecordingBackend::Journal> journal, std::int64_t handle)
        : ForwardingDevice(std::move(inner)), journal_(std::move(journal)), handle_(handle) {}

    ~RecordingDevice() override {
        CloseInner();
        journal_->Append(bridge::CloseRequest(handle_), bridge::ResultAnswer(0));
    }

  protected:
    void Written(std::span<const std::uint8_t> data, int result) override {
        journal_->Append(bridge::WriteRequest(handle_, data), bridge::ResultAnswer(result));
    }

    void ReadDone(std::span<const std::uint8_t> buffer, int timeout_ms, int result) override {
        journal_->Append(bridge::ReadRequest(handle_, buffer.size(), timeout_ms),
                         bridge::ReadAnswer(buffer, result));
    }

  private:
    std::shared_ptr<RecordingBackend::Journal> journal_;
    std::int64_t handle_;
};

}  // namespace

RecordingBackend::RecordingBackend(std::unique_ptr<HidBackend> inner, const std::string& file)
    : ForwardingBackend(std::move(inner)) {
    if (std::FILE* f = std::fopen(file.c_str(), "ae")) {
        journal_ = std::make_shared<Journal>(f);
        journal_->Append(bridge::HelloRequest(), {{"version", bridge::kVersion}});
    } else {
        Log(LogLevel::Warning, "cannot record HID traffic to " + file);
    }
}

RecordingBackend::~RecordingBackend() = default;

void RecordingBackend::Enumerated(const std::vector<HidInterfaceInfo>& interfaces) {
    if (journal_) {
        journal_->Append(bridge::EnumerateRequest(), bridge::EnumerateAnswer(interfaces));
    }
}

std::unique_ptr<HidDevice> RecordingBackend::Opened(const std::string& path,
                                                    std::unique_ptr<HidDevice> device) {
    if (!journal_) {
        return device;
    }
    if (!device) {
        journal_->Append(bridge::OpenRequest(path), bridge::HandleAnswer(-1));
        return nullptr;
    }
    const std::int64_t handle = journal_->NextHandle();
    journal_->Append(bridge::OpenRequest(path), bridge::HandleAnswer(handle));
    return std::make_unique<RecordingDevice>(std::move(device), journal_, handle);
}

}  // namespace veltra
