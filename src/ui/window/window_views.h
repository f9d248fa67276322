#pragma once
// The main window's implementations of the core's views.
//
// Threads: WindowDeviceView runs on the window's thread: the worker reports into the window's
// DeviceViewQueue, which the window drains into this view. WindowModelView is called on the
// user-interface thread while the catalogue loads and on the worker thread when a rescan or a model
// change loads a model: its changes run on the window's thread (at once there, posted from
// elsewhere), and its questions are answered from files and fixed sizes, never from the controls.
#include <QPointer>
#include <mutex>
#include <string>

#include "config/model_view.h"
#include "device/device_view.h"

namespace veltra::ui {

class DeviceMainDlg;

class WindowDeviceView : public DeviceView {
  public:
    explicit WindowDeviceView(DeviceMainDlg& window);

    void DeviceListChanged(const DeviceList& list) override;
    void ConnectionChanged(const ConnectionUpdate& update) override;
    void ProfilesChanged(const ProfileList& profiles) override;
    void BatteryChanged(const BatteryInfo& battery) override;
    void SettingsRefreshed(const PageRefresh& refresh) override;
    void MouseSettingsChanged(const MouseSettingsChange& change) override;
    void TaskFinished(TaskCode code) override;

  private:
    DeviceMainDlg* window_;
};

class WindowModelView : public CatalogueView, public ModelView {
  public:
    explicit WindowModelView(DeviceMainDlg& window);

    void ClearDeviceList() override;
    void AddDeviceListEntry(const std::string& name, int device_type,
                            const std::string& image) override;
    void DeleteAllModelItems() override;
    void AddModelItem(const std::string& text, int data) override;
    void SetModelCurSel(int index) override;
    void SelectModelData(int data) override;
    int ModelCurData() const override;
    void SetModelComboVisible(bool visible) override;
    void SetVersionLabel(const std::string& text) override;

    void SetModelPictures(const std::string& image) override;
    ViewRect ClientRect() const override;
    ViewSize HomePictureImageSize() const override;
    void SetButtonPagePictureRect(const ViewRect& rect) override;
    void SetLightingTabVisible(bool visible) override;
    void DeleteAllButtons() override;
    void AddButton(const std::string& text, int key_value, int direction,
                   const std::array<ViewPoint, 3>& points) override;

  private:
    template <typename Call>
    void OnWindow(Call&& call);

    DeviceMainDlg* window_;
    mutable std::mutex mutex_;
    std::string picture_;
};

}  // namespace veltra::ui
