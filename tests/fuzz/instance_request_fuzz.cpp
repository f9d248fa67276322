#include <cstddef>
#include <cstdint>
#include <string_view>

#include "shell/instance_channel.h"

// Whatever a peer sends, the decoder answers with a request or an error, never both; an accepted
// request encodes back to a line that decodes to the same request, and the reply carrying an
// error decodes to that error.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const veltra::DecodedRequest decoded = veltra::DecodeInstanceRequest(line);
    if (decoded.request.has_value() == !decoded.error.empty()) {
        __builtin_trap();
    }
    if (decoded.request) {
        const auto again =
            veltra::DecodeInstanceRequest(veltra::EncodeInstanceRequest(*decoded.request));
        if (!again.request || !(*again.request == *decoded.request)) {
            __builtin_trap();
        }
    } else {
        const auto reply =
            veltra::DecodeInstanceReply(veltra::EncodeInstanceReply(false, decoded.error));
        if (!reply.valid || reply.ok || reply.error != decoded.error) {
            __builtin_trap();
        }
    }
    veltra::DecodeInstanceReply(line);
    return 0;
}
