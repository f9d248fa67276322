#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/json.h"

// Whatever parses must write back to text that parses to the same value.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto value = veltra::ParseJson(text);
    if (value) {
        const auto again = veltra::ParseJson(veltra::WriteJson(*value));
        if (!again || !(*again == *value)) {
            __builtin_trap();
        }
    }
    return 0;
}
