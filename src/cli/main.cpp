// veltractl: the command-line tool. While the window runs, it carries the commands out that
// talk to the mouse (cli/window_route.h); otherwise, or with --direct, they run here.

#include "cli/command_line.h"
#include "cli/window_route.h"

int main(int argc, char** argv) {
    using namespace veltra::cli;
    const Args arguments(argv + 1, argv + argc);
    const Invocation invocation = ParseCommandLine(arguments);
    if (WindowCarriesOut(invocation)) {
        if (invocation.options.direct) {
            WarnWhenWindowRuns();
        } else if (const std::optional<int> code = RunThroughWindow(arguments, invocation)) {
            return *code;
        }
    }
    return RunInvocation(invocation);
}
