#pragma once

// Output report lengths from a HID report descriptor, counted the way the platform's HID
// capabilities count them: the largest output report's bytes plus one byte for the report id,
// which is sent even by interfaces that use no report ids (it is then 0). An interface without
// output reports has length 0.

#include <cstdint>
#include <map>
#include <span>

namespace veltra {

struct OutputReportLayout {
    bool uses_report_ids = false;
    // Output bits per report id (0 when the descriptor uses no ids).
    std::map<int, std::uint64_t> output_bits;
    // False when the descriptor ended inside an item; what came before still counts.
    bool complete = true;
};

// Never fails: hostile input (absurd sizes, unbalanced push/pop, truncation) gives a bounded
// result.
OutputReportLayout ParseOutputReports(std::span<const std::uint8_t> descriptor);

// Length in bytes, report id byte included, of the largest output report; 0 when none.
int OutputReportLength(const OutputReportLayout& layout);
int OutputReportLength(std::span<const std::uint8_t> descriptor);

}  // namespace veltra
