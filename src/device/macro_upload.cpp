#include "device/macro_upload.h"

#include <algorithm>

#include "settings/key_codes.h"

namespace veltra {
namespace {

constexpr std::uint8_t kLastEvent = 0x80;

struct KindCode {
    std::uint8_t kind = 0;
    std::uint8_t code = 0;
    std::uint8_t sign_bits = 0;  // OR-ed into event byte 1 (MoveXY direction)
    bool counted = true;
};

bool IsModifierVk(int value) {
    return value >= 224 && value <= 231;
}

KindCode Encode(const MacroSourceRecord& r) {
    const auto low = static_cast<std::uint8_t>(r.value & 0xFF);
    switch (static_cast<MacroRecordType>(r.type)) {
        case MacroRecordType::KeyDown:
            return {IsModifierVk(r.value) ? std::uint8_t{0x41} : std::uint8_t{0x42},
                    static_cast<std::uint8_t>(VkToUsage(r.value)), 0, true};
        case MacroRecordType::KeyUp:
            return {IsModifierVk(r.value) ? std::uint8_t{0x01} : std::uint8_t{0x02},
                    static_cast<std::uint8_t>(VkToUsage(r.value)), 0, true};
        case MacroRecordType::MouseDown:
        case MacroRecordType::MouseUp:
            if (r.desc.find("Scroll Up") != std::string::npos) {
                return {0x44, 0x01, 0, true};
            }
            if (r.desc.find("Scroll Down") != std::string::npos) {
                return {0x44, 0xFF, 0, true};
            }
            return {static_cast<MacroRecordType>(r.type) == MacroRecordType::MouseDown
                        ? std::uint8_t{0x43}
                        : std::uint8_t{0x03},
                    low, 0, true};
        case MacroRecordType::ScrollUp:
            return {0x44, 0x01, 0, true};
        case MacroRecordType::ScrollDown:
            return {0x44, 0xFF, 0, true};
        case MacroRecordType::MoveUp:
        case MacroRecordType::MoveDown:
        case MacroRecordType::MoveLeft:
        case MacroRecordType::MoveRight:
            return {0x06, low, 0, true};
        case MacroRecordType::MoveXY: {
            const int x = r.value & 0xFF;
            const int y = (r.value >> 8) & 0xFF;
            const auto sign =
                static_cast<std::uint8_t>(((x & 0x80) ? 0x80 : 0) | ((y & 0x80) ? 0x40 : 0));
            return {0x06, static_cast<std::uint8_t>(((y & 0x0F) | (x << 4)) & 0xFF), sign, true};
        }
        case MacroRecordType::Delay:
            break;
    }
    // Unknown record types still take a slot so the positions of later events do not shift.
    return {0, 0, 0, false};
}

void OrDelay(std::uint8_t* slot, int delay) {
    slot[0] |= static_cast<std::uint8_t>(delay & 0xFF);
    slot[1] |= static_cast<std::uint8_t>((delay >> 8) & 0xFF);
}

void PutU16(std::uint8_t* at, std::size_t value) {
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

std::size_t GetU16(const std::uint8_t* at) {
    return static_cast<std::size_t>(at[0] | at[1] << 8);
}

}  // namespace

MacroImage BuildMacroBuffer(const std::vector<MacroSource>& macros) {
    MacroImage image;
    auto& buf = image.buffer;
    std::size_t offset = kMacroDirectorySize;
    for (std::size_t i = 0; i < macros.size(); ++i) {
        if (i >= kMacroDirectoryEntries) {
            image.truncated = true;
            break;
        }
        const MacroSource& macro = macros[i];
        std::uint8_t* entry = &buf[4 * i];
        PutU16(entry, offset);
        std::size_t count = 0;
        int pending = 1;
        const bool fixed = macro.delay_type == kFixedDelay;
        for (std::size_t r = 0; r < macro.records.size(); ++r) {
            const MacroSourceRecord& record = macro.records[r];
            const bool last = r + 1 == macro.records.size();
            if (offset + 4 > kMacroBufferSize) {
                image.truncated = true;
                break;
            }
            std::uint8_t* slot = &buf[offset];
            if (static_cast<MacroRecordType>(record.type) == MacroRecordType::Delay) {
                pending = fixed ? macro.delay_time : pending + record.value;
                if (last) {
                    OrDelay(slot, pending);
                    slot[2] |= kLastEvent;
                    // The trailing slot is kept apart from the next macro's first event.
                    offset += 4;
                }
                continue;
            }
            if (offset > kMacroDirectorySize) {
                OrDelay(slot, fixed ? macro.delay_time : (pending < 1 ? 10 : pending));
            }
            const KindCode kc = Encode(record);
            slot[1] |= kc.sign_bits;
            slot[2] = static_cast<std::uint8_t>(kc.kind | (last ? kLastEvent : 0));
            slot[3] = kc.code;
            if (kc.counted) {
                ++count;
                PutU16(entry + 2, count);
            }
            offset += 4;
            pending = 0;
        }
        image.encoded_macros = i + 1;
    }
    image.length = offset;
    return image;
}

std::vector<Frame> BuildMacroChunks(const MacroImage& image) {
    const std::size_t total = std::min(image.length, kMacroSendLimit);
    const std::size_t chunks = total / kMacroChunkSize + 1;
    std::vector<Frame> frames;
    frames.reserve(chunks);
    for (std::size_t c = 0; c < chunks; ++c) {
        Frame frame = BuildCommandFrame(Command::WriteMacroChunk);
        const std::size_t start = kMacroChunkSize * c;
        frame[1 + 3] = 0x06;
        frame[1 + 4] = static_cast<std::uint8_t>(start & 0xFF);
        frame[1 + 5] = c + 1 == chunks ? static_cast<std::uint8_t>(total % kMacroChunkSize)
                                       : static_cast<std::uint8_t>((start >> 8) & 0xFF);
        std::copy(image.buffer.begin() + start, image.buffer.begin() + start + kMacroChunkSize,
                  frame.begin() + 1 + 6);
        frames.push_back(frame);
    }
    return frames;
}

std::size_t MacrosWithinSendLimit(const MacroImage& image) {
    std::size_t fitting = 0;
    for (std::size_t i = 0; i < image.encoded_macros; ++i) {
        // A macro ends where the next one starts; the last one at the final offset.
        const std::size_t end =
            i + 1 < image.encoded_macros ? GetU16(&image.buffer[4 * (i + 1)]) : image.length;
        if (end > kMacroSendLimit) {
            break;
        }
        fitting = i + 1;
    }
    return fitting;
}

}  // namespace veltra
