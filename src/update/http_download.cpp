#include "update/http_download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace veltra {

void DownloadProgress::Report(int value) {
    if (value == last_) {
        return;
    }
    last_ = value;
    if (report_) {
        report_(value);
    }
}

namespace {

constexpr long kMaxRedirects = 5;
constexpr std::int64_t kProgressPerRead = 90;
constexpr int kProgressOpening = 2;
constexpr int kProgressResponse = 8;
constexpr int kProgressLength = 10;
constexpr int kProgressDone = 100;

using Clock = std::chrono::steady_clock;

std::string SystemError(const std::string& what, const std::filesystem::path& path) {
    return what + " " + path.string() + ": " + std::strerror(errno);
}

bool IsHttps(std::string_view address) {
    constexpr std::string_view kScheme = "https://";
    return address.size() >= kScheme.size() &&
           std::equal(kScheme.begin(), kScheme.end(), address.begin(), [](char a, char b) {
               return a == std::tolower(static_cast<unsigned char>(b));
           });
}

// What a transfer does with the response: Response() once the final response has arrived,
// before any of its body, with the announced length or -1; Take() with the body as it comes.
// Either returns false to break the transfer, with its reason in error().
class Receiver {
  public:
    virtual ~Receiver() = default;
    virtual bool Response(std::int64_t length) = 0;
    virtual bool Take(std::string_view bytes) = 0;
    const std::string& error() const { return error_; }

  protected:
    bool Fail(std::string why) {
        error_ = std::move(why);
        return false;
    }

  private:
    std::string error_;
};

// One transfer on one libcurl handle, driven through a multi handle so that the running flag
// is looked at even while the peer sends nothing.
class Transfer {
  public:
    Transfer() {
        static std::once_flag global_init;
        std::call_once(global_init, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
        easy_.reset(curl_easy_init());
    }
    explicit operator bool() const { return easy_ != nullptr; }

    DownloadOutcome Run(const std::string& address, const DownloadOptions& options,
                        std::optional<std::uint64_t> size_limit, const std::atomic<bool>& running,
                        Receiver& receiver) {
        receiver_ = &receiver;
        size_limit_ = size_limit;
        if (const CURLcode code = Configure(address, options); code != CURLE_OK) {
            return Failed(code);
        }
        std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi(curl_multi_init(),
                                                                    &curl_multi_cleanup);
        if (!multi || curl_multi_add_handle(multi.get(), easy_.get()) != CURLM_OK) {
            return {DownloadResult::NoHandle, false, "no libcurl multi handle"};
        }
        const Attachment attachment{multi.get(), easy_.get()};
        last_byte_ = Clock::now();
        while (running.load()) {
            int active = 0;
            if (const CURLMcode code = curl_multi_perform(multi.get(), &active); code != CURLM_OK) {
                return {DownloadResult::Failed, !opened_, curl_multi_strerror(code)};
            }
            if (active == 0) {
                int queued = 0;
                const CURLMsg* message = curl_multi_info_read(multi.get(), &queued);
                return Finished(message != nullptr && message->msg == CURLMSG_DONE
                                    ? message->data.result
                                    : CURLE_FAILED_INIT);
            }
            if (Clock::now() - last_byte_ >= options.stall_timeout) {
                return {DownloadResult::Failed, !opened_,
                        "no data for " + std::to_string(options.stall_timeout.count()) + " ms"};
            }
            if (const CURLMcode code = curl_multi_poll(
                    multi.get(), nullptr, 0, static_cast<int>(kStopCheckInterval.count()), nullptr);
                code != CURLM_OK) {
                return {DownloadResult::Failed, !opened_, curl_multi_strerror(code)};
            }
        }
        return {DownloadResult::Stopped, false, "stopped"};
    }

  private:
    struct Attachment {
        CURLM* multi;
        CURL* easy;
        ~Attachment() { curl_multi_remove_handle(multi, easy); }
    };

    CURLcode Configure(const std::string& address, const DownloadOptions& options) {
        for (const char* header : {"Accept: */*", "Cache-Control: no-cache", "Pragma: no-cache"}) {
            // Appending returns the list's head, which is new only for the first entry.
            curl_slist* head = curl_slist_append(headers_.get(), header);
            if (head == nullptr) {
                return CURLE_OUT_OF_MEMORY;
            }
            if (!headers_) {
                headers_.reset(head);
            }
        }
        const std::string user_agent(kUpdateUserAgent);
        CURL* easy = easy_.get();
        CURLcode code = CURLE_OK;
        const auto set = [&](CURLoption option, auto value) {
            if (code == CURLE_OK) {
                code = curl_easy_setopt(easy, option, value);
            }
        };
        set(CURLOPT_ERRORBUFFER, error_.data());
        set(CURLOPT_NOSIGNAL, 1L);
        set(CURLOPT_URL, address.c_str());
        set(CURLOPT_PROTOCOLS_STR, "http,https");
        set(CURLOPT_FOLLOWLOCATION, 1L);
        set(CURLOPT_MAXREDIRS, kMaxRedirects);
        // An https address never goes on over plain http.
        set(CURLOPT_REDIR_PROTOCOLS_STR, IsHttps(address) ? "https" : "http,https");
        set(CURLOPT_USERAGENT, user_agent.c_str());
        set(CURLOPT_HTTPHEADER, headers_.get());
        set(CURLOPT_FAILONERROR, 1L);
        set(CURLOPT_SSL_VERIFYPEER, 1L);
        set(CURLOPT_SSL_VERIFYHOST, 2L);
        if (!options.ca_file.empty()) {
            set(CURLOPT_CAINFO, options.ca_file.c_str());
        }
        set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connect_timeout.count()));
        // A proxy's answer to CONNECT is not the response of the address.
        set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        set(CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
        set(CURLOPT_HEADERDATA, this);
        set(CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
        set(CURLOPT_WRITEDATA, this);
        return code;
    }

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
        auto& transfer = *static_cast<Transfer*>(user);
        const std::string_view line(data, size * count);
        transfer.last_byte_ = Clock::now();
        if (line == "\r\n" || line == "\n") {
            long status = 0;
            curl_easy_getinfo(transfer.easy_.get(), CURLINFO_RESPONSE_CODE, &status);
            transfer.opened_ = transfer.opened_ || (status >= 200 && status < 300);
        }
        return line.size();
    }

    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
        auto& transfer = *static_cast<Transfer*>(user);
        const std::size_t bytes = size * count;
        transfer.last_byte_ = Clock::now();
        transfer.opened_ = true;
        if (!transfer.Respond()) {
            return 0;
        }
        transfer.received_ += bytes;
        if (transfer.size_limit_ && transfer.received_ > *transfer.size_limit_) {
            transfer.over_limit_ = true;
            return 0;
        }
        if (!transfer.receiver_->Take(std::string_view(data, bytes))) {
            transfer.receiver_failed_ = true;
            return 0;
        }
        return bytes;
    }

    // Tells the receiver about the response once: at its first bytes, or at the end of an
    // empty body. An announced length above the limit fails here, before any byte is kept;
    // libcurl's own maximum file size would also take a refusal's long error page for it.
    bool Respond() {
        if (!responded_) {
            responded_ = true;
            curl_off_t length = -1;
            curl_easy_getinfo(easy_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
            if (size_limit_ && length > 0 && static_cast<std::uint64_t>(length) > *size_limit_) {
                over_limit_ = true;
            } else {
                receiver_failed_ = !receiver_->Response(length);
            }
        }
        return !over_limit_ && !receiver_failed_;
    }

    DownloadOutcome Finished(CURLcode code) {
        if (code == CURLE_OK) {
            Respond();
        }
        if (over_limit_) {
            return {DownloadResult::Failed, false,
                    "more than " + std::to_string(*size_limit_) + " bytes"};
        }
        if (receiver_failed_) {
            return {DownloadResult::Failed, false, receiver_->error()};
        }
        if (code != CURLE_OK) {
            return Failed(code, !opened_);
        }
        return {DownloadResult::Complete, false, {}};
    }

    DownloadOutcome Failed(CURLcode code, bool address_failed = true) const {
        std::string error = error_.data();
        if (error.empty()) {
            error = curl_easy_strerror(code);
        }
        return {DownloadResult::Failed, address_failed, std::move(error)};
    }

    std::array<char, CURL_ERROR_SIZE> error_{};
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers_{nullptr,
                                                                         &curl_slist_free_all};
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy_{nullptr, &curl_easy_cleanup};
    Receiver* receiver_ = nullptr;
    std::optional<std::uint64_t> size_limit_;
    std::uint64_t received_ = 0;
    Clock::time_point last_byte_;
    bool opened_ = false;  // the response of the address arrived: failures from here on break it
    bool responded_ = false;
    bool receiver_failed_ = false;
    bool over_limit_ = false;
};

// "<target>.part", written one read of kDownloadReadSize at a time, as a blocking read of that
// size delivers the body; the progress counts those reads. Removed unless it became the target.
class PartFile final : public Receiver {
  public:
    PartFile(const std::filesystem::path& target, DownloadProgress& progress)
        : path_(target.string() + ".part"), progress_(progress), block_(kDownloadReadSize) {}
    ~PartFile() override {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (!kept_) {
            std::error_code ignored;
            std::filesystem::remove(path_, ignored);
        }
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    bool Response(std::int64_t length) override {
        progress_.Report(kProgressResponse);
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            return Fail(SystemError("cannot create", path_));
        }
        steps_ = length > 0 ? length / static_cast<std::int64_t>(kDownloadReadSize) : 0;
        progress_.Report(kProgressLength);
        return true;
    }

    bool Take(std::string_view bytes) override {
        while (!bytes.empty()) {
            const std::size_t n = std::min(bytes.size(), block_.size() - filled_);
            std::memcpy(block_.data() + filled_, bytes.data(), n);
            filled_ += n;
            bytes.remove_prefix(n);
            if (filled_ == block_.size() && !WriteRead()) {
                return false;
            }
        }
        return true;
    }

    // The rest of the body as the last read, then the file under its own name.
    bool Finish(const std::filesystem::path& target) {
        if (filled_ > 0 && !WriteRead()) {
            return false;
        }
        if (::fsync(fd_) != 0) {
            return Fail(SystemError("cannot flush", path_));
        }
        const int fd = std::exchange(fd_, -1);
        if (::close(fd) != 0) {
            return Fail(SystemError("cannot write", path_));
        }
        if (::rename(path_.c_str(), target.c_str()) != 0) {
            return Fail(SystemError("cannot rename to " + target.string() + ":", path_));
        }
        kept_ = true;
        progress_.Report(kProgressDone);
        return true;
    }

  private:
    bool WriteRead() {
        std::string_view rest(block_.data(), filled_);
        while (!rest.empty()) {
            const ssize_t written = ::write(fd_, rest.data(), rest.size());
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                return Fail(SystemError("cannot write", path_));
            }
            rest.remove_prefix(static_cast<std::size_t>(written));
        }
        filled_ = 0;
        counter_ += kProgressPerRead;
        if (steps_ > 0) {
            progress_.Report(
                static_cast<int>(std::min<std::int64_t>(kProgressDone, counter_ / steps_ + 10)));
        }
        return true;
    }

    std::filesystem::path path_;
    DownloadProgress& progress_;
    std::vector<char> block_;
    std::size_t filled_ = 0;
    int fd_ = -1;
    std::int64_t steps_ = 0;
    std::int64_t counter_ = 0;
    bool kept_ = false;
};

class TextBody final : public Receiver {
  public:
    bool Response(std::int64_t) override { return true; }
    bool Take(std::string_view bytes) override {
        text.append(bytes);
        return true;
    }
    std::string text;
};

}  // namespace

DownloadOutcome DownloadFile(const std::string& address, const std::filesystem::path& target,
                             const DownloadOptions& options, const std::atomic<bool>& running,
                             DownloadProgress& progress) {
    progress.Report(0);
    std::error_code ignored;
    std::filesystem::remove(target, ignored);
    PartFile file(target, progress);
    Transfer transfer;
    if (!transfer) {
        return {DownloadResult::NoHandle, false, "no libcurl handle"};
    }
    progress.Report(kProgressOpening);
    DownloadOutcome outcome = transfer.Run(address, options, options.size_limit, running, file);
    if (outcome.result == DownloadResult::Complete && !file.Finish(target)) {
        outcome = {DownloadResult::Failed, false, file.error()};
    }
    return outcome;
}

FetchOutcome FetchText(const std::string& address, const DownloadOptions& options,
                       std::size_t limit, const std::atomic<bool>& running) {
    TextBody body;
    Transfer transfer;
    if (!transfer) {
        return {std::nullopt, {DownloadResult::NoHandle, false, "no libcurl handle"}};
    }
    const std::uint64_t cap = std::min<std::uint64_t>(limit, options.size_limit.value_or(limit));
    FetchOutcome fetched{std::nullopt, transfer.Run(address, options, cap, running, body)};
    if (fetched.outcome.result == DownloadResult::Complete) {
        fetched.body = std::move(body.text);
    }
    return fetched;
}

}  // namespace veltra
