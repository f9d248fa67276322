#pragma once

// The macro buffer the mouse plays macros from, and its chunked upload with command 0x06.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "device/command_protocol.h"
#include "macro/macro_records.h"

namespace veltra {

constexpr std::size_t kMacroBufferSize = 4224;
constexpr std::size_t kMacroDirectoryEntries = 32;
constexpr std::size_t kMacroDirectorySize = 4 * kMacroDirectoryEntries;
constexpr std::size_t kMacroSendLimit = 1000;
constexpr std::size_t kMacroChunkSize = 58;

// What the encoder needs of one stored macro and its records (in record_index order).
struct MacroSourceRecord {
    int type = 0;
    int value = 0;
    std::string desc;
};

struct MacroSource {
    int delay_type = 0;
    int delay_time = 0;
    std::vector<MacroSourceRecord> records;
};

struct MacroImage {
    std::array<std::uint8_t, kMacroBufferSize> buffer{};
    std::size_t length = kMacroDirectorySize;  // the final offset
    std::size_t encoded_macros = 0;            // at most 32; later macros get no entry
    bool truncated = false;  // the buffer or the directory ran out before everything fit
};

MacroImage BuildMacroBuffer(const std::vector<MacroSource>& macros);

// The chunk frames of an upload, in sending order; at most the first 1000 bytes are sent.
std::vector<Frame> BuildMacroChunks(const MacroImage& image);

// How many macros, from the first, have a directory entry and every event in the bytes sent.
std::size_t MacrosWithinSendLimit(const MacroImage& image);

}  // namespace veltra
