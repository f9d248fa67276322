#pragma once

// The messages of the bridge protocol (version 1): one JSON object per line, byte strings as
// hexadecimal text. Shared by the bridge client and the recorder, whose captures use the same
// messages so that a peer can serve them back.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/json.h"
#include "device/hid_port.h"

namespace veltra::bridge {

constexpr int kVersion = 1;

// Lower-case hex; decoding accepts either case and fails on odd length or other characters.
std::string HexEncode(std::span<const std::uint8_t> bytes);
std::optional<std::vector<std::uint8_t>> HexDecode(std::string_view text);

Json HelloRequest();
Json EnumerateRequest();
Json OpenRequest(const std::string& path);
Json WriteRequest(std::int64_t handle, std::span<const std::uint8_t> data);
Json ReadRequest(std::int64_t handle, std::size_t length, int timeout_ms);
Json CloseRequest(std::int64_t handle);
Json WatchRequest();

Json InterfaceToJson(const HidInterfaceInfo& info);
// Fails when a field is missing, of the wrong type or out of range.
std::optional<HidInterfaceInfo> InterfaceFromJson(const Json& value);

Json EnumerateAnswer(const std::vector<HidInterfaceInfo>& interfaces);
Json HandleAnswer(std::int64_t handle);
Json ResultAnswer(std::int64_t result);
// A read's answer: the data (empty after a time-out), or result -1 when `count` is negative.
Json ReadAnswer(std::span<const std::uint8_t> data, int count);

}  // namespace veltra::bridge
