#pragma once

// The one logging point of the core. Off by default; VELTRA_LOG=error|warning|info|debug turns
// it on for the process. Lines go to stderr unless a sink is installed (tests, the GUI).

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace veltra {

enum class LogLevel { Off = 0, Error = 1, Warning = 2, Info = 3, Debug = 4 };

// The level in force; read from VELTRA_LOG on first use.
LogLevel CurrentLogLevel();
void SetLogLevel(LogLevel level);
bool LogEnabled(LogLevel level);

// Writes one line when `level` is enabled.
void Log(LogLevel level, std::string_view text);

// Replaces the destination of log lines; an empty function restores stderr.
using LogSink = std::function<void(LogLevel, std::string_view)>;
void SetLogSink(LogSink sink);

// "00 55 AA 01" style rendering of a transfer.
std::string HexDump(std::span<const std::uint8_t> bytes);

// Debug line "<what> [n]: <hex>" for one HID transfer; cheap when debug is off.
void LogTransfer(std::string_view what, std::span<const std::uint8_t> bytes);

}  // namespace veltra
