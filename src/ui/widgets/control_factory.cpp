#include "ui/widgets/control_factory.h"

#include <functional>
#include <utility>

#include "ui/widgets/accessible.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/device_controls.h"
#include "ui/widgets/dpi_controls.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/macro_lists.h"
#include "ui/widgets/mouse_ctrl.h"
#include "ui/widgets/palette.h"
#include "ui/widgets/sliders.h"
#include "ui/widgets/tabs.h"

namespace veltra::ui {
namespace {

using Maker = MControl* (*)(MDialog&, QWidget*, int);

template <typename T>
MControl* Make(MDialog& owner, QWidget* parent, int id) {
    return new T(owner, parent, id);
}

// One line per class the pages create.
const std::pair<std::string_view, Maker> kClasses[] = {
    {"MText", &Make<MText>},
    {"MPicture", &Make<MPicture>},
    // Standard controls.
    {"CArea", &Make<CArea>},
    {"CRoundArea", &Make<CRoundArea>},
    {"CGifPicture", &Make<CGifPicture>},
    {"MButton3", &Make<MButton3>},
    {"CTextButton", &Make<CTextButton>},
    {"CHelpButton", &Make<CHelpButton>},
    {"CIconButton", &Make<CIconButton>},
    {"CCheckButton", &Make<CCheckButton>},
    {"CRadioButton", &Make<CRadioButton>},
    {"CColorButton", &Make<CColorButton>},
    {"MComboBox", &Make<MComboBox>},
    {"MEdit", &Make<MEdit>},
    {"NumberEdit", &Make<NumberEdit>},
    {"NumberEdit2", &Make<NumberEdit2>},
    {"MSlider", &Make<MSlider>},
    {"LightSlider", &Make<LightSlider>},
    {"MButton", &Make<MButton>},
    {"CImageButton", &Make<CImageButton>},
    {"MProgress", &Make<MProgress>},
    {"CirclePalette", &Make<CirclePalette>},
    {"PaletteBar", &Make<PaletteBar>},
    {"MacroList", &Make<MacroList>},
    {"CRecordList", &Make<CRecordList>},
    // The frame and the device pages.
    {"MTabCtrl", &Make<MTabCtrl>},
    {"MTabLayout", &Make<MTabLayout>},
    {"BatteryCtrl", &Make<BatteryCtrl>},
    {"CDeviceState", &Make<CDeviceState>},
    {"CDeviceList", &Make<CDeviceList>},
    {"DPIControl", &Make<DPIControl>},
    {"DPISlider", &Make<DPISlider>},
    {"ReporteCtrl", &Make<ReporteCtrl>},
    {"MouseCtrl", &Make<MouseCtrl>},
};

}  // namespace

MControl* MakeControl(std::string_view class_name, MDialog& owner, QWidget* parent, int id) {
    InstallAccessibility();
    for (const auto& [name, maker] : kClasses) {
        if (name == class_name) {
            return maker(owner, parent, id);
        }
    }
    return nullptr;
}

std::vector<std::string_view> ControlClassNames() {
    std::vector<std::string_view> names;
    for (const auto& [name, maker] : kClasses) {
        (void)maker;
        names.push_back(name);
    }
    return names;
}

}  // namespace veltra::ui
