// Reads arbitrary bytes as a language file and looks a few keys up.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/text.h"
#include "config/language.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = veltra::DecodeLanguageFile(bytes);
    if (!veltra::IsValidUtf8(text)) {
        __builtin_trap();  // decoding must always deliver UTF-8
    }
    for (const char* key : {"1", "60", "259", ""}) {
        std::string value;
        if (veltra::FindProfileString(text, "LAN", key, value)) {
            veltra::TruncateUtf16(value, veltra::kMaxLangTextLength);
        }
    }
    return 0;
}
