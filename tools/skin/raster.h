#pragma once
// Pixel helpers shared by the pictures.
#include <QImage>
#include <QSize>

namespace veltra::skin {

// A transparent image of `pixels`.
QImage Canvas(QSize pixels);

// Three box blurs of `radius` over every channel: close to a Gaussian, for shadows and glows.
void BoxBlur(QImage& image, int radius);

}  // namespace veltra::skin
