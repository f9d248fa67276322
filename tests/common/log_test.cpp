#include "common/log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace veltra {
namespace {

TEST(Log, TransfersAreHexDumpedAtDebugLevelOnly) {
    std::vector<std::string> lines;
    SetLogSink([&](LogLevel, std::string_view text) { lines.emplace_back(text); });
    const LogLevel before = CurrentLogLevel();
    const std::uint8_t bytes[] = {0x00, 0x55, 0xAA, 0x0F};

    SetLogLevel(LogLevel::Info);
    LogTransfer("hid write", bytes);
    Log(LogLevel::Info, "shown");
    Log(LogLevel::Debug, "hidden");
    SetLogLevel(LogLevel::Debug);
    LogTransfer("hid write", bytes);
    SetLogLevel(LogLevel::Off);
    Log(LogLevel::Error, "off means off");

    SetLogLevel(before);
    SetLogSink(nullptr);
    EXPECT_EQ(lines, (std::vector<std::string>{"shown", "hid write [4]: 00 55 AA 0F"}));
}

}  // namespace
}  // namespace veltra
