#pragma once
// The window program's start: the composition root of veltra-mouse. It decides the scaling,
// registers the caption and theme colour, keeps to one instance per caption, chooses the
// language, prepares the folders, picks the device link and runs the main window until it shuts
// down.

#include <optional>
#include <string>
#include <vector>

namespace veltra::app {

struct AppOptions {
    bool demo = false;
    // Started with the session: begins hidden in the notification area when asked to.
    bool autorun = false;
    bool help = false;
    bool version = false;
};

struct ParsedOptions {
    std::optional<AppOptions> options;
    std::string error;  // the bad argument, when options is empty
};

ParsedOptions ParseAppOptions(const std::vector<std::string>& arguments);

// The whole run; returns the process's exit code.
int RunWindowApp(int argc, char** argv);

}  // namespace veltra::app
