#include "device/bridge_backend.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

#include "common/json.h"
#include "common/log.h"
#include "device/bridge_protocol.h"
#include "device/line_socket.h"

namespace veltra {

// One connection to the peer, shared by the backend and the devices opened over it. A broken
// connection is never reused: the generation tells a device whether its handle still exists.
struct BridgeBackend::Connection {
    Connection(std::string socket_path, std::chrono::milliseconds grace_ms)
        : path(std::move(socket_path)), grace(grace_ms) {}

    // Sends one request and returns its answer object, or nothing after any failure (which
    // drops the connection). With `generation` set, fails unless the connection is still that
    // one.
    // `used_generation` receives the connection the answer came over.
    std::optional<Json> Request(const Json& request, std::chrono::milliseconds wait,
                                std::optional<std::uint64_t> expected_generation,
                                std::uint64_t* used_generation = nullptr) {
        const std::lock_guard lock(mutex);
        if (expected_generation && (*expected_generation != generation || !socket)) {
            return std::nullopt;
        }
        if (!socket && !ConnectLocked()) {
            return std::nullopt;
        }
        if (used_generation != nullptr) {
            *used_generation = generation;
        }
        return ExchangeLocked(request, wait);
    }

    std::optional<Json> ExchangeLocked(const Json& request, std::chrono::milliseconds wait) {
        if (!socket->SendLine(EncodeJson(request), grace)) {
            return FailLocked("the peer closed the connection");
        }
        std::string line;
        switch (socket->ReadLine(line, wait + grace)) {
            case LineSocket::Status::Line:
                break;
            case LineSocket::Status::Timeout:
                return FailLocked("the peer did not answer within " +
                                  std::to_string((wait + grace).count()) + " ms");
            case LineSocket::Status::Closed:
                return FailLocked("the peer closed the connection");
            case LineSocket::Status::TooLong:
                return FailLocked("the peer sent a line longer than " +
                                  std::to_string(LineSocket::kMaxLineLength) + " bytes");
        }
        std::optional<Json> answer = DecodeJson(line);
        if (!answer || !answer->is_object()) {
            return FailLocked("the peer answered something other than a JSON object");
        }
        return answer;
    }

    bool ConnectLocked() {
        socket = LineSocket::Connect(path);
        if (!socket) {
            failure = std::string("cannot connect: ") + std::strerror(errno);
            Log(LogLevel::Warning, "bridge: " + failure);
            return false;
        }
        ++generation;
        const std::optional<Json> hello = ExchangeLocked(bridge::HelloRequest(), {});
        if (!hello) {
            return false;
        }
        const std::optional<std::int64_t> version = IntMember(*hello, "version");
        if (version != bridge::kVersion) {
            FailLocked(version
                           ? "the peer speaks bridge protocol version " + std::to_string(*version) +
                                 ", not " + std::to_string(bridge::kVersion)
                           : std::string("the peer did not name its bridge protocol version"));
            return false;
        }
        failure.clear();
        return true;
    }

    // Drops the connection and remembers why; always nothing, for the callers' returns.
    std::nullopt_t FailLocked(std::string why) {
        failure = std::move(why);
        Log(LogLevel::Warning, "bridge: " + failure + "; connection dropped");
        socket.reset();
        return std::nullopt;
    }

    const std::string path;
    const std::chrono::milliseconds grace;
    std::mutex mutex;
    std::unique_ptr<LineSocket> socket;
    std::uint64_t generation = 0;
    std::map<std::string, int> report_lengths;
    std::string failure;
};

namespace {

class BridgeDevice : public HidDevice {
  public:
    BridgeDevice(std::shared_ptr<BridgeBackend::Connection> connection, std::uint64_t generation,
                 std::int64_t handle, int output_report_length)
        : connection_(std::move(connection)),
          generation_(generation),
          handle_(handle),
          output_report_length_(output_report_length) {}

    ~BridgeDevice() override {
        connection_->Request(bridge::CloseRequest(handle_), {}, generation_);
    }

    int Write(std::span<const std::uint8_t> data) override {
        const std::optional<Json> answer =
            connection_->Request(bridge::WriteRequest(handle_, data), {}, generation_);
        if (!answer) {
            return -1;
        }
        const std::optional<std::int64_t> result = IntMember(*answer, "result");
        if (!result || *result < 0 || *result > static_cast<std::int64_t>(data.size())) {
            return -1;
        }
        return static_cast<int>(*result);
    }

    int Read(std::span<std::uint8_t> buffer, int timeout_ms) override {
        timeout_ms = std::max(timeout_ms, 0);
        const std::optional<Json> answer =
            connection_->Request(bridge::ReadRequest(handle_, buffer.size(), timeout_ms),
                                 std::chrono::milliseconds(timeout_ms), generation_);
        if (!answer) {
            return -1;
        }
        const std::optional<std::string> hex = StringMember(*answer, "data");
        if (!hex) {
            return -1;
        }
        const std::optional<std::vector<std::uint8_t>> bytes = bridge::HexDecode(*hex);
        if (!bytes) {
            return -1;
        }
        const std::size_t count = std::min(bytes->size(), buffer.size());
        std::copy_n(bytes->begin(), count, buffer.begin());
        return static_cast<int>(count);
    }

    int OutputReportLength() const override { return output_report_length_; }

  private:
    std::shared_ptr<BridgeBackend::Connection> connection_;
    std::uint64_t generation_;
    std::int64_t handle_;
    int output_report_length_;
};

}  // namespace

BridgeBackend::BridgeBackend(std::string socket_path, std::chrono::milliseconds grace)
    : connection_(std::make_shared<Connection>(std::move(socket_path), grace)) {}

BridgeBackend::~BridgeBackend() = default;

std::vector<HidInterfaceInfo> BridgeBackend::Enumerate() {
    std::vector<HidInterfaceInfo> interfaces;
    const std::optional<Json> answer =
        connection_->Request(bridge::EnumerateRequest(), {}, std::nullopt);
    if (!answer) {
        return interfaces;
    }
    const Json* list = FindMember(*answer, "interfaces");
    if (list == nullptr || !list->is_array()) {
        return interfaces;
    }
    std::map<std::string, int> lengths;
    for (const Json& item : *list) {
        if (std::optional<HidInterfaceInfo> info = bridge::InterfaceFromJson(item)) {
            lengths[info->path] = info->output_report_length;
            interfaces.push_back(std::move(*info));
        }
    }
    const std::lock_guard lock(connection_->mutex);
    connection_->report_lengths = std::move(lengths);
    return interfaces;
}

std::unique_ptr<HidDevice> BridgeBackend::Open(const std::string& path) {
    std::uint64_t generation = 0;
    const std::optional<Json> answer =
        connection_->Request(bridge::OpenRequest(path), {}, std::nullopt, &generation);
    if (!answer) {
        return nullptr;
    }
    const std::optional<std::int64_t> handle = IntMember(*answer, "handle");
    if (!handle || *handle < 0) {
        return nullptr;
    }
    int length = 0;
    {
        const std::lock_guard lock(connection_->mutex);
        const auto it = connection_->report_lengths.find(path);
        if (it != connection_->report_lengths.end()) {
            length = it->second;
        }
    }
    return std::make_unique<BridgeDevice>(connection_, generation, *handle, length);
}

std::string BridgeBackend::LastFailure() const {
    const std::lock_guard lock(connection_->mutex);
    return connection_->failure;
}

std::unique_ptr<BridgeWatch> BridgeWatch::Start(const std::string& socket_path,
                                                std::chrono::milliseconds timeout) {
    std::unique_ptr<LineSocket> socket = LineSocket::Connect(socket_path);
    if (!socket || !socket->SendLine(EncodeJson(bridge::WatchRequest()), timeout)) {
        return nullptr;
    }
    std::string line;
    if (socket->ReadLine(line, timeout) != LineSocket::Status::Line) {
        return nullptr;
    }
    const std::optional<Json> answer = DecodeJson(line);
    const Json* watching = answer ? FindMember(*answer, "watching") : nullptr;
    if (watching == nullptr || !watching->is_boolean() || !watching->get<bool>()) {
        return nullptr;
    }
    return std::unique_ptr<BridgeWatch>(new BridgeWatch(std::move(socket)));
}

BridgeWatch::BridgeWatch(std::unique_ptr<LineSocket> socket) : socket_(std::move(socket)) {}

BridgeWatch::~BridgeWatch() = default;

int BridgeWatch::fd() const {
    return socket_->fd();
}

bool BridgeWatch::Poll(std::vector<HotplugEvent>& events, std::chrono::milliseconds timeout) {
    std::string line;
    while (alive_) {
        const LineSocket::Status status = socket_->ReadLine(line, timeout);
        if (status == LineSocket::Status::Timeout) {
            break;
        }
        if (status != LineSocket::Status::Line) {
            alive_ = false;
            break;
        }
        timeout = std::chrono::milliseconds(0);
        const std::optional<Json> message = DecodeJson(line);
        const std::optional<std::string> kind =
            message ? StringMember(*message, "event") : std::nullopt;
        const std::optional<std::string> path =
            message ? StringMember(*message, "path") : std::nullopt;
        if (!kind || !path || (*kind != "arrival" && *kind != "removal")) {
            alive_ = false;
            break;
        }
        events.push_back(
            {*kind == "arrival" ? HotplugEvent::Kind::Arrival : HotplugEvent::Kind::Removal,
             *path,
             {}});
    }
    return alive_;
}

}  // namespace veltra
