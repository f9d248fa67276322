#pragma once
// Top views of the mice for the home and buttons pages. The shapes are laid out in the buttons
// page picture control's coordinates, so that the first point of every button of a description
// lands on the button drawn for it; layout fails when one would not.
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRect>
#include <QString>
#include <vector>

#include "skin_inputs.h"

namespace veltra::skin {

// Wide: the lit models' body. Slim: the lightweight body.
enum class BodyShape { Wide, Slim };
// Plain: the generic picture. Lit: light strip and glowing wheel. Perforated: holed palm.
enum class Finish { Plain, Lit, Perforated };

struct DrawnButton {
    int name_id = 0;
    QPainterPath shape;
};

struct MouseLayout {
    BodyShape shape = BodyShape::Wide;
    QRect picture;  // where the page puts the picture, in the button control's coordinates
    double centre_x = 0;
    double nose_y = 0;
    double length = 0;
    QPainterPath body;
    QPainterPath front;  // the part ahead of the main buttons' rear seam
    QPainterPath slot;   // the recess holding the wheel and the DPI button
    std::vector<DrawnButton> buttons;
};

bool LayoutMouse(const std::vector<ButtonSpot>& spots, BodyShape shape, MouseLayout& layout,
                 QString& error);

// The picture scaled to `pixels`. `mark_buttons` outlines every button in the theme colour, for
// the picture that shows the buttons before a model is known.
QImage RenderMouse(const MouseLayout& layout, Finish finish, const QColor& theme, QSize pixels,
                   bool mark_buttons);

}  // namespace veltra::skin
