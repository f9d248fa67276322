#pragma once

// Macro files: one macro, its settings and its steps as an XML file, to move a macro between
// computers. The window's macro page and veltractl's "macros export|import" both come here.
//
// Export writes the layout other copies of the program read, byte for byte. Import is stricter
// than that layout's first reader, which took anything: a file that cannot be read, is no macro,
// names a step type no mouse plays, holds a number that is no whole number or more steps than a
// macro may have changes nothing at all. Numbers are brought into the ranges the upload can
// encode (it writes delays as 16 bits and codes as bytes), and the macro with its steps is
// stored in one transaction. Nothing reaches the mouse: the caller uploads the macros.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "macro/macro_records.h"
#include "store/store_records.h"

namespace veltra {

class ProfileStore;

// Larger files are refused unread: 5000 steps take about 400 kB.
inline constexpr std::size_t kMaxMacroFileBytes = 16u << 20;
// Names and step texts longer than this (UTF-16 code units) are cut to it: the list shows no
// more, and a file cannot fill the store with one text.
inline constexpr std::size_t kMaxMacroFileText = 260;
inline constexpr int kMaxMacroFilePlayTimes = 999;

// Why a file was not taken or written.
enum class MacroFileError {
    kNone,
    kUnreadable,     // missing, not a regular file, no access, or too large
    kMalformed,      // not a well-formed XML document
    kNotAMacro,      // another document element, or no macroinfo
    kInvalidNumber,  // a setting or step attribute that is no whole number
    kUnknownStep,    // a step type no mouse plays
    kTooManySteps,   // more steps than a macro may have
    kTooManyMacros,  // the store holds all the macros the mouse has room for
    kNotFound,       // export: no macro of that id
    kStoreFailed,    // the store refused the writes; none were kept
    kWriteFailed,    // export: the file could not be written; an older file of the name stays
};

// An English reason for veltractl and the log.
std::string MacroFileErrorText(MacroFileError error);

// The file's text for the stored macro; `display_name` is the name as the macro list shows it
// (MacroDisplayName). Nullopt when no macro has that id.
std::optional<std::string> MacroFileText(ProfileStore& store, int macro_id,
                                         std::string_view display_name);

// "<name>-<tick>.xml": the display name made safe (SafeFileName; "macro" when nothing is left)
// and the caller's millisecond tick, so exports of one macro do not replace each other.
std::string MacroFileName(std::string_view display_name, std::uint64_t tick);

// Writes exactly `path`, replacing it atomically.
MacroFileError WriteMacroFile(ProfileStore& store, int macro_id, std::string_view display_name,
                              const std::filesystem::path& path);

// Writes MacroFileName into `folder`. A file of that name is never replaced: "-2", "-3"... are
// added before ".xml" until the name is free. `written` gets the path written.
MacroFileError ExportMacro(ProfileStore& store, int macro_id, std::string_view display_name,
                           const std::filesystem::path& folder, std::uint64_t tick,
                           std::filesystem::path& written);

// A file as read, its numbers already in range. `info.name` is empty when the file names no
// macro; `info.macro_id` is 0. The steps are in record_index order, file order among equal
// indices: storing numbers them 0..n-1 in that order, so a file without indices keeps its order.
struct MacroFile {
    MacroInfo info;
    std::vector<MacroStep> steps;
};

// Reads a file's bytes in any encoding the XML reader detects.
std::optional<MacroFile> ParseMacroFile(std::string_view bytes, MacroFileError& error);

// Reads the file and stores it as a new macro, after the stored ones. A file without a name gets
// NewMacroName(custom_text, number of stored macros); custom_text is language text 351. The new
// macro's id, or 0 with the reason; on 0 the store is unchanged.
int ImportMacro(ProfileStore& store, const std::filesystem::path& path,
                std::string_view custom_text, MacroFileError& error);

}  // namespace veltra
