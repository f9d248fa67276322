// Reads arbitrary bytes as a macro file and checks what the reader promises: whatever the file
// said, every setting and step is one the upload can encode, and no more steps than a macro has.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/text.h"
#include "macro/macro_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    veltra::MacroFileError error = veltra::MacroFileError::kNone;
    const auto file = veltra::ParseMacroFile(bytes, error);
    if (file.has_value() != (error == veltra::MacroFileError::kNone)) {
        __builtin_trap();
    }
    if (!file) {
        return 0;
    }
    const veltra::MacroInfo& info = file->info;
    if (info.play_type < 0 || info.play_type > 3 || info.play_times < 1 ||
        info.play_times > veltra::kMaxMacroFilePlayTimes || info.delay_type < 0 ||
        info.delay_type > 2 || info.delay_time < 0 || info.delay_time > 0xFFFF ||
        veltra::Utf16Length(info.name) > veltra::kMaxMacroFileText) {
        __builtin_trap();
    }
    if (file->steps.size() > static_cast<std::size_t>(veltra::kRecordLimitAtStart)) {
        __builtin_trap();
    }
    for (const veltra::MacroStep& step : file->steps) {
        if (!veltra::IsMacroRecordType(step.type) || step.value < 0 || step.value > 0xFFFF ||
            veltra::Utf16Length(step.text) > veltra::kMaxMacroFileText) {
            __builtin_trap();
        }
        if (step.type != static_cast<int>(veltra::MacroRecordType::MoveXY) &&
            step.type != static_cast<int>(veltra::MacroRecordType::Delay) && step.value > 255) {
            __builtin_trap();
        }
    }
    return 0;
}
