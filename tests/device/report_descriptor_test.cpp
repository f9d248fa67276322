#include "device/report_descriptor.h"

#include <gtest/gtest.h>

#include <vector>

namespace veltra {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Vendor page, one 64-byte input and one 64-byte output report, no report ids.
const Bytes kVendor64 = {
    0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
    0x09, 0x01,        // Usage
    0xA1, 0x01,        // Collection (application)
    0x15, 0x00,        // Logical Minimum 0
    0x26, 0xFF, 0x00,  // Logical Maximum 255
    0x75, 0x08,        // Report Size 8
    0x95, 0x40,        // Report Count 64
    0x09, 0x01,        // Usage
    0x81, 0x02,        // Input
    0x09, 0x01,        // Usage
    0x91, 0x02,        // Output
    0xC0,              // End Collection
};

// A 48-byte output report with id 6 next to a shorter one with id 2.
const Bytes kShortForm = {
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,                    //
    0x85, 0x02, 0x75, 0x08, 0x95, 0x08, 0x09, 0x01, 0x91, 0x02,  // id 2: 8 bytes
    0x85, 0x06, 0x75, 0x08, 0x95, 0x30, 0x09, 0x01, 0x91, 0x02,  // id 6: 48 bytes
    0x95, 0x30, 0x09, 0x01, 0x81, 0x02,                          // input, not counted
    0xC0,
};

// A boot-protocol mouse as HID defines it: inputs only.
const Bytes kBootMouse = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19,
    0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02,
    0x95, 0x01, 0x75, 0x05, 0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15,
    0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0,
};

TEST(ReportDescriptor, RealShapedDescriptors) {
    EXPECT_EQ(OutputReportLength(kVendor64), 65);
    EXPECT_EQ(OutputReportLength(kShortForm), 49);
    EXPECT_EQ(OutputReportLength(kBootMouse), 0);
    EXPECT_EQ(OutputReportLength(Bytes{}), 0);

    const OutputReportLayout layout = ParseOutputReports(kShortForm);
    EXPECT_TRUE(layout.uses_report_ids);
    EXPECT_TRUE(layout.complete);
    EXPECT_EQ(layout.output_bits.at(2), 64u);
    EXPECT_EQ(layout.output_bits.at(6), 384u);
}

TEST(ReportDescriptor, BitFieldsRoundUpAndItemsOfOneReportAdd) {
    // Keyboard LEDs: 5 bits plus 3 bits of padding, then a 12-bit field: 20 bits -> 3 bytes.
    const Bytes leds = {0x75, 0x01, 0x95, 0x05, 0x91, 0x02, 0x75, 0x03, 0x95,
                        0x01, 0x91, 0x01, 0x75, 0x0C, 0x95, 0x01, 0x91, 0x02};
    EXPECT_EQ(OutputReportLength(leds), 4);
}

TEST(ReportDescriptor, PushAndPopRestoreSizeAndCount) {
    const Bytes d = {
        0x75, 0x08, 0x95, 0x10,  // 16 bytes
        0xA4,                    // Push
        0x75, 0x01, 0x95, 0x01,  // 1 bit
        0x91, 0x02,              //
        0xB4,                    // Pop: back to 16 bytes
        0x91, 0x02,              //
        0xB4, 0xB4,              // unbalanced pops are ignored
        0x91, 0x02,
    };
    const OutputReportLayout layout = ParseOutputReports(d);
    EXPECT_EQ(layout.output_bits.at(0), 1u + 128u + 128u);
}

TEST(ReportDescriptor, LongItemsAreSkipped) {
    Bytes d = {0xFE, 0x03, 0x10, 0x91, 0x02, 0x95};  // a long item whose data looks like Output
    d.insert(d.end(), {0x75, 0x08, 0x95, 0x02, 0x91, 0x02});
    EXPECT_EQ(OutputReportLength(d), 3);
}

TEST(ReportDescriptor, TruncatedAndHostileInputStaysBounded) {
    Bytes truncated = kVendor64;
    truncated.resize(truncated.size() - 4);
    truncated.push_back(0x96);  // Report Count with two data bytes, only one present
    truncated.push_back(0x01);
    const OutputReportLayout layout = ParseOutputReports(truncated);
    EXPECT_FALSE(layout.complete);
    EXPECT_EQ(OutputReportLength(layout), 0);  // the output item was cut off

    EXPECT_FALSE(ParseOutputReports(Bytes{0xFE, 0x05, 0x00, 0x01}).complete);
    EXPECT_FALSE(ParseOutputReports(Bytes{0xFE}).complete);

    // Four-byte sizes and counts cannot overflow the length.
    Bytes huge = {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF};
    for (int i = 0; i < 8; ++i) {
        huge.insert(huge.end(), {0x91, 0x02});
    }
    EXPECT_EQ(OutputReportLength(huge), 65536 + 1);

    Bytes deep(1000, 0xA4);  // pushes without end
    deep.insert(deep.end(), {0x75, 0x08, 0x95, 0x01, 0x91, 0x02});
    EXPECT_EQ(OutputReportLength(deep), 2);
}

}  // namespace
}  // namespace veltra
