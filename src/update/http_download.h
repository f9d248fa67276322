#pragma once

// HTTP and HTTPS transfers for the update download, on libcurl. The caller's thread does the
// whole transfer; another thread stops it by clearing the running flag, which is looked at
// every kStopCheckInterval whether data flows or not.
//
// Transfers verify HTTPS certificates and host names, take the proxy settings of the
// environment (http_proxy, https_proxy, no_proxy), ask for no cached copy and treat an HTTP
// status of 400 or above as an address that does not open.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace veltra {

inline constexpr std::string_view kUpdateUserAgent = "IIC2.0/PC 5.5.0000";
inline constexpr std::size_t kDownloadReadSize = 10240;
inline constexpr std::chrono::milliseconds kStopCheckInterval{100};

struct DownloadOptions {
    // Certificates to trust instead of the system's; tests use their own CA.
    std::filesystem::path ca_file;
    std::chrono::milliseconds connect_timeout{15000};
    // A transfer that moves no byte for this long is broken.
    std::chrono::milliseconds stall_timeout{30000};
    // More bytes than this, or an announced length above it, break the transfer before any
    // byte is kept; unset: no limit.
    std::optional<std::uint64_t> size_limit;
};

// The downloader's progress: a value is reported only when it differs from the last one, and
// the last one outlives a single download (a second download starts by reporting 0).
class DownloadProgress {
  public:
    explicit DownloadProgress(std::function<void(int)> report = {}) : report_(std::move(report)) {}
    void Report(int value);
    int Last() const { return last_; }

  private:
    std::function<void(int)> report_;
    int last_ = 0;
};

enum class DownloadResult : int { Complete = 1, Stopped = -2, Failed = -1, NoHandle = 0 };

struct DownloadOutcome {
    DownloadResult result = DownloadResult::Failed;
    // Failed only: the address did not open (no connection, refused certificate, HTTP error)
    // rather than the transfer breaking or the file not being written.
    bool address_failed = false;
    std::string error;  // libcurl's or the file system's words, for the log
};

// Downloads `address` to `target`. The bytes go to "<target>.part" as they arrive, written in
// reads of kDownloadReadSize; only a complete transfer is renamed to `target`, so a broken or
// stopped one leaves nothing under either name. Any file at `target` is deleted first.
// Progress: 0 (when the last value was not 0), 2 when the address is being opened, 8 before
// the file is created, 10 once the length is known, then counter / steps + 10 after every read
// (steps = length / 10240, counter += 90 per read, at most 100), and 100 at the end.
DownloadOutcome DownloadFile(const std::string& address, const std::filesystem::path& target,
                             const DownloadOptions& options, const std::atomic<bool>& running,
                             DownloadProgress& progress);

struct FetchOutcome {
    std::optional<std::string> body;
    DownloadOutcome outcome;
};
// A small document (the manifest) into memory; more than `limit` bytes fail.
FetchOutcome FetchText(const std::string& address, const DownloadOptions& options,
                       std::size_t limit, const std::atomic<bool>& running);

}  // namespace veltra
