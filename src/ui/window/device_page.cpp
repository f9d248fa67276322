#include "ui/window/device_page.h"

#include "common/log.h"
#include "common/text.h"
#include "frontend/setting_rules.h"
#include "store/profile_store.h"
#include "ui/widgets/control.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/tabs.h"
#include "ui/window/main_window_ids.h"

namespace veltra::ui {

void PlaceControls(MDialog& window, std::initializer_list<ControlPlace> places) {
    for (const ControlPlace& place : places) {
        if (MControl* control = window.GetControl(place.id)) {
            control->SetRect(place.rect);
        }
    }
}

MPicture* CreatePanel(MTabLayout& page, int id) {
    auto* panel = dynamic_cast<MPicture*>(page.CreateControl("MPicture", id, {}));
    panel->SetImage(QStringLiteral("img_area.png"), 1);
    panel->SetShowMode(3, 30);
    return panel;
}

MText* CreateLabel(MTabLayout& page, int id, int size) {
    auto* label = dynamic_cast<MText*>(page.CreateControl("MText", id, {}));
    label->SetFont(size);
    label->SetTextColor(main_window::kTextWhite);
    return label;
}

MComboBox* CreateCombo(MTabLayout& page, int id) {
    auto* box = dynamic_cast<MComboBox*>(page.CreateControl("MComboBox", id, {}));
    box->SetImage(QStringLiteral("img_combobox.png"), 4);
    box->SetFont(14);
    box->SetTextColor(main_window::kTextWhite);
    box->SetAlignment(Qt::AlignHCenter);
    return box;
}

MEdit* CreateField(MTabLayout& page, int id, bool framed) {
    auto* field = dynamic_cast<MEdit*>(page.CreateControl("MEdit", id, {}));
    if (framed) {
        field->SetImage(QStringLiteral("img_edit.png"), 4);
    }
    field->SetFont(14);
    field->SetTextColor(main_window::kTextWhite);
    field->SetAlignment(Qt::AlignHCenter);
    return field;
}

std::string ProfileSettings::Text(std::string_view key) {
    std::string value;
    host_.Store().GetConfig(host_.ActiveProfile(), key, value);
    return value;
}

int ProfileSettings::Number(std::string_view key) {
    return static_cast<int>(ParseDecimal(Text(key)));
}

bool ProfileSettings::Store(std::string_view key, const std::string& value) {
    const SettingCheck check = CheckSetting(key, value, host_.DeviceType());
    if (!check.error.empty()) {
        Log(LogLevel::Warning, "not stored: " + check.error);
        return false;
    }
    const int profile = host_.ActiveProfile();
    bool stored = true;
    for (const auto& [row, text] : check.rows) {
        stored = host_.Store().SetConfig(profile, row, text) && stored;
    }
    return stored;
}

}  // namespace veltra::ui
