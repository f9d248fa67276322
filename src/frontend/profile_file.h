#pragma once

// Profile files: one profile's button assignments, lighting effects, first six DPI levels and
// option values as an XML file, to move settings between computers. The window's import and
// export buttons and veltractl's "profile export|import" both come here.
//
// Export writes the layout other copies of the program read, byte for byte. Import is stricter
// than that layout's first reader: a file that cannot be read, or holds none of the sections,
// changes nothing at all; a section's missing value keeps the stored one; numbers are brought
// into their ranges; and everything is written in one store transaction. Nothing reaches the
// mouse: the caller refreshes its view, and the next settings change sends the profile.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/key_function.h"
#include "store/store_records.h"

namespace veltra {

class ProfileStore;

// Larger files are refused unread: 10 000 button assignments take about 1.5 MB.
inline constexpr std::size_t kMaxProfileFileBytes = 16u << 20;
// A section with more items, or an item for a key code above this, is no profile's.
inline constexpr std::size_t kMaxProfileFileItems = 1024;
inline constexpr int kMaxProfileFileKeyCode = 255;

// What to export. The key items come from `key_profile`, every other section from `profile`
// (a request from outside may name another profile for the keys; the window's button passes
// the current profile for both).
struct ProfileExport {
    int profile = 0;
    int key_profile = 0;
    std::string name;       // the profile's name as the profile list shows it
    bool lighting = false;  // whether the model has lighting
};

// The file's text.
std::string ProfileFileText(ProfileStore& store, const ProfileExport& request);

// The file name a save dialog suggests: the profile's name made safe (SafeFileName) with ".xml"
// added; "profile.xml" when nothing of the name is left.
std::string SuggestedProfileFileName(std::string_view profile_name);

// The sections of a file as read, before any rule is applied. A missing attribute reads as "".
struct ProfileFileSettings {
    std::vector<std::pair<std::string, std::string>> values;  // key, text; in file order
};
struct ProfileFileLight {
    std::string active_mode;  // the `lightmode` text
    std::vector<LightMode> modes;
};
struct ProfileFile {
    std::string name;
    std::optional<std::vector<KeyAssignment>> keys;
    std::optional<ProfileFileLight> lighting;  // read only for a model with lighting
    std::optional<ProfileFileSettings> dpi;
    std::optional<ProfileFileSettings> options;  // Mouse and mouse_properties
};

// Why a file was not taken.
enum class ProfileFileError {
    kNone,
    kUnreadable,    // missing, not a regular file, no access, or too large
    kMalformed,     // not a well-formed XML document
    kNotAProfile,   // another document element, or no profileinfo
    kInvalidItems,  // an item whose numbers are no whole numbers, a key code out of range,
                    // more items than any profile has
    kNoSections,    // a profile without any section this model takes
    kStoreFailed,   // the store refused the writes; none were kept
    kWriteFailed,   // export: the file could not be written; an older file of the name stays
};

// An English reason for veltractl and the log.
std::string ProfileFileErrorText(ProfileFileError error);

// Reads a file's bytes in any encoding the XML reader detects. `lighting` says whether the
// model reads the lighting section.
std::optional<ProfileFile> ParseProfileFile(std::string_view bytes, bool lighting,
                                            ProfileFileError& error);

struct ProfileImport {
    int profile = 0;
    int device_type = 0;
    bool lighting = false;
    LangTextLookup lang;  // names the default lighting effects a profile may still lack
};

// What an import stored.
struct ProfileImportResult {
    ProfileFileError error = ProfileFileError::kNone;
    std::string name;                                           // the profile name the file gives
    int keys = 0;                                               // button assignments stored
    int light_modes = 0;                                        // lighting effects changed
    std::vector<std::pair<std::string, std::string>> settings;  // settings rows stored
    std::vector<std::string> corrected;  // settings whose text was brought into range
    std::vector<std::string> kept;       // settings found without a usable value

    bool ok() const { return error == ProfileFileError::kNone; }
};

// Applies a read file to the profile: all button assignments replaced, the lighting effects the
// profile has, the settings found. One transaction: on a store failure nothing is kept.
ProfileImportResult ApplyProfileFile(ProfileStore& store, const ProfileFile& file,
                                     const ProfileImport& target);

// Export and import of a file on disk. Export replaces the file atomically.
ProfileFileError ExportProfile(ProfileStore& store, const std::filesystem::path& path,
                               const ProfileExport& request);
ProfileImportResult ImportProfile(ProfileStore& store, const std::filesystem::path& path,
                                  const ProfileImport& target);

}  // namespace veltra
