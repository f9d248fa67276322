#include "config/app_info.h"

#include "common/text.h"
#include "shell/app_folders.h"
#include "xml/xml_document.h"

namespace veltra {
namespace {

// Positions count characters (UTF-16 units), not bytes.
std::uint32_t Component(std::u16string_view text, std::size_t pos, std::size_t count) {
    return static_cast<std::uint32_t>(ParseHex(Utf16ToUtf8(text.substr(pos, count)))) & 0xFF;
}

}  // namespace

std::optional<StartupValues> ReadStartupValues(const std::filesystem::path& config_file) {
    XmlReader xml;
    if (!xml.Load(config_file) || !xml.FindElem("config") || !xml.IntoElem() ||
        !xml.FindElem("software")) {
        return std::nullopt;
    }
    return StartupValues{xml.GetAttrib("caption"), ParseThemeColour(xml.GetAttrib("themecolor"))};
}

std::optional<StartupValues> LoadStartupValues() {
    auto values = ReadStartupValues(ProgramFolder() / "config.xml");
    if (values) {
        SetApplicationCaption(values->caption);
    }
    return values;
}

std::uint32_t ParseThemeColour(std::string_view text) {
    const std::u16string units = Utf8ToUtf16(text);
    const std::u16string_view rest =
        units.empty() ? std::u16string_view() : std::u16string_view(units).substr(1);
    std::uint32_t red = 0;
    std::uint32_t green = 0;
    std::uint32_t blue = 0;
    switch (rest.size()) {
        case 6:
            blue = Component(rest, 4, 2);
            [[fallthrough]];
        case 4:
            red = Component(rest, 0, 2);
            green = Component(rest, 2, 2);
            break;
        case 5:
            red = Component(rest, 0, 2);
            green = Component(rest, 2, 2);
            blue = Component(rest, 4, 1);
            break;
        case 3:
            red = Component(rest, 0, 2);
            green = Component(rest, 2, 1);
            break;
        case 2:
            red = Component(rest, 0, 2);
            break;
        default:
            break;
    }
    return 0xFF000000u | (red << 16) | (green << 8) | blue;
}

}  // namespace veltra
