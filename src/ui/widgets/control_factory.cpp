#include "ui/widgets/control_factory.h"

#include <functional>
#include <utility>

#include "ui/widgets/accessible.h"
#include "ui/widgets/buttons.h"
#include "ui/widgets/fields.h"
#include "ui/widgets/labels.h"
#include "ui/widgets/sliders.h"

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
    {"CArea", &Make<CArea>},
    {"CRoundArea", &Make<CRoundArea>},
    {"CGifPicture", &Make<CGifPicture>},
    {"MButton", &Make<MButton>},
    {"CImageButton", &Make<CImageButton>},
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
    {"MProgress", &Make<MProgress>},
    {"MSlider", &Make<MSlider>},
    {"LightSlider", &Make<LightSlider>},
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
