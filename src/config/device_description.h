#pragma once

// Device description files: <program folder>/device/<file stem>.xml, the picture of a model,
// whether it has lighting, and its buttons with their places and factory functions.
//
// The children of `mouse` are searched in document order, each search continuing after the
// element found before, so an `image_file` after `menu`, or a `menu` after `mouse_key`, is not
// seen. A missing attribute reads as 0 or empty text.

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/model_view.h"
#include "store/store_records.h"

namespace veltra {

class ProfileStore;
struct DeviceModelEntry;

struct ButtonDescription {
    int name_id = 0;  // language id of the button's name
    int key_value = 0;
    int direction = 0;
    std::array<ViewPoint, 3> points{};
    // The button's factory function, as the row the store would hold for it.
    KeyAssignment factory;
};

// Each part is present only when its element is.
struct DeviceDescription {
    std::optional<std::string> picture;
    std::optional<bool> lighting;
    std::optional<std::vector<ButtonDescription>> buttons;
};

// nullopt when the file cannot be read or parsed, or has no `mouse` document element.
std::optional<DeviceDescription> ReadDeviceDescription(const std::filesystem::path& file);
std::optional<DeviceDescription> ParseDeviceDescription(std::string_view bytes);

// <program folder>/device/<stem>.xml
std::filesystem::path DeviceDescriptionPath(const std::filesystem::path& program_folder,
                                            std::string_view stem);

// The six numbers of "x1#y1#x2#y2#x3#y3". Five splits from the left each take the text before
// the first '#'; a split without '#' gives 0 and keeps the text, which finally gives the sixth
// number, so "10#20" reads as (10, 0), (0, 0), (0, 20).
std::array<ViewPoint, 3> ParseButtonRect(std::string_view rect);

// The factory rows of the buttons, in button order.
std::vector<KeyAssignment> DefaultKeyList(const std::vector<ButtonDescription>& buttons);

// Where the button page picture goes for a window client rectangle and the home page picture's
// image size.
ViewRect ButtonPagePictureRect(const ViewRect& client, const ViewSize& image);

// What the main window keeps of the selected model.
struct ModelState {
    std::string file_stem;
    std::string button_page_file_stem;
    std::string home_picture;
    std::string button_page_picture;
    bool lighting = false;
    std::vector<ButtonDescription> buttons;
    std::vector<KeyAssignment> default_keys;
};

// Makes the model of the stored DeviceType the selected one: switches `store` to its database
// below UserDataFolder() (an unknown type gets the empty stem) and applies its description from
// ProgramFolder() to `state` and `view`. Without a readable description everything but the
// stems and the store stays as it was; a description without `image_file` or `mouse_key` keeps
// the previous picture or buttons, one without `menu` means no lighting.
void ApplyDeviceModel(const std::vector<DeviceModelEntry>& models, ProfileStore& store,
                      ModelState& state, ModelView& view);

}  // namespace veltra
