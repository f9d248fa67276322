#pragma once
// A GIF89a writer for animations of whole frames sharing one 256-colour palette, looping for
// ever. Qt reads GIF but cannot write it.
#include <QByteArray>
#include <QColor>
#include <QSize>
#include <array>
#include <cstdint>
#include <vector>

namespace veltra::skin {

struct GifFrame {
    std::vector<std::uint8_t> indices;  // width * height palette indices, row by row
    int delay_cs = 4;                   // hundredths of a second
};

// Empty when a frame's index count does not match the size or the size exceeds 65535.
QByteArray EncodeGif(QSize size, const std::array<QRgb, 256>& palette,
                     const std::vector<GifFrame>& frames);

}  // namespace veltra::skin
