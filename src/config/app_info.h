#pragma once

// The start-up values of the application configuration file: caption and theme colour.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace veltra {

struct StartupValues {
    std::string caption;
    std::uint32_t theme_colour = 0;  // ARGB, alpha 255
};

// Reads `config` / `software` (searched from the start of `config`). Nullopt when the file cannot
// be loaded or either element is missing: then nothing is to be registered.
std::optional<StartupValues> ReadStartupValues(const std::filesystem::path& config_file);

// The same for ProgramFolder() / "config.xml"; when found, registers the caption as the
// application caption.
std::optional<StartupValues> LoadStartupValues();

// "#RRGGBB" into opaque ARGB. The first character is dropped whatever it is; shorter texts fill
// from red on (see the definition), and a non-hexadecimal character ends its number.
std::uint32_t ParseThemeColour(std::string_view text);

}  // namespace veltra
