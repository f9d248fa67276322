#include "macro/macro_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <system_error>

#include "common/file_io.h"
#include "common/text.h"
#include "macro/macro_store.h"
#include "settings/key_input.h"
#include "store/profile_store.h"
#include "xml/xml_document.h"

namespace veltra {
namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
constexpr int kMaxMoveXY = 0xFFFF;
constexpr int kMaxCode = 255;
// Enough for every export of one tick; more means the folder is not ours to fill.
constexpr int kMaxNameAttempts = 1000;

// A decimal attribute: 0 when missing or blank, nullopt for anything but a whole number.
std::optional<int> Number(const XmlReader& xml, std::string_view name) {
    const std::string text = xml.GetAttrib(name);
    const std::string_view trimmed = TrimAsciiSpace(text);
    if (trimmed.empty()) {
        return 0;
    }
    return ParseInteger<int>(trimmed);
}

// The value as the upload can encode it for the step type.
int StepValueInRange(MacroRecordType type, int value) {
    switch (type) {
        case MacroRecordType::Delay:
            return std::clamp(value, kMinEditedDelay, kMaxRecordedGap);
        case MacroRecordType::ScrollUp:
            return kWheelAwayValue;
        case MacroRecordType::ScrollDown:
            return kWheelTowardsValue;
        case MacroRecordType::MoveUp:
        case MacroRecordType::MoveDown:
        case MacroRecordType::MoveLeft:
        case MacroRecordType::MoveRight:
            return std::clamp(value, kMinMoveDistance, kMaxMoveDistance);
        case MacroRecordType::MoveXY:
            return std::clamp(value, 0, kMaxMoveXY);
        case MacroRecordType::KeyDown:
        case MacroRecordType::KeyUp:
        case MacroRecordType::MouseDown:
        case MacroRecordType::MouseUp:
            break;
    }
    return std::clamp(value, 0, kMaxCode);
}

bool ReadSettings(const XmlReader& xml, MacroInfo& info) {
    const std::optional<int> play_type = Number(xml, "macro_type");
    const std::optional<int> play_times = Number(xml, "play_times");
    const std::optional<int> delay_type = Number(xml, "delay_type");
    const std::optional<int> delay_time = Number(xml, "delay_time");
    if (!play_type || !play_times || !delay_type || !delay_time) {
        return false;
    }
    info.name = TruncateUtf16(xml.GetAttrib("macro_name"), kMaxMacroFileText);
    const bool known_play = *play_type >= static_cast<int>(PlayType::Times) &&
                            *play_type <= static_cast<int>(PlayType::UntilAnyKey);
    info.play_type = known_play ? *play_type : static_cast<int>(PlayType::Times);
    info.play_times = std::clamp(*play_times, 1, kMaxMacroFilePlayTimes);
    const bool known_delay = *delay_type >= static_cast<int>(DelayType::NoDelays) &&
                             *delay_type <= static_cast<int>(DelayType::FixedDelay);
    info.delay_type = known_delay ? *delay_type : static_cast<int>(DelayType::RecordedDelays);
    info.delay_time = std::clamp(*delay_time, 0, kMaxEditedDelay);
    return true;
}

struct IndexedStep {
    int index = 0;
    MacroStep step;
};

MacroFileError ReadStep(const XmlReader& xml, IndexedStep& out) {
    const std::optional<int> index = Number(xml, "index");
    const std::optional<int> type = Number(xml, "type");
    const std::optional<int> value = Number(xml, "value");
    const std::optional<int> timestamp = Number(xml, "timestamp");
    if (!index || !type || !value || !timestamp) {
        return MacroFileError::kInvalidNumber;
    }
    if (!IsMacroRecordType(*type)) {
        return MacroFileError::kUnknownStep;
    }
    out.index = *index;
    out.step.text = TruncateUtf16(xml.GetAttrib("desc"), kMaxMacroFileText);
    out.step.type = *type;
    out.step.value = StepValueInRange(static_cast<MacroRecordType>(*type), *value);
    out.step.timestamp = *timestamp;
    return MacroFileError::kNone;
}

// The items of the macroitems element at the reader's position.
MacroFileError ReadSteps(XmlReader& xml, std::vector<MacroStep>& steps) {
    std::vector<IndexedStep> read;
    xml.IntoElem();
    MacroFileError error = MacroFileError::kNone;
    while (error == MacroFileError::kNone && xml.FindElem("item")) {
        IndexedStep step;
        error = ReadStep(xml, step);
        if (error == MacroFileError::kNone && read.size() >= kRecordLimitAtStart) {
            error = MacroFileError::kTooManySteps;
        }
        if (error == MacroFileError::kNone) {
            read.push_back(std::move(step));
        }
    }
    xml.OutOfElem();
    std::stable_sort(read.begin(), read.end(),
                     [](const IndexedStep& a, const IndexedStep& b) { return a.index < b.index; });
    for (IndexedStep& step : read) {
        steps.push_back(std::move(step.step));
    }
    return error;
}

std::string NumberedFileName(std::string_view display_name, std::uint64_t tick, int number) {
    std::string name = SafeFileName(display_name);
    if (name.empty()) {
        name = "macro";
    }
    name += "-" + std::to_string(tick);
    if (number > 1) {
        name += "-" + std::to_string(number);
    }
    return name + ".xml";
}

}  // namespace

std::string MacroFileErrorText(MacroFileError error) {
    switch (error) {
        case MacroFileError::kNone:
            return {};
        case MacroFileError::kUnreadable:
            return "the file cannot be read";
        case MacroFileError::kMalformed:
            return "the file is not a well-formed XML document";
        case MacroFileError::kNotAMacro:
            return "the file is not a macro file";
        case MacroFileError::kInvalidNumber:
            return "the file holds a macro setting or step that is not a whole number";
        case MacroFileError::kUnknownStep:
            return "the file holds a step type no mouse plays";
        case MacroFileError::kTooManySteps:
            return "the file holds more than " + std::to_string(kRecordLimitAtStart) + " steps";
        case MacroFileError::kTooManyMacros:
            return "the store already holds " + std::to_string(kMaxMacros) +
                   " macros, all the mouse has room for";
        case MacroFileError::kNotFound:
            return "no such macro is stored";
        case MacroFileError::kStoreFailed:
            return "the profile store refused the change";
        case MacroFileError::kWriteFailed:
            return "the file cannot be written";
    }
    return {};
}

std::optional<std::string> MacroFileText(ProfileStore& store, int macro_id,
                                         std::string_view display_name) {
    MacroInfo info;
    if (macro_id <= 0 || !store.LoadMacro(macro_id, info)) {
        return std::nullopt;
    }
    std::vector<MacroRecord> records;
    store.LoadMacroRecords(macro_id, records);

    XmlWriter xml{std::string(kDeclaration)};
    xml.AddElem("macro");
    xml.IntoElem();
    xml.AddElem("macroinfo");
    xml.AddAttrib("macro_name", display_name);
    xml.AddAttrib("macro_type", info.play_type);
    xml.AddAttrib("play_times", info.play_times);
    xml.AddAttrib("delay_type", info.delay_type);
    xml.AddAttrib("delay_time", info.delay_time);
    xml.AddElem("macroitems");
    xml.IntoElem();
    for (const MacroRecord& record : records) {
        xml.AddElem("item");
        xml.AddAttrib("desc", record.desc);
        xml.AddAttrib("index", record.record_index);
        xml.AddAttrib("type", record.type);
        xml.AddAttrib("value", record.value);
        xml.AddAttrib("timestamp", record.delay_time);
    }
    return xml.ToString();
}

std::string MacroFileName(std::string_view display_name, std::uint64_t tick) {
    return NumberedFileName(display_name, tick, 1);
}

MacroFileError WriteMacroFile(ProfileStore& store, int macro_id, std::string_view display_name,
                              const std::filesystem::path& path) {
    const std::optional<std::string> text = MacroFileText(store, macro_id, display_name);
    if (!text) {
        return MacroFileError::kNotFound;
    }
    return WriteFileAtomically(path, *text, FileAccess::kShared) ? MacroFileError::kNone
                                                                 : MacroFileError::kWriteFailed;
}

MacroFileError ExportMacro(ProfileStore& store, int macro_id, std::string_view display_name,
                           const std::filesystem::path& folder, std::uint64_t tick,
                           std::filesystem::path& written) {
    for (int number = 1; number <= kMaxNameAttempts; ++number) {
        const std::filesystem::path path = folder / NumberedFileName(display_name, tick, number);
        std::error_code ignored;
        // A dangling link counts as taken too: writing through it would leave the folder.
        if (std::filesystem::exists(std::filesystem::symlink_status(path, ignored))) {
            continue;
        }
        const MacroFileError error = WriteMacroFile(store, macro_id, display_name, path);
        if (error == MacroFileError::kNone) {
            written = path;
        }
        return error;
    }
    return MacroFileError::kWriteFailed;
}

std::optional<MacroFile> ParseMacroFile(std::string_view bytes, MacroFileError& error) {
    XmlReader xml;
    if (!xml.LoadFromBytes(bytes)) {
        error = MacroFileError::kMalformed;
        return std::nullopt;
    }
    if (!xml.FindElem("macro") || !xml.IntoElem() || !xml.FindElem("macroinfo")) {
        error = MacroFileError::kNotAMacro;
        return std::nullopt;
    }
    MacroFile file;
    if (!ReadSettings(xml, file.info)) {
        error = MacroFileError::kInvalidNumber;
        return std::nullopt;
    }
    // The steps follow macroinfo; a file that puts them inside it is read as well.
    bool found = xml.FindElem("macroitems");
    if (!found) {
        xml.IntoElem();
        found = xml.FindElem("macroitems");
    }
    if (found) {
        error = ReadSteps(xml, file.steps);
        if (error != MacroFileError::kNone) {
            return std::nullopt;
        }
    }
    error = MacroFileError::kNone;
    return file;
}

int ImportMacro(ProfileStore& store, const std::filesystem::path& path,
                std::string_view custom_text, MacroFileError& error) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::size_t>(info.st_size) > kMaxMacroFileBytes) {
        error = MacroFileError::kUnreadable;
        return 0;
    }
    const std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes) {
        error = MacroFileError::kUnreadable;
        return 0;
    }
    std::optional<MacroFile> file = ParseMacroFile(*bytes, error);
    if (!file) {
        return 0;
    }
    if (file->info.name.empty()) {
        std::vector<MacroInfo> macros;
        file->info.name = NewMacroName(custom_text, store.LoadMacros(macros));
    }
    MacroChange outcome = MacroChange::kDone;
    const int id = CreateMacroWithSteps(store, file->info, file->steps, outcome);
    switch (outcome) {
        case MacroChange::kDone:
            error = MacroFileError::kNone;
            break;
        case MacroChange::kTooManyMacros:
            error = MacroFileError::kTooManyMacros;
            break;
        case MacroChange::kNotFound:
        case MacroChange::kStoreFailed:
            error = MacroFileError::kStoreFailed;
            break;
    }
    return id;
}

}  // namespace veltra
