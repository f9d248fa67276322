#include "samples.h"

#include "config/language.h"

#include "ui/dialogs/lang_text.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/device_controls.h"
#include "ui/widgets/dialog.h"
#include "ui/widgets/dpi_controls.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/macro_lists.h"
#include "ui/widgets/mouse_ctrl.h"
#include "ui/widgets/palette.h"
#include "ui/widgets/sliders.h"
#include "ui/widgets/tabs.h"

namespace veltra::gallery {

using ui::LangText;

Sample SampleFor(std::string_view class_name) {
    if (class_name == "MPicture") {
        return {QSize(200, 60), false};
    }
    if (class_name == "CImageButton") {
        return {QSize(30, 30), false};
    }
    if (class_name == "MProgress") {
        return {QSize(260, 20), false};
    }
    if (class_name == "MText") {
        return {QSize(220, 30), false};
    }
    static const std::pair<std::string_view, Sample> kSamples[] = {
        {"MButton3", {QSize(65, 30), true}},       {"CTextButton", {QSize(150, 30), false}},
        {"CHelpButton", {QSize(16, 16), false}},   {"CIconButton", {QSize(160, 30), false}},
        {"CCheckButton", {QSize(200, 30), true}},  {"CRadioButton", {QSize(200, 30), true}},
        {"CColorButton", {QSize(36, 36), true}},   {"MComboBox", {QSize(160, 30), false}},
        {"MEdit", {QSize(160, 30), false}},        {"NumberEdit", {QSize(70, 30), false}},
        {"NumberEdit2", {QSize(70, 30), false}},   {"MSlider", {QSize(320, 17), false}},
        {"LightSlider", {QSize(216, 20), false}},  {"CArea", {QSize(58, 58), false}},
        {"CRoundArea", {QSize(200, 60), false}},   {"CGifPicture", {QSize(100, 100), false}},
        {"MTabCtrl", {QSize(190, 300), false}},    {"MTabLayout", {QSize(120, 60), false}},
        {"BatteryCtrl", {QSize(150, 30), false}},  {"CDeviceState", {QSize(160, 30), false}},
        {"CDeviceList", {QSize(760, 300), false}}, {"DPIControl", {QSize(960, 120), false}},
        {"DPISlider", {QSize(960, 100), false}},   {"ReporteCtrl", {QSize(1000, 30), false}},
        {"MouseCtrl", {QSize(550, 500), false}},
    };
    for (const auto& [name, sample] : kSamples) {
        if (name == class_name) {
            return sample;
        }
    }
    if (class_name == "CirclePalette") {
        return {QSize(150, 150), false};
    }
    if (class_name == "PaletteBar") {
        return {QSize(200, 17), false};
    }
    if (class_name == "MacroList") {
        return {QSize(284, 150), false};
    }
    if (class_name == "CRecordList") {
        return {QSize(354, 200), false};
    }
    return {};
}

void FillSample(std::string_view class_name, ui::MControl& control) {
    if (auto* text = dynamic_cast<ui::MControlFont*>(&control)) {
        text->SetTitle(class_name == "MButton" ? LangText(41) : LangText(2));
        text->SetFont(16);
    }
    if (class_name == "MButton") {
        control.SetImage(QStringLiteral("img_button.png"), 4);
    } else if (class_name == "CImageButton") {
        dynamic_cast<ui::MControlFont&>(control).SetTitle({});
        control.SetImage(QStringLiteral("sysbtn_close.png"), 4);
        control.SetTooltip(LangText(10));
    } else if (class_name == "MPicture") {
        auto& picture = dynamic_cast<ui::MPicture&>(control);
        picture.SetImage(QStringLiteral("img_area.png"), 1);
        picture.SetShowMode(3, 30);
    } else if (class_name == "CirclePalette") {
        dynamic_cast<ui::CirclePalette&>(control).SetColor(0x007FFF);
    } else if (class_name == "PaletteBar") {
        dynamic_cast<ui::PaletteBar&>(control).SetHue(200);
    } else if (class_name == "MacroList") {
        auto& list = dynamic_cast<ui::MacroList&>(control);
        for (int i = 1; i <= 4; ++i) {
            list.AddItem(LangText(351) + QStringLiteral(" %1").arg(i), i);
        }
        list.SetCurSel(1);
    } else if (class_name == "CRecordList") {
        auto& list = dynamic_cast<ui::CRecordList&>(control);
        const std::pair<int, const char*> steps[] = {
            {2, "\u2193  A"},   {1, " -   50 ms"}, {3, "\u2191  A"}, {4, "\u2193  LB"},
            {1, " -   120 ms"}, {5, "\u2191  LB"}, {6, "Wheel up"}};
        int stamp = 1;
        for (const auto& [type, text] : steps) {
            list.AddRecord(QString::fromUtf8(text), type, 65, stamp++);
        }
        list.SetCurSel(2);
    } else if (class_name == "MButton3") {
        dynamic_cast<ui::MControlFont&>(control).SetTitle(QStringLiteral("Ctrl"));
        control.SetImage(QStringLiteral("img_button2.png"), 4);
    } else if (class_name == "CTextButton") {
        dynamic_cast<ui::MControlFont&>(control).SetTitle(LangText(3));
    } else if (class_name == "CHelpButton") {
        auto& help = dynamic_cast<ui::CHelpButton&>(control);
        help.SetTitle({});
        help.SetImage(QStringLiteral("img_help.png"), 4);
        help.SetHelpText(LangText(252));
    } else if (class_name == "CIconButton") {
        auto& button = dynamic_cast<ui::CIconButton&>(control);
        button.SetTitle(LangText(358));
        button.SetImage(QStringLiteral("img_button.png"), 4);
        button.SetIcon(QStringLiteral("icon\\icon_rec.png"));
    } else if (class_name == "CCheckButton") {
        dynamic_cast<ui::MControlFont&>(control).SetTitle(LangText(102));
        control.SetImage(QStringLiteral("btn_checkbox.png"), 8);
    } else if (class_name == "CRadioButton") {
        dynamic_cast<ui::MControlFont&>(control).SetTitle(LangText(110));
        control.SetImage(QStringLiteral("btn_radiobox.png"), 8);
    } else if (class_name == "CColorButton") {
        dynamic_cast<ui::CColorButton&>(control).SetColor(0x007FFF);
    } else if (class_name == "MComboBox") {
        auto& combo = dynamic_cast<ui::MComboBox&>(control);
        combo.SetFont(14);
        combo.SetImage(QStringLiteral("img_combobox.png"), 4);
        combo.AddItem(QStringLiteral("简体中文"), 2052);
        combo.AddItem(QStringLiteral("English"), 1033);
        combo.SetCurSel(CurrentLanguageId() == kEnglish ? 1 : 0);
    } else if (class_name == "MEdit") {
        dynamic_cast<ui::MEdit&>(control).SetTitle(LangText(122));
        control.SetImage(QStringLiteral("img_edit.png"), 4);
    } else if (class_name == "NumberEdit" || class_name == "NumberEdit2") {
        auto& number = dynamic_cast<ui::NumberEdit&>(control);
        number.SetRange(1, 20);
        number.SetValue(3);
        control.SetImage(QStringLiteral("img_edit.png"), 4);
    } else if (class_name == "MSlider" || class_name == "LightSlider") {
        auto& slider = dynamic_cast<ui::MSlider&>(control);
        slider.SetRange(0, class_name == "MSlider" ? 19 : 255);
        slider.SetValue(class_name == "MSlider" ? 9 : 200);
        slider.SetThumbImage(class_name == "MSlider" ? QStringLiteral("img_slider_bar.png")
                                                     : QStringLiteral("img_lightslider_bar.png"));
    } else if (class_name == "CArea") {
        dynamic_cast<ui::CArea&>(control).SetColor(0xD027FB);
    } else if (class_name == "CRoundArea") {
        dynamic_cast<ui::CRoundArea&>(control).SetColor(0xC81F1F1F);
    } else if (class_name == "CGifPicture") {
        auto& picture = dynamic_cast<ui::CGifPicture&>(control);
        picture.SetImage(QStringLiteral("loading.gif"), 1);
        picture.SetRunState(true);
    } else if (class_name == "MTabCtrl") {
        auto& tabs = dynamic_cast<ui::MTabCtrl&>(control);
        const std::pair<int, const char*> items[] = {{65, "icon\\tab_home.png"},
                                                     {66, "icon\\tab_key.png"},
                                                     {67, "icon\\tab_dpi.png"},
                                                     {69, "icon\\tab_light.png"},
                                                     {70, "icon\\tab_set.png"}};
        int item = 1;
        for (const auto& [text, icon] : items) {
            tabs.AddItem(item++, LangText(text), QString::fromLatin1(icon));
        }
        tabs.SetSelectItem(2);
    } else if (class_name == "MTabLayout") {
        // A page container shows only its children.
        control.Owner().CreateControl("MText", 101, control.geometry(), LangText(55), &control);
    } else if (class_name == "BatteryCtrl") {
        dynamic_cast<ui::BatteryCtrl&>(control).SetBatteryInfo(70, 0);
    } else if (class_name == "CDeviceState") {
        auto& state = dynamic_cast<ui::CDeviceState&>(control);
        state.SetTitle(LangText(52));
        state.SetImage(QStringLiteral("img_area.png"), 4);
        state.SetConnectionMode(2);
    } else if (class_name == "CDeviceList") {
        auto& list = dynamic_cast<ui::CDeviceList&>(control);
        list.SetImage(QStringLiteral("area_device.png"), 1);
        list.SetVersionLabels(LangText(590), LangText(591));
        list.AddDevice(QStringLiteral("Veltra V1"), 101, QStringLiteral("device\\veltra_v1.png"));
        list.AddDevice(QStringLiteral("Veltra P3"), 102, QStringLiteral("device\\veltra_p3.png"));
        list.SetDeviceState(101, 2, 1);
        list.SetDeviceVersion(101, 0x0102);
        list.SetDeviceBattery(101, 80, 0);
    } else if (class_name == "DPIControl") {
        auto& dpi = dynamic_cast<ui::DPIControl&>(control);
        const std::pair<int, std::uint32_t> levels[] = {
            {1200, 0x0000FF}, {1600, 0xFFFF00}, {2400, 0x00FF00}, {4800, 0xFF0000},
            {6400, 0xFF007F}, {8000, 0x00FFFF}, {9600, 0x007FFF}, {12000, 0xFFFFFF}};
        for (const auto& [value, colour] : levels) {
            dpi.AddItem(value, colour);
        }
        dpi.SetDPIFlag(0xDD);
        dpi.SetSelectItem(2);
    } else if (class_name == "DPISlider") {
        auto& slider = dynamic_cast<ui::DPISlider&>(control);
        slider.SetImage(QStringLiteral("img_dpi_bar.png"), 1);
        slider.SetLimits(10, 240);
        slider.SetProgress(48);
    } else if (class_name == "ReporteCtrl") {
        dynamic_cast<ui::ReporteCtrl&>(control).SetSelectItemValue(1);
    } else if (class_name == "MouseCtrl") {
        auto& mouse = dynamic_cast<ui::MouseCtrl&>(control);
        mouse.SetImage(QStringLiteral("img_key_bkg.png"), 3);
        mouse.AddItem(LangText(140), 0, 0, QPoint(230, 160), QPoint(120, 140), QPoint(40, 140));
        mouse.AddItem(LangText(141), 1, 1, QPoint(322, 160), QPoint(380, 150), QPoint(420, 150));
        mouse.AddItem(LangText(142), 2, 1, QPoint(276, 141), QPoint(380, 95), QPoint(420, 95));
        mouse.AddItem(LangText(143), 3, 0, QPoint(188, 283), QPoint(110, 300), QPoint(40, 300));
        mouse.AddItem(LangText(144), 4, 0, QPoint(190, 235), QPoint(110, 220), QPoint(40, 220));
        mouse.AddItem(LangText(145), 5, 1, QPoint(276, 190), QPoint(380, 205), QPoint(420, 205));
        for (int key = 0; key < 6; ++key) {
            mouse.SetItemKeyDesc(key, LangText(150 + key));
        }
        mouse.SetSelectItem(1);
    } else if (class_name == "MProgress") {
        auto& progress = dynamic_cast<ui::MProgress&>(control);
        progress.SetMaxValue(16000);
        progress.SetValue(6400);
    }
}

void CheckSample(ui::MControl& control) {
    if (auto* group = dynamic_cast<ui::GroupButton*>(&control)) {
        group->SetCheck(true);
    } else if (auto* check = dynamic_cast<ui::CCheckButton*>(&control)) {
        check->SetCheck(true);
    } else if (auto* toggle = dynamic_cast<ui::MButton3*>(&control)) {
        toggle->SetCheck(true);
    }
}

}  // namespace veltra::gallery
