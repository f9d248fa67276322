#include "cli/command_line.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "cli/output.h"
#include "common/text.h"

namespace veltra::cli {
namespace {

constexpr Command kCommands[] = {
    {"devices", "", "list every supported interface that is connected",
     "Scans the HID interfaces and lists each supported one: vendor and product id, model and\n"
     "device type, connection mode, online state and release number. An interface that cannot\n"
     "be opened for lack of permission is reported with a pointer to the access rule.",
     RunDevices, true},
    {"status", "", "read the mouse and show battery, connection and settings",
     "Rescans, opens the model's profiles, reads the mouse into the active profile and shows\n"
     "battery, charging, connection mode and every setting the mouse carries.",
     RunStatus, true},
    {"get", "[KEY...]", "show stored settings of the active profile",
     "Without keys, every stored setting of the active profile.", RunGet, true},
    {"set", "KEY=VALUE...", "store settings in the active profile and send them to the mouse",
     "Reads the mouse first, stores the values (settings keys only, values checked) and sends\n"
     "one settings write. Example: veltractl set dpi_index=3 game_mode=1",
     RunSet, true},
    {"dpi", "LEVEL VALUE", "set the DPI value of a level (0..7) and send it",
     "Values are multiples of 50 DPI (100 for level 7) within the model's range.", RunDpi, true},
    {"rate", "HZ", "set the report rate (125, 250, 500 or 1000) and send it", "", RunRate, true},
    {"profile", "list | select N | export FILE | import FILE [--send]",
     "list the profiles, choose the active one, save it to a file or load one into it",
     "\"profile select\" changes the active profile only; nothing is sent to the mouse.\n"
     "export writes the active profile's buttons, lighting, DPI levels 1..6 and options to an\n"
     "XML profile file; import replaces them from such a file (numbers outside their ranges are\n"
     "brought into them, settings the file lacks stay). Neither talks to the mouse unless\n"
     "--send is given: the mouse is then read, the file stored over what it had, and the\n"
     "settings and button codes sent. A file that cannot be read changes nothing.",
     RunProfile, true},
    {"keys", "list | set KEYCODE FUNCTION [--desc TEXT] | reset [KEYCODE] | write",
     "button assignments of the active profile",
     "set and reset store the assignment and send the button codes; write sends them as stored.\n"
     "KEYCODE is the button slot 0..5. FUNCTION is one of:\n"
     "  mouse-button|multimedia|system-shortcut|device-function|device-function-extended VALUE\n"
     "      an entry of the window's list for that type: its number or its text as \"keys list\"\n"
     "      shows it; a wrong one is answered with the list\n"
     "  key-combination COMBO\n"
     "      modifiers Ctrl, Shift, Alt, Win joined by \"+\", then at most one key named as the\n"
     "      window names it: Ctrl+Shift+A, Win+Tab, Alt+F4, \"Ctrl+Page Up\", Shift, Windows\n"
     "  rapid-fire BUTTON|KEY COUNT INTERVAL\n"
     "      BUTTON is left, right, middle, forward or back; KEY a key name (key:Left and\n"
     "      key:Right for the arrow keys). COUNT and INTERVAL (ms) are 1..255: the window\n"
     "      corrects typed values, the command line refuses them\n"
     "  macro ID            a stored macro (\"macros list\" shows the ids)\n"
     "  disabled | device-code-06 | device-code-12 VALUE\n"
     "  TYPE VALUE [VALUE2 [VALUE3]]\n"
     "      TYPE as a number 1..11 takes the values as they are stored\n"
     "Every function is checked as the window builds it: one it could not give, a macro that is\n"
     "not stored included, is refused with exit 2 and nothing is stored or sent. --desc replaces\n"
     "the text the button picture shows.\n"
     "examples:\n"
     "  veltractl keys set 1 key-combination Ctrl+C\n"
     "  veltractl keys set 3 multimedia \"Volume up\"\n"
     "  veltractl keys set 4 rapid-fire left 3 20\n"
     "  veltractl keys set 5 disabled",
     RunKeys, true},
    {"macros", "list | new [NAME] | show ID | delete ID | import FILE | export ID FILE | upload",
     "the stored macros and macro files; upload sends them to the mouse",
     "list gives each macro's id, name, steps and upload slot, show one macro's settings and\n"
     "steps. new stores an empty macro (named \"Custom N\" without NAME); delete removes one,\n"
     "and every button assigned to it goes back to its factory function. import stores a macro\n"
     "file as a new macro: a file that cannot be read, holds an unknown step type, a number\n"
     "that is no whole number or more than 5000 steps changes nothing (exit 1); numbers outside\n"
     "their ranges are brought into them. export writes exactly FILE, as the window does. The\n"
     "store holds at most 32 macros.\n"
     "Only upload talks to the mouse: it reads it, sends every macro, then the active profile's\n"
     "button codes, since buttons name macros by slot and a delete moves the later macros up.\n"
     "Example: veltractl macros import ~/burst.xml && veltractl macros upload",
     RunMacros, true},
    {"lighting", "list | set EFFECT [brightness=N] [speed=N] [colour=#RRGGBB]",
     "lighting effects of the active profile",
     "list shows the seven effects (a profile without effects gets the defaults first, as in\n"
     "the window), the active one marked with *, and the settings each offers with their\n"
     "values. set reads the mouse, makes EFFECT (0..6) the active effect, stores the given\n"
     "values (0..255; an effect takes only the settings it offers) and sends one settings\n"
     "write. A model without lighting refuses both (exit 1).\n"
     "Example: veltractl lighting set 1 brightness=128 colour=#00FF00",
     RunLighting, true},
    {"reset", "[--yes]", "factory reset: new profiles, mouse back to its defaults",
     "Recreates the model's profile store, sends the factory-reset commands and reloads the\n"
     "profiles. Asks for confirmation unless --yes is given. A damaged store is kept beside the\n"
     "new one. Without a connected mouse only the store is recreated, and the command says so\n"
     "and exits 1.",
     RunReset, true},
    {"catalogue", "", "list the supported device models and their USB identities", "", RunCatalogue,
     false},
    {"update", "check | driver | firmware",
     "what the update address offers; download and start the driver package or firmware tool",
     "check reads the update manifest at the configured address (the upgrade element of\n"
     "config.xml) and shows the offered versions against the running one. driver and firmware\n"
     "hand the request to the running window, which asks and downloads; without a window they\n"
     "ask here (--yes answers), download the archive into the temp folder of the user's data,\n"
     "check its SHA-256 against the manifest, unpack it and start what it brings. Ctrl+C stops\n"
     "the download and removes the partial file. Nothing is started from an archive whose digest\n"
     "differs.",
     RunUpdate, false},
};

constexpr std::string_view kGlobalHelp =
    "global options:\n"
    "  --json            print one JSON document on stdout, errors included\n"
    "  --demo            use the built-in simulated mouse instead of real HID devices\n"
    "  --device-type N   serve that model (default: the stored one, as the window does)\n"
    "  --verbose         show the frames sent to the mouse\n"
    "  --yes             answer yes to confirmations\n"
    "  --direct          talk to the mouse from here even while the window runs (for debugging:\n"
    "                    the window then takes this command's answers for the mouse's notices)\n"
    "  -h, --help        show help (also after a command)\n"
    "\n"
    "While the window runs, it owns the mouse: every command but catalogue and update is carried\n"
    "out by the window, on its device worker, and prints here what it would print alone.\n"
    "\n"
    "exit codes: 0 success, 1 failure (explained), 2 bad usage; a change that could not be\n"
    "stored or sent is a failure. A write counts as sent once the mouse's interface took it:\n"
    "the mouse confirms no write, so its silence after a write is no failure.\n"
    "environment: VELTRA_PROGRAM_FOLDER, XDG_DATA_HOME, XDG_CONFIG_HOME, VELTRA_HID_BRIDGE,\n"
    "VELTRA_HID_RECORD\n";

void PrintUsage(bool asked) {
    std::string text = "usage: veltractl [options] <command> [arguments]\n\ncommands:\n";
    for (const Command& command : kCommands) {
        char line[160];
        std::snprintf(line, sizeof line, "  %-10.*s %.*s\n", static_cast<int>(command.name.size()),
                      command.name.data(), static_cast<int>(command.summary.size()),
                      command.summary.data());
        text += line;
    }
    text += "\n";
    text += kGlobalHelp;
    if (asked) {
        Out("%s", text.c_str());
    } else {
        Err("%s", text.c_str());
    }
}

void PrintCommandHelp(const Command& command) {
    Out("usage: veltractl [options] %.*s %.*s\n\n%.*s\n", static_cast<int>(command.name.size()),
        command.name.data(), static_cast<int>(command.usage.size()), command.usage.data(),
        static_cast<int>(command.summary.size()), command.summary.data());
    if (!command.details.empty()) {
        Out("\n%.*s\n", static_cast<int>(command.details.size()), command.details.data());
    }
    Out("\n%.*s", static_cast<int>(kGlobalHelp.size()), kGlobalHelp.data());
}

}  // namespace

Invocation ParseCommandLine(const Args& all) {
    Invocation invocation;
    GlobalOptions& options = invocation.options;
    Args& rest = invocation.rest;
    // Global options may stand before or after the command; "--" ends them.
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::string_view arg = all[i];
        if (arg == "--") {
            rest.insert(rest.end(), all.begin() + static_cast<long>(i) + 1, all.end());
            break;
        }
        if (arg == "--json") {
            options.json = true;
        } else if (arg == "--demo") {
            options.demo = true;
        } else if (arg == "--verbose" || arg == "-v") {
            options.verbose = true;
        } else if (arg == "--yes" || arg == "-y") {
            options.yes = true;
        } else if (arg == "--direct") {
            options.direct = true;
        } else if (arg == "--help" || arg == "-h") {
            invocation.help = true;
        } else if (arg == "--device-type" || arg.starts_with("--device-type=")) {
            std::string_view value;
            if (arg == "--device-type") {
                if (i + 1 >= all.size()) {
                    invocation.option_error = "--device-type needs a number";
                    continue;
                }
                value = all[++i];
            } else {
                value = arg.substr(std::string_view("--device-type=").size());
            }
            const std::optional<int> type = ParseInteger<int>(value);
            if (!type || *type < 0) {
                invocation.option_error =
                    "--device-type needs a number, not \"" + std::string(value) + "\"";
                continue;
            }
            options.device_type = *type;
        } else {
            rest.push_back(arg);
        }
    }
    if (!rest.empty()) {
        for (const Command& command : kCommands) {
            if (command.name == rest[0]) {
                invocation.command = &command;
            }
        }
    }
    return invocation;
}

bool WindowCarriesOut(const Invocation& invocation) {
    return invocation.option_error.empty() && !invocation.help && invocation.command != nullptr &&
           invocation.command->through_window;
}

int RunInvocation(const Invocation& invocation) {
    const GlobalOptions& options = invocation.options;
    const Args& rest = invocation.rest;
    SetJsonErrors(options.json);
    if (!invocation.option_error.empty()) {
        return UsageError("", invocation.option_error);
    }
    if (rest.empty() || rest[0] == "help") {
        const bool asked = invocation.help || !rest.empty();
        if (!asked && options.json) {
            return UsageError("", "no command given");
        }
        PrintUsage(asked);
        return asked ? kExitOk : kExitUsage;
    }
    if (invocation.command == nullptr) {
        return UsageError("", "unknown command \"" + std::string(rest[0]) + "\"");
    }
    if (invocation.help) {
        PrintCommandHelp(*invocation.command);
        return kExitOk;
    }
    return invocation.command->run(options, Args(rest.begin() + 1, rest.end()));
}

}  // namespace veltra::cli
