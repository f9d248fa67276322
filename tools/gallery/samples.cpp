#include "samples.h"

#include "ui/dialogs/lang_text.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/labels.h"
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
