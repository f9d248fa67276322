#include "common/log.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "common/text.h"

namespace veltra {
namespace {

LogLevel LevelFromEnvironment() {
    const char* value = std::getenv("VELTRA_LOG");
    if (value == nullptr) {
        return LogLevel::Off;
    }
    const std::string name = AsciiLower(TrimAsciiSpace(value));
    if (name == "debug") {
        return LogLevel::Debug;
    }
    if (name == "info") {
        return LogLevel::Info;
    }
    if (name == "warning") {
        return LogLevel::Warning;
    }
    if (name == "error") {
        return LogLevel::Error;
    }
    return LogLevel::Off;
}

std::atomic<int>& LevelStore() {
    static std::atomic<int> level{static_cast<int>(LevelFromEnvironment())};
    return level;
}

struct SinkState {
    std::mutex mutex;
    LogSink sink;
};

SinkState& Sink() {
    static SinkState state;
    return state;
}

const char* LevelName(LogLevel level) {
    switch (level) {
        case LogLevel::Error:
            return "error";
        case LogLevel::Warning:
            return "warning";
        case LogLevel::Info:
            return "info";
        case LogLevel::Debug:
            return "debug";
        case LogLevel::Off:
            break;
    }
    return "";
}

}  // namespace

LogLevel CurrentLogLevel() {
    return static_cast<LogLevel>(LevelStore().load());
}

void SetLogLevel(LogLevel level) {
    LevelStore().store(static_cast<int>(level));
}

bool LogEnabled(LogLevel level) {
    return level != LogLevel::Off && static_cast<int>(level) <= LevelStore().load();
}

void Log(LogLevel level, std::string_view text) {
    if (!LogEnabled(level)) {
        return;
    }
    SinkState& state = Sink();
    const std::lock_guard lock(state.mutex);
    if (state.sink) {
        state.sink(level, text);
        return;
    }
    std::fprintf(stderr, "veltra [%s] %.*s\n", LevelName(level), static_cast<int>(text.size()),
                 text.data());
}

void SetLogSink(LogSink sink) {
    SinkState& state = Sink();
    const std::lock_guard lock(state.mutex);
    state.sink = std::move(sink);
}

std::string HexDump(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (const std::uint8_t b : bytes) {
        if (!out.empty()) {
            out += ' ';
        }
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out;
}

void LogTransfer(std::string_view what, std::span<const std::uint8_t> bytes) {
    if (!LogEnabled(LogLevel::Debug)) {
        return;
    }
    std::string line(what);
    line += " [" + std::to_string(bytes.size()) + "]: " + HexDump(bytes);
    Log(LogLevel::Debug, line);
}

}  // namespace veltra
