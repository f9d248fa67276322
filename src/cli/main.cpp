// veltractl: the command-line tool. Each subcommand is one function in the table below.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "config/app_info.h"
#include "config/catalogue.h"
#include "config/language.h"
#include "shell/app_folders.h"

namespace veltra {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

using Args = std::vector<std::string_view>;

struct Command {
    std::string_view name;
    std::string_view summary;
    int (*run)(const Args& args);
};

std::string ModeName(int mode) {
    struct Name {
        int mode;
        int text_id;
        const char* fallback;
    };
    static constexpr Name kNames[] = {{0, 51, "wired"}, {1, 53, "Bluetooth"}, {2, 52, "receiver"}};
    for (const Name& name : kNames) {
        if (name.mode == mode) {
            const std::string text = GetLangText(name.text_id);
            return text.empty() ? name.fallback : text;
        }
    }
    return "mode " + std::to_string(mode);
}

int RunCatalogue(const Args& args) {
    if (!args.empty()) {
        std::fprintf(stderr, "veltractl catalogue: takes no arguments\n");
        return kExitUsage;
    }
    // As the program starts: caption from the configuration file, then the language. Without a
    // configuration there is nothing to show, and the settings are left untouched.
    const bool registered = LoadStartupValues().has_value();
    const Catalogue catalogue = LoadCatalogue();
    if (!registered && catalogue.models.empty()) {
        const std::filesystem::path config = ProgramFolder() / "config.xml";
        std::fprintf(stderr, "veltractl: no device catalogue in %s\n", config.c_str());
        return kExitFailure;
    }
    ChooseStartupLanguage();
    std::printf("%s\n", ApplicationCaption().c_str());
    if (catalogue.software.found) {
        std::printf("%s\n", FormatVersionLabel(catalogue.software.version).c_str());
    }
    std::printf("program folder: %s\nlanguage: %d\n", ProgramFolder().c_str(), CurrentLanguageId());
    for (const DeviceModelEntry& model : catalogue.models) {
        std::printf("\n%s  (device type %d, files \"%s\")\n", model.name.c_str(), model.device_type,
                    model.file_stem.c_str());
        for (const DeviceModelEntry& mode : catalogue.modes) {
            if (mode.device_type == model.device_type && mode.name == model.name) {
                std::printf("  %04X:%04X  %s\n", static_cast<unsigned>(mode.vid) & 0xFFFF,
                            static_cast<unsigned>(mode.pid) & 0xFFFF,
                            ModeName(mode.connection_mode).c_str());
            }
        }
    }
    return kExitOk;
}

constexpr Command kCommands[] = {
    {"catalogue", "list the supported device models and their USB identities", RunCatalogue},
};

void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: veltractl <command> [arguments]\n\ncommands:\n");
    for (const Command& command : kCommands) {
        std::fprintf(out, "  %-12.*s %.*s\n", static_cast<int>(command.name.size()),
                     command.name.data(), static_cast<int>(command.summary.size()),
                     command.summary.data());
    }
}

int Main(const Args& args) {
    if (args.empty()) {
        PrintUsage(stdout);
        return kExitUsage;
    }
    if (args[0] == "-h" || args[0] == "--help" || args[0] == "help") {
        PrintUsage(stdout);
        return kExitOk;
    }
    for (const Command& command : kCommands) {
        if (command.name == args[0]) {
            return command.run(Args(args.begin() + 1, args.end()));
        }
    }
    std::fprintf(stderr, "veltractl: unknown command \"%.*s\"\n", static_cast<int>(args[0].size()),
                 args[0].data());
    PrintUsage(stderr);
    return kExitUsage;
}

}  // namespace
}  // namespace veltra

int main(int argc, char** argv) {
    return veltra::Main(veltra::Args(argv + 1, argv + argc));
}
