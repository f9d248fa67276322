#include "samples.h"

#include "ui/dialogs/lang_text.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/macro_lists.h"
#include "ui/widgets/palette.h"
#include "ui/widgets/sliders.h"

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
    } else if (class_name == "MProgress") {
        auto& progress = dynamic_cast<ui::MProgress&>(control);
        progress.SetMaxValue(16000);
        progress.SetValue(6400);
    }
}

void CheckSample(ui::MControl& control) {
    (void)control;
}

}  // namespace veltra::gallery
