#include "platform/linux/autostart.h"

#include <string_view>
#include <system_error>

#include "common/file_io.h"
#include "common/text.h"
#include "shell/app_folders.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;

// The escapes of a string value; line breaks of a one-line text become spaces first.
std::string EscapeValue(std::string_view text, bool keep_line_breaks) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += keep_line_breaks ? "\\n" : " ";
                break;
            case '\r':
                out += keep_line_breaks ? "\\r" : " ";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += c;
                break;
        }
    }
    // Readers strip the spaces that begin a value.
    if (!out.empty() && out.front() == ' ') {
        out.replace(0, 1, "\\s");
    }
    return out;
}

std::string OneLineValue(const std::string& text) {
    return EscapeValue(SanitizeUtf8(text), false);
}

bool IsReservedInExec(char c) {
    return std::string_view(" \t\n\"'\\><~|&;$*?#()`").find(c) != std::string_view::npos;
}

// Whether the [Desktop Entry] group says Hidden=true.
bool IsHiddenEntry(std::string_view text) {
    bool in_entry_group = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line =
            TrimAsciiSpace(text.substr(0, end == std::string_view::npos ? text.size() : end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            in_entry_group = line == "[Desktop Entry]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (in_entry_group && equals != std::string_view::npos &&
            TrimAsciiSpace(line.substr(0, equals)) == "Hidden" &&
            TrimAsciiSpace(line.substr(equals + 1)) == "true") {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string DesktopExecArgument(const std::string& argument) {
    std::string quoted;
    bool reserved = argument.empty();
    for (const char c : argument) {
        reserved = reserved || IsReservedInExec(c);
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        // A lone percent sign would start a field code.
        quoted += c == '%' ? std::string("%%") : std::string(1, c);
    }
    if (reserved) {
        quoted = '"' + quoted + '"';
    }
    return EscapeValue(quoted, true);
}

fs::path AutostartEntryPath(const std::string& caption) {
    return ConfigHomeFolder() / "autostart" / (CaptionFolderName(caption) + ".desktop");
}

bool AutostartEntryExists(const std::string& caption) {
    const fs::path path = AutostartEntryPath(caption);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        return false;
    }
    const std::optional<std::string> text = ReadWholeFile(path);
    return !text || !IsHiddenEntry(*text);
}

bool WriteAutostartEntry(const std::string& caption, const fs::path& executable,
                         const std::string& icon_name) {
    if (executable.empty() || !IsValidUtf8(executable.string())) {
        return false;
    }
    std::string entry = "[Desktop Entry]\nType=Application\nName=" + OneLineValue(caption) +
                        "\nExec=" + DesktopExecArgument(executable.string()) + " -autorun\n";
    if (!icon_name.empty()) {
        entry += "Icon=" + OneLineValue(icon_name) + "\n";
    }
    entry += "Terminal=false\nX-GNOME-Autostart-enabled=true\n";
    const fs::path path = AutostartEntryPath(caption);
    return EnsureFolder(path.parent_path()) && WriteFileAtomically(path, entry);
}

bool RemoveAutostartEntry(const std::string& caption) {
    const fs::path path = AutostartEntryPath(caption);
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (fs::is_directory(status)) {
        return true;  // not an entry, and not ours to delete
    }
    fs::remove(path, ec);
    // A folder that cannot be searched hides whether the entry is there: that is no success.
    return fs::symlink_status(path, ec).type() == fs::file_type::not_found;
}

}  // namespace veltra
