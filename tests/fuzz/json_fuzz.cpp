#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/json.h"

// The decoder's limits hold for any input, and whatever it accepts encodes back to text that
// decodes to the same value.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto value = veltra::DecodeJson(text);
    if (value) {
        const auto again = veltra::DecodeJson(veltra::EncodeJson(*value));
        if (!again || *again != *value) {
            __builtin_trap();
        }
    }
    return 0;
}
