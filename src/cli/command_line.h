#pragma once

// veltractl's command line: the global options, the table of commands (one handler group per
// file) and running one of them. The same for a command run here and one the window runs for
// another veltractl (cli/window_route.h).

#include <string>

#include "cli/session.h"

namespace veltra::cli {

struct Invocation {
    GlobalOptions options;
    // The command and its arguments.
    Args rest;
    bool help = false;
    // Reported when the invocation runs, so that a later --json still applies.
    std::string option_error;
    // The command rest names; null for none or an unknown one.
    const Command* command = nullptr;
};

Invocation ParseCommandLine(const Args& all);

// True when the invocation runs a command that the running window carries out.
bool WindowCarriesOut(const Invocation& invocation);

// The exit status of the command, help or usage error, with its output written.
int RunInvocation(const Invocation& invocation);

}  // namespace veltra::cli
