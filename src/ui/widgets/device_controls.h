#pragma once
// The frame's device controls: the battery, the connection state and the home page's list of
// mouse models.
#include <QPixmap>
#include <vector>

#include "ui/widgets/control.h"

namespace veltra::ui {

// Battery states as the window hands them over.
inline constexpr int kBatteryDischarging = 0;
inline constexpr int kBatteryCharging = 1;
// Nothing read yet (the state the window starts with); any other unknown state shows as this.
inline constexpr int kBatteryUnknown = 2;

// Connection modes of a device (the link's values).
inline constexpr int kModeNone = -1;
inline constexpr int kModeWired = 0;
inline constexpr int kModeBluetooth = 1;
inline constexpr int kModeReceiver = 2;

// The battery of the status bar: body, charge and percentage. While charging, the charge fills
// up again and again through the dialog's animation timer, which the control joins itself; it
// animates only while charging and visible. Takes no input.
class BatteryCtrl : public MControlFont {
  public:
    BatteryCtrl(MDialog& owner, QWidget* parent, int id);

    // `level` in percent (clamped to 0..100); `state` one of the battery states above.
    void SetBatteryInfo(int level, int state);
    int GetLevel() const { return level_; }
    int GetState() const { return state_; }
    // The skin's charge fill (drawn over the body image, cut at the level) and charging icon.
    void SetLevelImage(const QString& file);
    void SetChargeImage(const QString& file);

    bool Animating() const override;
    void Animate() override;

  protected:
    QString AccessibleText() const override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // The level drawn now: the charging sweep runs from the level up to full.
    int ShownLevel() const;

    int level_ = 0;
    int state_ = kBatteryUnknown;
    int ticks_ = 0;
    SkinImage level_image_;
    SkinImage charge_image_;
};

// The connection state: a text on a rounded area ("img_area.png", 4 states: normal, hover,
// pressed, disabled; only normal and disabled are used). Takes no input.
class CDeviceState : public MControlFont {
  public:
    CDeviceState(MDialog& owner, QWidget* parent, int id);
    // Adds the mode's icon before the text; kModeNone shows a grey dot.
    void SetConnectionMode(int mode);
    int GetConnectionMode() const { return mode_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int mode_ = kModeNone;
};

// The home page's models as cards: picture, name, connection mode and whether the mouse
// answers, battery and firmware version. One card is the selected model.
//
// User input: a click on a card, or Enter/Space on the card with the keyboard cursor (arrows,
// Home/End move it), selects that card and notifies Action with its device type. The wheel
// and PageUp/PageDown scroll when the cards do not fit. Program calls never notify.
class CDeviceList : public MControlFont {
  public:
    CDeviceList(MDialog& owner, QWidget* parent, int id);

    // Adds a model; `image` is a picture file (absolute, or below the skin folder), may be
    // empty. A second model with the same device type replaces the first. The first model
    // added becomes the selected one.
    void AddDevice(const QString& name, int device_type, const QString& image);
    void ClearList();
    int GetDeviceCount() const { return static_cast<int>(rows_.size()); }
    // The selected model's device type, or 0 for an empty list.
    int GetSelectDevice() const;
    // Selects the model of `device_type`; a type the list does not hold is refused and the
    // selection stays.
    void SetSelectDevice(int device_type);
    // 0 marks every model as absent; any other value marks every model as answering (keeping
    // its mode).
    void SetAllDeviceState(int state);
    // The model is attached in `mode` (kModeNone: absent); `online` whether the mouse answers.
    void SetDeviceState(int device_type, int mode, int online);
    // The firmware release number (binary-coded decimal, 0x0102 is "1.02"); below 0 unknown.
    void SetDeviceVersion(int device_type, int release);
    // Battery of one model, as BatteryCtrl::SetBatteryInfo.
    void SetDeviceBattery(int device_type, int level, int state);
    // The version line: "<label>: v1.02", with the receiver's label for a model reached through
    // its receiver; no line without a release number.
    void SetVersionLabels(const QString& mouse, const QString& receiver);
    void SetBatteryImages(const QString& level, const QString& charge);
    // A strip with one icon per connection mode, in the order wired, Bluetooth, receiver.
    void SetModeImage(const QString& file, int states);

    // Index of the card under `pos`, or -1; where card `index` is drawn now.
    int CardAt(const QPoint& pos) const;
    QRect CardRect(int index) const;

  protected:
    QString AccessibleText() const override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    struct Row {
        QString name;
        int type = 0;
        QPixmap picture;
        int mode = kModeNone;
        bool online = false;
        int release = -1;
        int battery = 0;
        int battery_state = kBatteryUnknown;
    };

    Row* Find(int device_type);
    int Columns() const;
    int VisibleRows() const;
    int MaxScroll() const;
    void ScrollTo(int first_row);
    void EnsureVisible(int index);
    void MoveCursor(int index);
    void Choose(int index);
    void PaintCard(QPainter& painter, int index, const QRect& card) const;
    QString VersionText(const Row& row) const;

    std::vector<Row> rows_;
    int selected_ = -1;
    int cursor_ = -1;
    int hovered_ = -1;
    int pressed_card_ = -1;
    int first_row_ = 0;
    QString mouse_label_;
    QString receiver_label_;
    SkinImage level_image_;
    SkinImage charge_image_;
    SkinImage mode_image_;
};

}  // namespace veltra::ui
