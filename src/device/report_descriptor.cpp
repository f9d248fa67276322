#include "device/report_descriptor.h"

#include <algorithm>
#include <vector>

namespace veltra {
namespace {

// Larger reports do not exist on any bus HID runs over; the cap keeps the sums from overflowing.
constexpr std::uint64_t kMaxReportBits = 8ull * 65536;
constexpr std::size_t kMaxPushDepth = 32;

enum ItemType { kMain = 0, kGlobal = 1, kLocal = 2 };

constexpr int kTagOutput = 0x9;
constexpr int kTagReportSize = 0x7;
constexpr int kTagReportId = 0x8;
constexpr int kTagReportCount = 0x9;
constexpr int kTagPush = 0xA;
constexpr int kTagPop = 0xB;
constexpr std::uint8_t kLongItemPrefix = 0xFE;

struct GlobalState {
    std::uint32_t report_size = 0;
    std::uint32_t report_count = 0;
    int report_id = 0;
};

}  // namespace

OutputReportLayout ParseOutputReports(std::span<const std::uint8_t> descriptor) {
    OutputReportLayout layout;
    GlobalState state;
    std::vector<GlobalState> stack;
    std::size_t pos = 0;
    while (pos < descriptor.size()) {
        const std::uint8_t prefix = descriptor[pos];
        if (prefix == kLongItemPrefix) {
            if (descriptor.size() - pos < 3) {
                layout.complete = false;
                break;
            }
            const std::size_t length = descriptor[pos + 1];
            if (descriptor.size() - pos - 3 < length) {
                layout.complete = false;
                break;
            }
            pos += 3 + length;
            continue;
        }
        static constexpr std::size_t kSizes[4] = {0, 1, 2, 4};
        const std::size_t size = kSizes[prefix & 0x3];
        const int type = (prefix >> 2) & 0x3;
        const int tag = prefix >> 4;
        if (descriptor.size() - pos - 1 < size) {
            layout.complete = false;
            break;
        }
        std::uint32_t data = 0;
        for (std::size_t i = 0; i < size; ++i) {
            data |= static_cast<std::uint32_t>(descriptor[pos + 1 + i]) << (8 * i);
        }
        pos += 1 + size;

        if (type == kGlobal) {
            switch (tag) {
                case kTagReportSize:
                    state.report_size = data;
                    break;
                case kTagReportCount:
                    state.report_count = data;
                    break;
                case kTagReportId:
                    layout.uses_report_ids = true;
                    state.report_id = static_cast<int>(data & 0xFF);
                    break;
                case kTagPush:
                    if (stack.size() < kMaxPushDepth) {
                        stack.push_back(state);
                    }
                    break;
                case kTagPop:
                    if (!stack.empty()) {
                        state = stack.back();
                        stack.pop_back();
                    }
                    break;
                default:
                    break;
            }
        } else if (type == kMain && tag == kTagOutput) {
            const std::uint64_t bits =
                static_cast<std::uint64_t>(state.report_size) * state.report_count;
            std::uint64_t& total = layout.output_bits[state.report_id];
            total = std::min(kMaxReportBits, total + std::min(bits, kMaxReportBits));
        }
    }
    return layout;
}

int OutputReportLength(const OutputReportLayout& layout) {
    std::uint64_t longest = 0;
    for (const auto& [id, bits] : layout.output_bits) {
        longest = std::max(longest, bits);
    }
    if (layout.output_bits.empty()) {
        return 0;
    }
    return static_cast<int>((longest + 7) / 8) + 1;
}

int OutputReportLength(std::span<const std::uint8_t> descriptor) {
    return OutputReportLength(ParseOutputReports(descriptor));
}

}  // namespace veltra
