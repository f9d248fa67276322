// The skin renderer's GIF writer, read back by Qt's reader.

#include "gif_writer.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <random>

namespace veltra::skin {
namespace {

std::array<QRgb, 256> GreyRamp() {
    std::array<QRgb, 256> palette{};
    for (int i = 0; i < 256; ++i) {
        palette[static_cast<std::size_t>(i)] = qRgb(i, 255 - i, (i * 7) & 0xFF);
    }
    return palette;
}

std::vector<QImage> Decode(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    std::vector<QImage> frames;
    while (reader.canRead()) {
        frames.push_back(reader.read());
    }
    return frames;
}

// Noise fills the code table several times over (clear codes and every code width), runs make
// long strings; both must come back pixel for pixel.
TEST(GifWriter, FramesDecodeToTheirIndices) {
    const QSize size(301, 203);
    const auto palette = GreyRamp();
    std::mt19937 random(7);
    std::vector<GifFrame> frames(3);
    for (std::size_t f = 0; f < frames.size(); ++f) {
        for (int i = 0; i < size.width() * size.height(); ++i) {
            const auto value = f == 1 ? static_cast<std::uint8_t>((i / 97) % 3)
                                      : static_cast<std::uint8_t>(random() & 0xFF);
            frames[f].indices.push_back(value);
        }
        frames[f].delay_cs = 5;
    }
    const std::vector<QImage> decoded = Decode(EncodeGif(size, palette, frames));
    ASSERT_EQ(decoded.size(), frames.size());
    for (std::size_t f = 0; f < frames.size(); ++f) {
        ASSERT_EQ(decoded[f].size(), size);
        int wrong = 0;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                const auto index =
                    frames[f].indices[static_cast<std::size_t>(y * size.width() + x)];
                wrong += decoded[f].pixel(x, y) == palette[index] ? 0 : 1;
            }
        }
        EXPECT_EQ(wrong, 0) << "frame " << f;
    }
}

TEST(GifWriter, RefusesFramesThatDoNotFitTheSize) {
    const auto palette = GreyRamp();
    EXPECT_TRUE(EncodeGif({4, 4}, palette, {GifFrame{std::vector<std::uint8_t>(15), 4}}).isEmpty());
    EXPECT_TRUE(EncodeGif({0, 4}, palette, {}).isEmpty());
    EXPECT_FALSE(EncodeGif({1, 1}, palette, {GifFrame{{0}, 4}}).isEmpty());
}

}  // namespace
}  // namespace veltra::skin
