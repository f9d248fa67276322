#include "device/macro_upload.h"

#include <gtest/gtest.h>

namespace veltra {
namespace {

using T = MacroRecordType;

MacroSourceRecord Rec(T type, int value, std::string desc = {}) {
    return {static_cast<int>(type), value, std::move(desc)};
}

std::array<std::uint8_t, 4> Slot(const MacroImage& image, std::size_t offset) {
    return {image.buffer[offset], image.buffer[offset + 1], image.buffer[offset + 2],
            image.buffer[offset + 3]};
}

using Bytes = std::array<std::uint8_t, 4>;

TEST(MacroUploadTest, KeyPairWithRecordedDelay) {
    MacroSource m;
    m.delay_type = 1;
    m.records = {Rec(T::KeyDown, 65), Rec(T::Delay, 50), Rec(T::KeyUp, 65)};
    const MacroImage image = BuildMacroBuffer({m});
    EXPECT_EQ(Slot(image, 0), (Bytes{0x80, 0x00, 0x02, 0x00}));  // offset 128, count 2
    EXPECT_EQ(Slot(image, 128), (Bytes{0x00, 0x00, 0x42, 0x04}));
    EXPECT_EQ(Slot(image, 132), (Bytes{0x32, 0x00, 0x82, 0x04}));
    EXPECT_EQ(image.length, 136u);
}

TEST(MacroUploadTest, FixedDelayReplacesRecordedPauses) {
    MacroSource m;
    m.delay_type = kFixedDelay;
    m.delay_time = 20;
    m.records = {Rec(T::KeyDown, 65), Rec(T::Delay, 50), Rec(T::KeyUp, 65)};
    const MacroImage image = BuildMacroBuffer({m});
    EXPECT_EQ(Slot(image, 132), (Bytes{0x14, 0x00, 0x82, 0x04}));
}

TEST(MacroUploadTest, MissingPausesBecomeTenThenOneForTheNextMacro) {
    MacroSource first;
    first.records = {Rec(T::MouseDown, 1), Rec(T::MouseUp, 1)};
    MacroSource second;
    second.records = {Rec(T::ScrollUp, 1)};
    const MacroImage image = BuildMacroBuffer({first, second});
    EXPECT_EQ(Slot(image, 128), (Bytes{0x00, 0x00, 0x43, 0x01}));
    EXPECT_EQ(Slot(image, 132), (Bytes{0x0A, 0x00, 0x83, 0x01}));
    EXPECT_EQ(Slot(image, 4), (Bytes{136, 0x00, 0x01, 0x00}));
    EXPECT_EQ(Slot(image, 136), (Bytes{0x01, 0x00, 0xC4, 0x01}));
}

TEST(MacroUploadTest, EventKinds) {
    MacroSource m;
    m.records = {Rec(T::MouseDown, 3, "Scroll Down"),
                 Rec(T::MouseUp, 3, "Scroll Up"),
                 Rec(T::ScrollDown, 255),
                 Rec(T::MoveXY, 0x0283),
                 Rec(T::MoveXY, 0x8201),
                 Rec(T::MoveLeft, 5),
                 Rec(T::KeyDown, 160),  // left Shift by its own virtual-key code
                 Rec(T::KeyUp, 225),    // 224..231 is tested on the stored value
                 Rec(T::KeyDown, 223),
                 Rec(T::KeyDown, 224),
                 Rec(T::KeyDown, 231),
                 Rec(T::KeyUp, 232)};
    const MacroImage image = BuildMacroBuffer({m});
    EXPECT_EQ(Slot(image, 128)[2], 0x44);
    EXPECT_EQ(Slot(image, 128)[3], 0xFF);
    EXPECT_EQ(Slot(image, 132)[3], 0x01);
    EXPECT_EQ(Slot(image, 136)[3], 0xFF);
    EXPECT_EQ(Slot(image, 140), (Bytes{0x0A, 0x80, 0x06, 0x32}));
    EXPECT_EQ(Slot(image, 144), (Bytes{0x0A, 0x40, 0x06, 0x12}));
    EXPECT_EQ(Slot(image, 148), (Bytes{0x0A, 0x00, 0x06, 0x05}));
    EXPECT_EQ(Slot(image, 152)[2], 0x42);
    EXPECT_EQ(Slot(image, 156)[2], 0x01);
    EXPECT_EQ(Slot(image, 160)[2], 0x42);
    EXPECT_EQ(Slot(image, 164)[2], 0x41);
    EXPECT_EQ(Slot(image, 168)[2], 0x41);
    EXPECT_EQ(Slot(image, 172)[2], 0x82);
}

TEST(MacroUploadTest, UnknownRecordTakesASlotButIsNotCounted) {
    MacroSource m;
    m.records = {Rec(T::KeyDown, 65), {99, 7, {}}, Rec(T::KeyUp, 65)};
    const MacroImage image = BuildMacroBuffer({m});
    EXPECT_EQ(Slot(image, 0), (Bytes{0x80, 0x00, 0x02, 0x00}));
    EXPECT_EQ(Slot(image, 132), (Bytes{0x0A, 0x00, 0x00, 0x00}));
    EXPECT_EQ(image.length, 140u);
}

TEST(MacroUploadTest, TrailingDelayKeepsItsOwnSlot) {
    MacroSource first;
    first.records = {Rec(T::KeyDown, 65), Rec(T::Delay, 300)};
    MacroSource second;
    second.records = {Rec(T::KeyDown, 66)};
    const MacroImage image = BuildMacroBuffer({first, second});
    EXPECT_EQ(Slot(image, 0), (Bytes{128, 0x00, 0x01, 0x00}));
    EXPECT_EQ(Slot(image, 132), (Bytes{0x2C, 0x01, 0x80, 0x00}));  // 300 ms, end flag
    EXPECT_EQ(Slot(image, 4), (Bytes{136, 0x00, 0x01, 0x00}));
    EXPECT_EQ(Slot(image, 136), (Bytes{0x01, 0x00, 0xC2, 0x05}));

    // With a fixed delay the trailing slot carries that delay, not the recorded one.
    first.delay_type = kFixedDelay;
    first.delay_time = 20;
    EXPECT_EQ(Slot(BuildMacroBuffer({first}), 132), (Bytes{0x14, 0x00, 0x80, 0x00}));
}

TEST(MacroUploadTest, EmptyMacroKeepsCountZeroAndItsOffset) {
    MacroSource empty;
    MacroSource next;
    next.records = {Rec(T::ScrollUp, 1)};
    const MacroImage image = BuildMacroBuffer({empty, next});
    EXPECT_EQ(Slot(image, 0), (Bytes{128, 0, 0, 0}));
    EXPECT_EQ(Slot(image, 4), (Bytes{128, 0, 1, 0}));
}

TEST(MacroUploadTest, NeverWritesPastTheDirectoryOrTheBuffer) {
    MacroSource one;
    one.records = {Rec(T::ScrollUp, 1)};
    const MacroImage many = BuildMacroBuffer(std::vector<MacroSource>(40, one));
    EXPECT_EQ(many.encoded_macros, 32u);
    EXPECT_TRUE(many.truncated);
    EXPECT_EQ(many.length, 128u + 32 * 4);
    EXPECT_EQ(many.buffer[128 + 32 * 4], 0);  // the 33rd macro left no event behind

    MacroSource huge;
    huge.records.assign(2000, Rec(T::ScrollDown, 255));
    const MacroImage full = BuildMacroBuffer({huge});
    EXPECT_TRUE(full.truncated);
    EXPECT_EQ(full.length, kMacroBufferSize);
    EXPECT_EQ(Slot(full, 0)[2] | Slot(full, 0)[3] << 8, (4224 - 128) / 4);
}

TEST(MacroUploadTest, ChunksCarryOffsetAndLastValidCount) {
    MacroImage image;
    image.length = 128;  // empty store: the directory alone
    auto frames = BuildMacroChunks(image);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0][1 + 2], 0x06);
    EXPECT_EQ(frames[0][1 + 3], 0x06);
    EXPECT_EQ(frames[1][1 + 4], 58);
    EXPECT_EQ(frames[2][1 + 4], 116);
    EXPECT_EQ(frames[2][1 + 5], 12);

    image.length = 464;
    frames = BuildMacroChunks(image);
    ASSERT_EQ(frames.size(), 9u);
    EXPECT_EQ(frames[8][1 + 4], 0xD0);
    EXPECT_EQ(frames[8][1 + 5], 0);

    image.length = 1800;
    for (std::size_t i = 0; i < image.buffer.size(); ++i) {
        image.buffer[i] = static_cast<std::uint8_t>(i);
    }
    frames = BuildMacroChunks(image);
    ASSERT_EQ(frames.size(), 18u);
    EXPECT_EQ(frames[17][1 + 4], 0xDA);
    EXPECT_EQ(frames[17][1 + 5], 14);
    EXPECT_EQ(frames[4][1 + 5], (58 * 4) >> 8);
    EXPECT_EQ(frames[5][1 + 6], static_cast<std::uint8_t>(58 * 5));
    EXPECT_EQ(frames[5][1 + 5], 1);  // offset 290
    EXPECT_EQ(frames[9][1 + 4], 522 & 0xFF);
    EXPECT_EQ(frames[9][1 + 5], 2);  // offset 522
}

TEST(MacroUploadTest, MacrosCountAsSentWhenTheirLastEventIsInTheFirstThousandBytes) {
    MacroSource fits;  // 218 events end exactly at byte 1000
    fits.records.assign(218, Rec(T::ScrollUp, 1));
    MacroSource empty;
    MacroSource beyond;
    beyond.records = {Rec(T::ScrollUp, 1)};
    EXPECT_EQ(MacrosWithinSendLimit(BuildMacroBuffer({fits})), 1u);
    // An empty macro takes no byte; the one after it lies past the limit.
    EXPECT_EQ(MacrosWithinSendLimit(BuildMacroBuffer({fits, empty, beyond})), 2u);
    fits.records.push_back(Rec(T::ScrollUp, 1));
    EXPECT_EQ(MacrosWithinSendLimit(BuildMacroBuffer({fits, beyond})), 0u);
    EXPECT_EQ(MacrosWithinSendLimit(BuildMacroBuffer({})), 0u);

    // Past the 32 directory entries nothing is sent, however small.
    EXPECT_EQ(MacrosWithinSendLimit(BuildMacroBuffer(std::vector<MacroSource>(40, beyond))), 32u);
}

}  // namespace
}  // namespace veltra
