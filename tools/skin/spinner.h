#pragma once
// The wait dialog's busy animation.
#include <QByteArray>
#include <QColor>

namespace veltra::skin {

constexpr int kSpinnerSize = 100;
constexpr int kSpinnerFrames = 24;

// A GIF of kSpinnerFrames frames of kSpinnerSize pixels square: an arc in `theme` with a fading
// tail turning once round a faint track on the dialog's grey, looping for ever.
QByteArray SpinnerGif(const QColor& theme);

}  // namespace veltra::skin
