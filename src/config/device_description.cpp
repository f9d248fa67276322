#include "config/device_description.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

#include "common/text.h"
#include "config/catalogue.h"
#include "config/language.h"
#include "config/xml_values.h"
#include "shell/app_folders.h"
#include "shell/settings_key.h"
#include "store/profile_store.h"
#include "xml/xml_document.h"

namespace veltra {
namespace {

ButtonDescription ReadButton(const XmlReader& xml) {
    ButtonDescription button;
    button.name_id = DecimalAttrib(xml, "name");
    button.key_value = DecimalAttrib(xml, "key_value");
    button.direction = DecimalAttrib(xml, "direction");
    button.points = ParseButtonRect(xml.GetAttrib("rect"));
    KeyAssignment& factory = button.factory;
    factory.key_code = button.key_value;
    factory.layout_value = button.key_value;
    factory.layout_desc = xml.GetAttrib("name");
    factory.macro_type = DecimalAttrib(xml, "func_type");
    factory.macro_value = DecimalAttrib(xml, "func_value");
    factory.macro_desc = xml.GetAttrib("func_desc");
    return button;
}

std::optional<DeviceDescription> ReadLoaded(XmlReader& xml) {
    if (!xml.FindElem("mouse")) {
        return std::nullopt;
    }
    DeviceDescription description;
    xml.IntoElem();
    if (xml.FindElem("image_file")) {
        description.picture = xml.GetAttrib("img");
    }
    if (xml.FindElem("menu")) {
        description.lighting = DecimalAttrib(xml, "light") == 1;
    }
    if (xml.FindElem("mouse_key")) {
        std::vector<ButtonDescription>& buttons = description.buttons.emplace();
        xml.IntoElem();
        while (xml.FindElem("key")) {
            buttons.push_back(ReadButton(xml));
        }
    }
    return description;
}

int Saturate(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

}  // namespace

std::optional<DeviceDescription> ReadDeviceDescription(const std::filesystem::path& file) {
    XmlReader xml;
    if (!xml.Load(file)) {
        return std::nullopt;
    }
    return ReadLoaded(xml);
}

std::optional<DeviceDescription> ParseDeviceDescription(std::string_view bytes) {
    XmlReader xml;
    if (!xml.LoadFromBytes(bytes)) {
        return std::nullopt;
    }
    return ReadLoaded(xml);
}

std::filesystem::path DeviceDescriptionPath(const std::filesystem::path& program_folder,
                                            std::string_view stem) {
    return program_folder / "device" / (std::string(stem) + ".xml");
}

std::array<ViewPoint, 3> ParseButtonRect(std::string_view rect) {
    std::array<int, 6> numbers{};
    for (std::size_t i = 0; i < 5; ++i) {
        const std::size_t hash = rect.find('#');
        if (hash != std::string_view::npos) {
            numbers[i] = SaturateToInt(ParseDecimal(rect.substr(0, hash)));
            rect.remove_prefix(hash + 1);
        }
    }
    numbers[5] = SaturateToInt(ParseDecimal(rect));
    return {ViewPoint{numbers[0], numbers[1]}, ViewPoint{numbers[2], numbers[3]},
            ViewPoint{numbers[4], numbers[5]}};
}

std::vector<KeyAssignment> DefaultKeyList(const std::vector<ButtonDescription>& buttons) {
    std::vector<KeyAssignment> keys;
    keys.reserve(buttons.size());
    for (const ButtonDescription& button : buttons) {
        keys.push_back(button.factory);
    }
    return keys;
}

ViewRect ButtonPagePictureRect(const ViewRect& client, const ViewSize& image) {
    // Wide arithmetic: the sizes come from the window and the image file.
    const std::int64_t x = std::int64_t{client.right} - 500;
    const std::int64_t y = (std::int64_t{client.bottom} - client.top - image.height) / 2 + 20;
    return {Saturate(x), Saturate(y), Saturate(x + image.width), Saturate(y + image.height)};
}

void ApplyDeviceModel(const std::vector<DeviceModelEntry>& models, ProfileStore& store,
                      ModelState& state, ModelView& view) {
    const int device_type = ReadDeviceType();
    const std::string stem = FindFileStem(models, device_type);
    state.file_stem = stem;
    state.button_page_file_stem = stem;
    store.SwitchDeviceModel(UserDataFolder(), stem, device_type);

    std::optional<DeviceDescription> description =
        ReadDeviceDescription(DeviceDescriptionPath(ProgramFolder(), stem));
    if (!description) {
        return;
    }
    if (description->picture) {
        state.home_picture = *description->picture;
        state.button_page_picture = *description->picture;
        view.SetModelPictures(*description->picture);
    }
    const ViewRect client = view.ClientRect();
    if (std::int64_t{client.right} - client.left > 100) {
        view.SetButtonPagePictureRect(ButtonPagePictureRect(client, view.HomePictureImageSize()));
    }
    // A description without `menu` describes a model without lighting; keeping the previous
    // model's flag would offer a lighting page the selected mouse does not have.
    state.lighting = description->lighting.value_or(false);
    view.SetLightingTabVisible(state.lighting);
    if (description->buttons) {
        view.DeleteAllButtons();
        state.default_keys = DefaultKeyList(*description->buttons);
        for (const ButtonDescription& button : *description->buttons) {
            view.AddButton(GetLangText(button.name_id), button.key_value, button.direction,
                           button.points);
        }
        state.buttons = std::move(*description->buttons);
    }
}

}  // namespace veltra
