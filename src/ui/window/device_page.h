#pragma once
// What a device page needs of the main window, and the reading and storing of the active
// profile's settings that every page shares. Pages and their host live on the UI thread; the
// store serialises its own calls, so a page may read while the worker writes.
//
// Every change a page makes follows one pattern: the control shows it, the value is stored in
// the active profile (through the value rules both front ends share), the task is queued, and
// the worker builds the frame from the store.
#include <QRect>
#include <QString>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "config/device_description.h"
#include "device/driver_comm.h"
#include "device/task_code.h"
#include "ui/widgets/dialog.h"

namespace veltra {
class ProfileStore;
}  // namespace veltra

namespace veltra::ui {

class DPIMsgDlg;
class MComboBox;
class MEdit;
class MPicture;
class MTabLayout;
class MText;

class DevicePageHost {
  public:
    virtual ~DevicePageHost() = default;

    virtual ProfileStore& Store() = 0;
    virtual int ActiveProfile() = 0;
    // The model whose profiles the store holds.
    virtual int DeviceType() = 0;
    virtual ConnectionMode Mode() = 0;
    // Whether the model's description gives it lighting.
    virtual bool HasLighting() = 0;
    virtual void QueueTask(TaskCode code) = 0;
    // The wait dialog, until the worker has finished the task just queued.
    virtual void WaitForTask() = 0;
    // The buttons of the selected model, with their factory functions.
    virtual std::vector<ButtonDescription> ModelButtons() = 0;
    // The DPI pop-up, or null before the window has built it.
    virtual DPIMsgDlg* Popup() = 0;
    // The main window: owner of message boxes and dialogs, and of every control.
    virtual MDialog& Window() = 0;
};

// Where a page's controls go (client coordinates of the window).
struct ControlPlace {
    int id;
    QRect rect;
};
void PlaceControls(MDialog& window, std::initializer_list<ControlPlace> places);

// The pages' common pieces: a panel picture ("img_area.png"), a white label of `size` pixels and
// a drop-down list and a centred edit field in the pages' look (a field that is not `framed`
// sits on an area of its own).
MPicture* CreatePanel(MTabLayout& page, int id);
MText* CreateLabel(MTabLayout& page, int id, int size);
MComboBox* CreateCombo(MTabLayout& page, int id);
MEdit* CreateField(MTabLayout& page, int id, bool framed);

// The active profile's settings, read and stored through the value rules.
class ProfileSettings {
  public:
    explicit ProfileSettings(DevicePageHost& host) : host_(host) {}

    std::string Text(std::string_view key);
    // The stored number; text that does not start with one reads as 0.
    int Number(std::string_view key);
    // Stores `value` with the rows that travel with it (the wireless copy of the report rate,
    // a DPI colour's palette index). A value the rules refuse is not stored: false.
    bool Store(std::string_view key, const std::string& value);
    bool Store(std::string_view key, int value) { return Store(key, std::to_string(value)); }

  private:
    DevicePageHost& host_;
};

}  // namespace veltra::ui
