#include "spinner.h"

#include <QConicalGradient>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <numbers>

#include "gif_writer.h"

namespace veltra::skin {
namespace {

// The wait dialog's background.
const QColor kBackground(0x33, 0x33, 0x33);

}  // namespace

QByteArray SpinnerGif(const QColor& theme) {
    // Every pixel is the background mixed with the theme colour by some share, so a palette of
    // 256 shares represents each frame's antialiased edges without loss.
    std::array<QRgb, 256> palette{};
    for (int i = 0; i < 256; ++i) {
        const auto mix = [i](int from, int to) {
            return static_cast<int>(std::lround(from + (to - from) * i / 255.0));
        };
        palette[static_cast<std::size_t>(i)] =
            qRgb(mix(kBackground.red(), theme.red()), mix(kBackground.green(), theme.green()),
                 mix(kBackground.blue(), theme.blue()));
    }
    constexpr double kRadius = 31;
    constexpr double kWidth = 8;
    constexpr double kTail = 280;  // degrees behind the head
    const QPointF centre(kSpinnerSize / 2.0, kSpinnerSize / 2.0);
    std::vector<GifFrame> frames;
    for (int f = 0; f < kSpinnerFrames; ++f) {
        // The share of the theme colour is painted as white coverage on black.
        QImage share(kSpinnerSize, kSpinnerSize, QImage::Format_RGB32);
        share.fill(Qt::black);
        QPainter painter(&share);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF ring(centre - QPointF(kRadius, kRadius), QSizeF(2 * kRadius, 2 * kRadius));
        painter.setPen(QPen(QColor(40, 40, 40), kWidth));
        painter.drawEllipse(ring);
        // Clockwise on screen: the head angle falls frame by frame (Qt counts counter-clockwise).
        const double head = 90 - 360.0 * f / kSpinnerFrames;
        QConicalGradient tail(centre, head);
        tail.setColorAt(0, Qt::white);
        tail.setColorAt(kTail / 360, QColor(40, 40, 40));
        tail.setColorAt(1, QColor(40, 40, 40));
        painter.setPen(QPen(QBrush(tail), kWidth, Qt::SolidLine, Qt::FlatCap));
        painter.drawArc(ring, static_cast<int>(std::lround(head * 16)),
                        static_cast<int>(std::lround(kTail * 16)));
        const double radians = head * std::numbers::pi / 180;
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawEllipse(centre + QPointF(std::cos(radians), -std::sin(radians)) * kRadius,
                            kWidth / 2, kWidth / 2);
        painter.end();
        GifFrame frame;
        frame.delay_cs = 4;
        frame.indices.reserve(static_cast<std::size_t>(kSpinnerSize) * kSpinnerSize);
        for (int y = 0; y < kSpinnerSize; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(share.constScanLine(y));
            for (int x = 0; x < kSpinnerSize; ++x) {
                frame.indices.push_back(static_cast<std::uint8_t>(qRed(row[x])));
            }
        }
        frames.push_back(std::move(frame));
    }
    return EncodeGif({kSpinnerSize, kSpinnerSize}, palette, frames);
}

}  // namespace veltra::skin
