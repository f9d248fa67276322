#pragma once
// The flat dark look every control falls back to when its skin image is missing: one palette,
// one set of shapes, the theme colour for what is active or focused. Controls paint through
// these functions only, so the whole window changes together.
#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace veltra::ui {

// Interaction state of a control, in the order of a skin strip's first four images.
enum class Visual { Normal = 0, Hover = 1, Pressed = 2, Disabled = 3 };

namespace look {

inline const QColor kWindow{0x14, 0x15, 0x19};
inline const QColor kPanel{0x1F, 0x20, 0x25};
inline const QColor kField{0x2A, 0x2B, 0x31};
inline const QColor kFieldHover{0x33, 0x35, 0x3C};
inline const QColor kBorder{0x3C, 0x3E, 0x46};
inline const QColor kText{0xFF, 0xFF, 0xFF};
inline const QColor kTextDim{0x96, 0x96, 0x96};
inline const QColor kTextDisabled{0x5E, 0x60, 0x66};
inline constexpr qreal kRadius = 6.0;

// The theme colour, lighter while hovered and darker while pressed.
QColor Accent(Visual visual = Visual::Normal);

// A rounded filled rectangle; `fill` may carry alpha.
void Panel(QPainter& p, const QRectF& r, const QColor& fill, qreal radius = kRadius);
// The face of a push button: a raised field, the accent when pressed or `emphasised`.
void ButtonFace(QPainter& p, const QRectF& r, Visual visual, bool emphasised = false);
// The frame of an edit field or combo box.
void FieldFace(QPainter& p, const QRectF& r, Visual visual, bool focused);
// The keyboard focus ring, drawn over whatever the control painted (skin images too).
void FocusRing(QPainter& p, const QRectF& r, qreal radius = kRadius);
// A check box square or radio circle with its mark, `size` pixels wide, centred left in `r`.
void CheckMark(QPainter& p, const QRectF& box, Visual visual, bool checked, bool round);
// Text colour for a state.
QColor TextColour(Visual visual, const QColor& normal = kText);
// A small line icon drawn in `r`: "close", "minimise", "maximise", "settings", "return",
// "reset", "help", "more", "up", "down", "record", "stop", "arrow-down". Unknown names draw
// nothing.
void Glyph(QPainter& p, const QRectF& r, const QString& name, const QColor& colour);
// A slider groove across `r` (vertically centred), filled in the accent up to `share` (0..1).
void SliderTrack(QPainter& p, const QRectF& r, qreal share, Visual visual);
// A round slider thumb filling `r`; `focused` adds the focus ring around it.
void SliderThumb(QPainter& p, const QRectF& r, Visual visual, bool focused);

}  // namespace look
}  // namespace veltra::ui

namespace veltra::ui::look {

// A list row's face: the accent wash when selected, a light wash when hovered.
void ListRow(QPainter& p, const QRectF& r, bool selected, bool hovered, bool enabled);
// A slim scroll bar: `thumb` inside `track`, brighter while `active` (hovered or dragged).
void ScrollBar(QPainter& p, const QRectF& track, const QRectF& thumb, bool active);
// The round handle of a colour picker: `fill` inside a white ring, the accent around it while
// the control has the keyboard focus.
void Handle(QPainter& p, const QPointF& centre, qreal radius, const QColor& fill, bool focused);
// Icons of macro steps drawn in `r`: "delay", "key-down", "key-up", "mouse-down", "mouse-up",
// "scroll-up", "scroll-down", "move". Unknown names draw nothing.
void StepGlyph(QPainter& p, const QRectF& r, const QString& name, const QColor& colour);

// Shapes shared by the device controls (battery, tabs, device list).

// The colour of a battery charge: green, amber below 30 %, red below 15 %; green while charging.
QColor BatteryColour(int level, bool charging);
// A battery lying on its side in `r` (the terminal included) filled to `level` percent; a level
// below 0 is unknown and leaves the body empty. `charging` draws a bolt across the body.
void Battery(QPainter& p, const QRectF& r, int level, bool charging);
// A line icon of the pages and connection modes: "home", "mouse", "dpi", "light",
// "performance", "cable", "receiver", "bluetooth", "bolt". Unknown names draw nothing.
void IconGlyph(QPainter& p, const QRectF& r, const QString& name, const QColor& colour);

}  // namespace veltra::ui::look
