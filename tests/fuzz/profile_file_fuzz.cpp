// Reads arbitrary bytes as a profile file and checks what the reader and the import rules promise:
// items within their limits, and every settings row a whole number within what the mouse holds.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/text.h"
#include "frontend/profile_file.h"
#include "frontend/setting_rules.h"

namespace {

void CheckSettings(const veltra::ProfileFileSettings& settings, int device_type) {
    for (const auto& [key, text] : settings.values) {
        const veltra::ImportedSetting imported = veltra::ImportSetting(key, text, device_type);
        for (const auto& [row_key, value] : imported.rows) {
            const std::optional<long> number = veltra::ParseInteger(value);
            if (!number || *number < 0 || *number > 0xFFFFFF) {
                __builtin_trap();
            }
            // Whatever the file said, the stored text is one the key's range holds.
            if (row_key.ends_with("_value") && (*number < 50 || *number > 255 * 100)) {
                __builtin_trap();
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const bool lighting : {false, true}) {
        veltra::ProfileFileError error = veltra::ProfileFileError::kNone;
        const auto file = veltra::ParseProfileFile(bytes, lighting, error);
        if (file.has_value() != (error == veltra::ProfileFileError::kNone)) {
            __builtin_trap();
        }
        if (!file) {
            continue;
        }
        if (!lighting && file->lighting) {
            __builtin_trap();
        }
        if (file->keys) {
            if (file->keys->size() > veltra::kMaxProfileFileItems) {
                __builtin_trap();
            }
            for (const veltra::KeyAssignment& key : *file->keys) {
                if (key.key_code < 0 || key.key_code > veltra::kMaxProfileFileKeyCode) {
                    __builtin_trap();
                }
            }
        }
        if (file->lighting && file->lighting->modes.size() > veltra::kMaxProfileFileItems) {
            __builtin_trap();
        }
        for (const int device_type : {101, 301}) {
            if (file->dpi) {
                CheckSettings(*file->dpi, device_type);
            }
            if (file->options) {
                CheckSettings(*file->options, device_type);
            }
        }
    }
    return 0;
}
