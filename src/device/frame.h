#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace veltra {

// Every exchange uses a 65-byte frame: the report id byte followed by the 64-byte payload.
constexpr std::size_t kFrameSize = 65;
using Frame = std::array<std::uint8_t, kFrameSize>;

}  // namespace veltra
