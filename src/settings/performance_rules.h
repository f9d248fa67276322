#pragma once

// The idle-light and sleep times of the performance settings, for every front end. The mouse
// carries only codes (three bits of config byte 4 for the idle-light time, two of byte 5 for the
// sleep time); the codes stand for these numbers of seconds, which are shown followed by the
// language's unit text ("5" and text 545 read "5s").

#include <array>

namespace veltra {

inline constexpr std::array<int, 8> kIdleLightSeconds = {5, 10, 15, 20, 25, 30, 35, 40};
inline constexpr std::array<int, 4> kSleepSeconds = {10, 60, 120, 180};

inline constexpr int kIdleLightUnitText = 545;
inline constexpr int kSleepUnitText = 544;

// The seconds a `sleep_light` or `spare_time` code stands for; only the bits the mouse carries
// count, as in the config block.
constexpr int IdleLightSeconds(int code) {
    return kIdleLightSeconds[static_cast<unsigned>(code) & 7];
}
constexpr int SleepSeconds(int code) {
    return kSleepSeconds[static_cast<unsigned>(code) & 3];
}

}  // namespace veltra
