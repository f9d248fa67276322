#include "raster.h"

#include <vector>

namespace veltra::skin {
namespace {

// One pass along rows (step 1) or columns (step = line length) of premultiplied ARGB.
void BlurLines(QRgb* pixels, int lines, int length, int line_step, int step, int radius) {
    std::vector<QRgb> line(static_cast<std::size_t>(length));
    const int window = 2 * radius + 1;
    for (int l = 0; l < lines; ++l) {
        QRgb* first = pixels + static_cast<std::ptrdiff_t>(l) * line_step;
        for (int i = 0; i < length; ++i) {
            line[static_cast<std::size_t>(i)] = first[static_cast<std::ptrdiff_t>(i) * step];
        }
        int sum[4] = {0, 0, 0, 0};
        const auto add = [&](int i, int sign) {
            if (i < 0 || i >= length) {
                return;
            }
            const QRgb c = line[static_cast<std::size_t>(i)];
            sum[0] += sign * qAlpha(c);
            sum[1] += sign * qRed(c);
            sum[2] += sign * qGreen(c);
            sum[3] += sign * qBlue(c);
        };
        for (int i = -radius; i < radius; ++i) {
            add(i, 1);
        }
        for (int i = 0; i < length; ++i) {
            add(i + radius, 1);
            first[static_cast<std::ptrdiff_t>(i) * step] =
                qRgba(sum[1] / window, sum[2] / window, sum[3] / window, sum[0] / window);
            add(i - radius, -1);
        }
    }
}

}  // namespace

QImage Canvas(QSize pixels) {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void BoxBlur(QImage& image, int radius) {
    if (radius <= 0 || image.isNull()) {
        return;
    }
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    auto* pixels = reinterpret_cast<QRgb*>(image.bits());
    const int width = image.width();
    const int height = image.height();
    const int stride = static_cast<int>(image.bytesPerLine() / 4);
    for (int pass = 0; pass < 3; ++pass) {
        BlurLines(pixels, height, width, stride, 1, radius);
        BlurLines(pixels, width, height, 1, stride, radius);
    }
}

}  // namespace veltra::skin
