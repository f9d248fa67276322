#include "ui/window/window_views.h"

#include <QFileInfo>
#include <QImageReader>
#include <QThread>

#include "ui/widgets/device_controls.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/mouse_ctrl.h"
#include "ui/widgets/skin.h"
#include "ui/widgets/tabs.h"
#include "ui/widgets/ui_thread.h"
#include "ui/window/buttons_page.h"
#include "ui/window/device_main_dlg.h"
#include "ui/window/main_window_ids.h"

namespace veltra::ui {

namespace ids = main_window;

WindowDeviceView::WindowDeviceView(DeviceMainDlg& window) : window_(&window) {}

void WindowDeviceView::DeviceListChanged(const DeviceList& list) {
    window_->OnDeviceListChanged(list);
}

void WindowDeviceView::ConnectionChanged(const ConnectionUpdate& update) {
    window_->OnConnectionChanged(update);
}

void WindowDeviceView::ProfilesChanged(const ProfileList& profiles) {
    window_->OnProfilesChanged(profiles);
}

void WindowDeviceView::BatteryChanged(const BatteryInfo& battery) {
    window_->OnBatteryChanged(battery);
}

void WindowDeviceView::SettingsRefreshed(const PageRefresh& refresh) {
    window_->OnSettingsRefreshed(refresh);
}

void WindowDeviceView::MouseSettingsChanged(const MouseSettingsChange& change) {
    window_->OnMouseSettingsChanged(change);
}

void WindowDeviceView::TaskFinished(TaskCode code) {
    window_->OnTaskFinished(code);
}

WindowModelView::WindowModelView(DeviceMainDlg& window) : window_(&window) {}

template <typename Call>
void WindowModelView::OnWindow(Call&& call) {
    if (QThread::currentThread() == window_->thread()) {
        call(*window_);
    } else {
        PostTo(window_, [window = window_, call = std::forward<Call>(call)] { call(*window); });
    }
}

void WindowModelView::ClearDeviceList() {
    OnWindow([](DeviceMainDlg& w) {
        if (auto* list = w.Get<CDeviceList>(ids::kDeviceList)) {
            list->ClearList();
        }
    });
}

void WindowModelView::AddDeviceListEntry(const std::string& name, int device_type,
                                         const std::string& image) {
    OnWindow([name = QString::fromStdString(name), device_type,
              image = QString::fromStdString(image)](DeviceMainDlg& w) {
        if (auto* list = w.Get<CDeviceList>(ids::kDeviceList)) {
            list->AddDevice(name, device_type, image);
        }
    });
}

void WindowModelView::DeleteAllModelItems() {
    OnWindow([](DeviceMainDlg& w) {
        if (auto* combo = w.Get<MComboBox>(ids::kModelCombo)) {
            combo->DelAllItems();
        }
    });
}

void WindowModelView::AddModelItem(const std::string& text, int data) {
    OnWindow([text = QString::fromStdString(text), data](DeviceMainDlg& w) {
        if (auto* combo = w.Get<MComboBox>(ids::kModelCombo)) {
            combo->AddItem(text, data);
        }
    });
}

void WindowModelView::SetModelCurSel(int index) {
    OnWindow([index](DeviceMainDlg& w) {
        if (auto* combo = w.Get<MComboBox>(ids::kModelCombo)) {
            combo->SetCurSel(index);
        }
    });
}

void WindowModelView::SelectModelData(int data) {
    OnWindow([data](DeviceMainDlg& w) {
        if (auto* combo = w.Get<MComboBox>(ids::kModelCombo)) {
            combo->SelectData(data);
        }
    });
}

int WindowModelView::ModelCurData() const {
    // Asked only while the catalogue loads on the window's thread.
    if (QThread::currentThread() != window_->thread()) {
        return 0;
    }
    auto* combo = window_->Get<MComboBox>(ids::kModelCombo);
    return combo == nullptr ? 0 : combo->GetCurData();
}

void WindowModelView::SetModelComboVisible(bool visible) {
    // The model list is reached through the device list's cards; the combo box is not placed.
    (void)visible;
}

void WindowModelView::SetVersionLabel(const std::string& text) {
    OnWindow([text = QString::fromStdString(text)](DeviceMainDlg& w) {
        if (auto* label = w.Get<MText>(ids::kVersionLabel)) {
            label->SetTitle(text);
        }
    });
}

void WindowModelView::SetModelPictures(const std::string& image) {
    {
        const std::lock_guard lock(mutex_);
        picture_ = image;
    }
    OnWindow([image = QString::fromStdString(image)](DeviceMainDlg& w) {
        for (int id : {ids::kModelPicture, buttons_page::kModelPicture}) {
            if (auto* picture = w.Get<MPicture>(id)) {
                picture->SetImage(image, 1);
            }
        }
    });
}

ViewRect WindowModelView::ClientRect() const {
    return {0, 0, 1280, 780};
}

ViewSize WindowModelView::HomePictureImageSize() const {
    std::string picture;
    {
        const std::lock_guard lock(mutex_);
        picture = picture_;
    }
    if (picture.empty()) {
        return {};
    }
    // Reading an image's header is safe on any thread; the control's copy is not.
    const QSize size = QImageReader(SkinPath(QString::fromStdString(picture))).size();
    return size.isValid() ? ViewSize{size.width(), size.height()} : ViewSize{};
}

void WindowModelView::SetButtonPagePictureRect(const ViewRect& rect) {
    OnWindow([rect](DeviceMainDlg& w) {
        if (auto* picture = w.Get<MPicture>(buttons_page::kModelPicture)) {
            picture->SetRect(Edges(rect.left, rect.top, rect.right, rect.bottom));
        }
    });
}

void WindowModelView::SetLightingTabVisible(bool visible) {
    OnWindow([visible](DeviceMainDlg& w) {
        if (auto* tabs = w.Get<MTabCtrl>(ids::kTabBar)) {
            tabs->SetItemVisible(ids::kLightingTabIndex, visible);
        }
    });
}

void WindowModelView::DeleteAllButtons() {
    OnWindow([](DeviceMainDlg& w) {
        if (auto* picture = w.Get<MouseCtrl>(buttons_page::kButtons)) {
            picture->DeleteAllItems();
        }
    });
}

void WindowModelView::AddButton(const std::string& text, int key_value, int direction,
                                const std::array<ViewPoint, 3>& points) {
    OnWindow([text = QString::fromStdString(text), key_value, direction, points](DeviceMainDlg& w) {
        if (auto* picture = w.Get<MouseCtrl>(buttons_page::kButtons)) {
            AddModelButton(*picture, text, key_value, direction, points);
        }
    });
}

}  // namespace veltra::ui
