#include <cstddef>
#include <cstdint>
#include <span>

#include "device/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const veltra::OutputReportLayout layout = veltra::ParseOutputReports(std::span(data, size));
    const int length = veltra::OutputReportLength(layout);
    if (length < 0 || length > 65536 + 1) {
        __builtin_trap();
    }
    return 0;
}
