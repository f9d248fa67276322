#include "sim/firmware_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

namespace veltra::sim {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

std::vector<std::uint8_t> Request(std::uint8_t command, std::uint8_t length = 0) {
    std::vector<std::uint8_t> payload(kPayloadSize, 0);
    payload[0] = 0x55;
    payload[1] = 0xAA;
    payload[2] = command;
    payload[3] = length;
    return payload;
}

// A config write built from the block the mouse reported, as a host does it.
std::vector<std::uint8_t> ConfigWrite(const Payload& block, std::uint8_t length) {
    std::vector<std::uint8_t> payload(block.begin(), block.end());
    payload[2] = 0x02;
    payload[3] = length;
    payload[63] = 0;
    return payload;
}

TEST(FirmwareModelTest, StatusAnswerCarriesPowerFlagsAndBattery) {
    FirmwareModel mouse;
    mouse.SetBatteryLevel(37);
    mouse.SetPower(true, false);
    auto answers = mouse.Receive(Request(0x00));
    ASSERT_EQ(answers.size(), 1u);
    Payload expected{};
    const std::vector<std::uint8_t> head = {0x55, 0xAA, 0x00, 0x1C, 0x80, 37, 0x01, 0x05, 0x33};
    std::copy(head.begin(), head.end(), expected.begin());
    EXPECT_EQ(answers[0], expected);

    mouse.SetPower(true, true);
    EXPECT_EQ(mouse.Receive(Request(0x00))[0][4], 0xC0);
    mouse.SetPower(false, false);
    EXPECT_EQ(mouse.Receive(Request(0x00))[0][4], 0x00);
}

TEST(FirmwareModelTest, FactoryConfigAnswerFollowsTheBlockLayout) {
    FirmwareModel mouse;
    auto answers = mouse.Receive(Request(0x01));
    ASSERT_EQ(answers.size(), 1u);
    const Payload& block = answers[0];
    EXPECT_THAT(std::vector<std::uint8_t>(block.begin(), block.begin() + 6),
                ElementsAre(0x55, 0xAA, 0x01, 0x20, 0x28, 0x05));
    EXPECT_EQ(block[6], 0x00);  // no custom keys
    EXPECT_EQ(block[23], 0x1F);
    // Colour indices 1, 2, 3, 6, 8, 11, 13, 0 spread over four bit planes.
    EXPECT_THAT(std::vector<std::uint8_t>(block.begin() + 24, block.begin() + 36),
                ElementsAre(0x65, 0x2E, 0x48, 0x70, 8, 16, 32, 48, 64, 96, 128, 100));
    EXPECT_EQ(block[36], 36);
    EXPECT_EQ(block[62], 62);
    EXPECT_EQ(block[63], 0);

    EXPECT_EQ(mouse.ReportRateCode(), 0);
    EXPECT_EQ(mouse.IdleLightCode(), 2);
    EXPECT_EQ(mouse.ActiveDpiLevel(), 1);
    EXPECT_EQ(mouse.SleepCode(), 1);
    EXPECT_TRUE(mouse.LightingEnabled());
    EXPECT_FALSE(mouse.KeyWakeup());
    EXPECT_FALSE(mouse.GameMode());
    const std::vector<int> colours = {1, 2, 3, 6, 8, 11, 13, 0};
    const std::vector<int> dpi = {400, 800, 1600, 2400, 3200, 4800, 6400, 10000};
    for (int level = 0; level < kDpiLevels; ++level) {
        EXPECT_EQ(mouse.ColourIndex(level), colours[level]) << level;
        EXPECT_EQ(mouse.DpiValue(level), dpi[level]) << level;
    }

    FirmwareModel long_block(FirmwareOptions{.config_length = 0x21});
    EXPECT_EQ(long_block.Receive(Request(0x01))[0][3], 0x21);
}

TEST(FirmwareModelTest, ConfigWriteAppliesOnlyTheAnnouncedBytes) {
    FirmwareModel mouse;
    auto write = ConfigWrite(mouse.ConfigBlock(), 0x20);
    write[4] = (5 << 5) | (3 << 2) | 2;
    write[5] = 0xE0 | (1 << 4) | (1 << 3) | 3;  // bits 5-7 are not the host's to set
    write[6] = 0x0A;
    write[9] = 0x01;
    write[10] = 0xF0;
    write[13] = 0x02;
    write[14] = 0x04;
    write[35] = 128;
    write[36] = 0xEE;  // beyond 0x20 data bytes
    EXPECT_THAT(mouse.Receive(write), IsEmpty());

    EXPECT_EQ(mouse.ActiveDpiLevel(), 5);
    EXPECT_EQ(mouse.IdleLightCode(), 3);
    EXPECT_EQ(mouse.ReportRateCode(), 2);
    EXPECT_EQ(mouse.ConfigBlock()[5], 0x1B);
    EXPECT_FALSE(mouse.LightingEnabled());
    EXPECT_TRUE(mouse.KeyWakeup());
    EXPECT_TRUE(mouse.GameMode());
    EXPECT_EQ(mouse.KeyMask(), 0x0A);
    EXPECT_THAT(mouse.KeySlot(1), ElementsAre(0x01, 0xF0));
    EXPECT_THAT(mouse.KeySlot(3), ElementsAre(0x02, 0x04));
    EXPECT_THAT(mouse.KeySlot(0), ElementsAre(0, 0));
    EXPECT_EQ(mouse.DpiValue(7), 12800);
    EXPECT_EQ(mouse.ConfigBlock()[36], 36);
    EXPECT_EQ(mouse.ConfigBlock()[2], 0x01);

    write[3] = 0x21;
    mouse.Receive(write);
    EXPECT_EQ(mouse.ConfigBlock()[36], 0xEE);
    EXPECT_EQ(mouse.ConfigBlock()[3], 0x20);  // the answer keeps the mouse's own length
    EXPECT_EQ(mouse.RejectedFrames(), 0);
}

TEST(FirmwareModelTest, ConfigWriteRefusesBadLengthAndKeepsTheDpiCycle) {
    FirmwareModel mouse;
    const Payload factory = mouse.ConfigBlock();
    auto write = ConfigWrite(factory, 0x1F);
    write[4] = 0xFF;
    mouse.Receive(write);
    EXPECT_EQ(mouse.ConfigBlock(), factory);
    EXPECT_EQ(mouse.RejectedFrames(), 1);

    // A write made before the host read anything carries zeros everywhere it does not own.
    auto blank = Request(0x02, 0x20);
    blank[28] = 16;
    mouse.Receive(blank);
    EXPECT_EQ(mouse.DpiEnableMask(), 0x1F);
    EXPECT_EQ(mouse.DpiValue(0), 800);
    EXPECT_EQ(mouse.ConfigBlock()[19], 0);
}

TEST(FirmwareModelTest, ShortFormWriteNeverSeesTheMissingBytes) {
    FirmwareModel mouse;
    auto write = ConfigWrite(mouse.ConfigBlock(), 0x21);
    write[29] = 20;
    write.resize(48);
    mouse.Receive(write);
    EXPECT_EQ(mouse.DpiValue(1), 1000);
    ASSERT_EQ(mouse.ReceivedFrames().size(), 1u);
    EXPECT_EQ(mouse.ReceivedFrames()[0], write);
}

TEST(FirmwareModelTest, ResetRestoresFactoryStateAndRestartIsCounted) {
    FirmwareModel mouse;
    const Payload factory = mouse.ConfigBlock();
    auto write = ConfigWrite(factory, 0x20);
    write[6] = 0x01;
    write[7] = 0x01;
    write[8] = 0x02;
    write[23] = 0x03;
    mouse.Receive(write);
    auto chunk = Request(0x06, 0x06);
    chunk[6] = 0x80;
    mouse.Receive(chunk);
    mouse.SetBatteryLevel(12);
    ASSERT_NE(mouse.ConfigBlock(), factory);

    mouse.Receive(Request(0x04));
    EXPECT_EQ(mouse.ConfigBlock(), factory);
    EXPECT_EQ(mouse.MacroBuffer()[0], 0);
    EXPECT_FALSE(mouse.MacroUpload().in_progress);
    EXPECT_EQ(mouse.BatteryLevel(), 12);
    EXPECT_EQ(mouse.FactoryResets(), 1);
    EXPECT_EQ(mouse.Restarts(), 0);

    EXPECT_THAT(mouse.Receive(Request(0x03)), IsEmpty());
    EXPECT_EQ(mouse.Restarts(), 1);
}

TEST(FirmwareModelTest, RefusedFramesAreRecordedButNotAnswered) {
    FirmwareModel mouse;
    auto wrong_header = Request(0x00);
    wrong_header[1] = 0xBB;
    const std::vector<std::uint8_t> too_short = {0x55, 0xAA};
    EXPECT_THAT(mouse.Receive(wrong_header), IsEmpty());
    EXPECT_THAT(mouse.Receive(too_short), IsEmpty());
    EXPECT_THAT(mouse.Receive(Request(0x07)), IsEmpty());
    EXPECT_THAT(mouse.Receive(Request(0x05)), IsEmpty());
    EXPECT_EQ(mouse.RejectedFrames(), 4);
    ASSERT_EQ(mouse.ReceivedFrames().size(), 4u);
    EXPECT_EQ(mouse.ReceivedFrames()[0], wrong_header);
    EXPECT_EQ(mouse.ReceivedFrames()[1], too_short);

    FirmwareModel quiet(FirmwareOptions{.record_frames = false});
    quiet.Receive(Request(0x00));
    EXPECT_THAT(quiet.ReceivedFrames(), IsEmpty());
}

TEST(FirmwareModelTest, AcknowledgingFirmwareEchoesWritesOnly) {
    FirmwareModel mouse(FirmwareOptions{.acknowledge_writes = true});
    for (std::uint8_t command : {0x02, 0x03, 0x04, 0x06}) {
        auto answers = mouse.Receive(Request(command, command == 0x02 ? 0x20 : 0x06));
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_THAT(std::vector<std::uint8_t>(answers[0].begin(), answers[0].begin() + 4),
                    ElementsAre(0x55, 0xAA, command, 0x00));
    }
    EXPECT_EQ(mouse.Receive(Request(0x00))[0][3], 0x1C);
}

// Sends `image` the way the upload protocol cuts it: 58 bytes per chunk, the last chunk's offset
// high byte replaced by the number of valid bytes.
void Upload(FirmwareModel& mouse, const std::vector<std::uint8_t>& image, int total) {
    const int chunks = total / 58 + 1;
    for (int c = 0; c < chunks; ++c) {
        const int offset = 58 * c;
        auto chunk = Request(0x06, 0x06);
        chunk[4] = static_cast<std::uint8_t>(offset & 0xFF);
        chunk[5] = static_cast<std::uint8_t>(c == chunks - 1 ? total % 58 : offset >> 8);
        std::copy_n(image.begin() + offset, 58, chunk.begin() + 6);
        mouse.Receive(chunk);
    }
}

std::vector<std::uint8_t> Image() {
    std::vector<std::uint8_t> image(kMacroBufferSize);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    return image;
}

TEST(FirmwareModelTest, MacroChunksAssembleTheBufferUpToTheValidBytes) {
    const auto image = Image();
    for (int total : {128, 464, 1000}) {
        FirmwareModel mouse;
        Upload(mouse, image, total);
        const auto& buffer = mouse.MacroBuffer();
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + total, image.begin())) << total;
        EXPECT_TRUE(std::all_of(buffer.begin() + total, buffer.end(), [](auto b) { return !b; }))
            << total;
        EXPECT_TRUE(mouse.MacroUpload().complete) << total;
        EXPECT_EQ(mouse.MacroUpload().length, total);
        EXPECT_EQ(mouse.MacroUpload().chunks, total / 58 + 1);
        EXPECT_EQ(mouse.RejectedFrames(), 0);
    }
}

TEST(FirmwareModelTest, NewUploadReplacesTheOldImage) {
    FirmwareModel mouse;
    Upload(mouse, Image(), 1000);
    const std::vector<std::uint8_t> empty(kMacroBufferSize, 0);
    Upload(mouse, empty, 128);
    EXPECT_THAT(mouse.MacroBuffer(), ElementsAreArray(empty));
    EXPECT_EQ(mouse.MacroUpload().length, 128);
}

TEST(FirmwareModelTest, StrayOrMalformedChunksAbortTheUpload) {
    const auto image = Image();
    FirmwareModel mouse;
    auto chunk = Request(0x06, 0x06);
    chunk[4] = 58;  // chunk 1 without chunk 0
    mouse.Receive(chunk);
    EXPECT_EQ(mouse.RejectedFrames(), 1);

    Upload(mouse, image, 128);
    chunk[4] = 0;
    mouse.Receive(chunk);  // opens a new upload
    chunk[4] = 116;        // skips chunk 1
    mouse.Receive(chunk);
    EXPECT_EQ(mouse.RejectedFrames(), 2);
    EXPECT_FALSE(mouse.MacroUpload().in_progress);
    EXPECT_FALSE(mouse.MacroUpload().complete);

    auto wrong_length = Request(0x06, 0x05);
    mouse.Receive(wrong_length);
    EXPECT_EQ(mouse.RejectedFrames(), 3);

    chunk[4] = 0;
    mouse.Receive(chunk);
    chunk[4] = 58;
    chunk[5] = 58;  // neither the offset's high byte nor a valid-byte count
    mouse.Receive(chunk);
    EXPECT_EQ(mouse.RejectedFrames(), 4);
}

// At these totals the last chunk's valid-byte count equals its offset's high byte, so the
// mouse cannot tell it from a full chunk and waits for more.
TEST(FirmwareModelTest, AmbiguousLastChunkIsTakenAsAFullOne) {
    const auto image = Image();
    for (int total : {232, 524, 640, 756}) {
        FirmwareModel mouse;
        Upload(mouse, image, total);
        EXPECT_FALSE(mouse.MacroUpload().complete) << total;
        EXPECT_TRUE(mouse.MacroUpload().in_progress) << total;
        EXPECT_TRUE(std::equal(mouse.MacroBuffer().begin(), mouse.MacroBuffer().begin() + total,
                               image.begin()))
            << total;
    }
}

TEST(FirmwareModelTest, DpiButtonCyclesEnabledLevelsAndNotifies) {
    FirmwareModel mouse;
    Payload expected{};
    expected[0] = 0x55;
    expected[1] = 0xBB;
    expected[2] = 0x01;
    expected[4] = (2 << 5) | (2 << 2);
    EXPECT_EQ(mouse.PressDpiButton(), expected);
    EXPECT_EQ(mouse.ActiveDpiLevel(), 2);

    auto write = ConfigWrite(mouse.ConfigBlock(), 0x20);
    write[23] = 0x05;
    write[4] = 0;
    mouse.Receive(write);
    EXPECT_EQ(mouse.PressDpiButton()[4] >> 5, 2);
    EXPECT_EQ(mouse.PressDpiButton()[4] >> 5, 0);

    const Payload rate = mouse.ChangeReportRate(3);
    EXPECT_EQ(rate[4], 0x03);
    EXPECT_EQ(mouse.ReportRateCode(), 3);

    FirmwareModel wired(FirmwareOptions{.notification_marker = 0xAA});
    EXPECT_EQ(wired.ChangeReportRate(1)[1], 0xAA);
    EXPECT_EQ(wired.ConfigBlock()[4], 0x29);
}

TEST(FirmwareModelTest, SleepingMouseLeavesTheReceiverToAnswer) {
    FirmwareModel mouse;
    mouse.SetAsleep(true);
    auto status = mouse.ReceiveViaReceiver(Request(0x00));
    ASSERT_EQ(status.size(), 1u);
    EXPECT_THAT(std::vector<std::uint8_t>(status[0].begin(), status[0].begin() + 7),
                ElementsAre(0x55, 0xAA, 0x00, 0x1C, 0xFF, 0xFF, 0xFF));
    auto config = mouse.ReceiveViaReceiver(Request(0x01));
    ASSERT_EQ(config.size(), 1u);
    EXPECT_EQ(config[0][4], 0xFF);
    EXPECT_EQ(config[0][5], 0xFF);

    auto write = ConfigWrite(mouse.ConfigBlock(), 0x20);
    write[4] = 0;
    EXPECT_THAT(mouse.ReceiveViaReceiver(write), IsEmpty());
    EXPECT_EQ(mouse.ActiveDpiLevel(), 1);
    EXPECT_THAT(mouse.ReceivedFrames(), IsEmpty());

    mouse.PressDpiButton();
    EXPECT_FALSE(mouse.Asleep());
    EXPECT_EQ(mouse.ReceiveViaReceiver(Request(0x00))[0], mouse.StatusBlock());
}

}  // namespace
}  // namespace veltra::sim
