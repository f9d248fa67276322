#include "cli/window_route.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/output.h"
#include "cli/traffic_tap.h"
#include "common/json.h"
#include "config/app_info.h"
#include "shell/app_folders.h"
#include "shell/instance_client.h"

namespace veltra::cli {
namespace {

// The caption names the socket; it comes from the program folder's config.xml.
std::filesystem::path WindowSocket() {
    LoadStartupValues();
    return InstanceSocketPath(ApplicationCaption());
}

int Failure(const GlobalOptions& options, const std::string& message) {
    Err("veltractl: %s\n", message.c_str());
    if (options.json) {
        PrintJson({{"error", message}});
    }
    return kExitFailure;
}

std::string ExchangeFailure(const InstanceExchange& exchange, std::chrono::milliseconds limit) {
    switch (exchange.failure) {
        case InstanceFailure::Closed:
            return "the running window closed the connection before it answered (did it stop?); "
                   "the command may have been carried out in part: run \"veltractl status\" to "
                   "see what the mouse has";
        case InstanceFailure::TimedOut:
            return "the running window did not answer within " +
                   std::to_string(std::chrono::duration_cast<std::chrono::seconds>(limit).count()) +
                   " s; it may still carry the command out";
        case InstanceFailure::BadReply:
            return "the running window answered something other than its protocol: " +
                   exchange.detail;
        case InstanceFailure::None:
        case InstanceFailure::NotRunning:
            break;
    }
    return "the running window could not be asked";
}

}  // namespace

std::optional<int> RunThroughWindow(const Args& arguments, const Invocation& invocation,
                                    std::chrono::milliseconds limit) {
    const std::filesystem::path socket = WindowSocket();
    if (socket.empty()) {
        return std::nullopt;
    }
    InstanceRequest request;
    request.kind = InstanceRequest::Kind::Command;
    for (const std::string_view argument : arguments) {
        request.arguments.emplace_back(argument);
    }
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    // Without a working folder a relative file name cannot be found anyway.
    request.folder = error ? "/" : folder.string();
    if (invocation.options.yes) {
        request.confirm = InstanceConfirm::Yes;
    } else {
        request.confirm = isatty(STDIN_FILENO) != 0 ? InstanceConfirm::Ask : InstanceConfirm::None;
    }
    for (;;) {
        const InstanceExchange exchange =
            ExchangeInstanceRequest(socket, request, limit, InstanceConnect::Once);
        if (exchange.failure == InstanceFailure::NotRunning) {
            return std::nullopt;
        }
        if (!exchange.reply) {
            return Failure(invocation.options, ExchangeFailure(exchange, limit));
        }
        const InstanceReply& reply = *exchange.reply;
        if (!reply.ok) {
            return Failure(invocation.options,
                           "the running window refused the command: " + reply.error);
        }
        if (!reply.command) {
            return Failure(invocation.options,
                           "the running window answered without the command's result");
        }
        const CommandOutcome& outcome = *reply.command;
        if (outcome.direct) {
            return std::nullopt;
        }
        if (!outcome.question.empty()) {
            if (request.confirm != InstanceConfirm::Ask) {
                return Failure(invocation.options, "the running window asked a second time");
            }
            request.confirm =
                AskOnTerminal(outcome.question) ? InstanceConfirm::Yes : InstanceConfirm::No;
            continue;
        }
        std::fwrite(outcome.out.data(), 1, outcome.out.size(), stdout);
        std::fwrite(outcome.err.data(), 1, outcome.err.size(), stderr);
        return outcome.exit_code;
    }
}

void WarnWhenWindowRuns() {
    const std::filesystem::path socket = WindowSocket();
    if (!socket.empty() && InstanceListening(socket)) {
        std::fprintf(stderr,
                     "veltractl: warning: the window runs and owns the mouse; with --direct it "
                     "takes this command's answers for the mouse's notices and its pages do not "
                     "show the change until they are refreshed\n");
    }
}

CommandOutcome CarryOutForWindow(const InstanceRequest& request, const WindowLink& link,
                                 DeviceState& state) {
    CommandOutcome outcome;
    const Args arguments(request.arguments.begin(), request.arguments.end());
    const Invocation invocation = ParseCommandLine(arguments);
    if (!WindowCarriesOut(invocation) || invocation.options.direct) {
        outcome.exit_code = kExitUsage;
        outcome.err =
            "veltractl: the window carries out only the commands that talk to the mouse or its "
            "profiles\n";
        return outcome;
    }
    if (invocation.options.demo != link.simulated) {
        outcome.direct = true;
        return outcome;
    }
    WindowHost host;
    host.comm = link.comm;
    host.store = link.store;
    host.tap = link.tap;
    host.hidraw = link.hidraw;
    host.state = &state;
    host.folder = request.folder;
    host.confirm = request.confirm;
    link.tap->RecordWrites(true);
    {
        const WindowHostScope scope(host);
        const OutputCapture capture;
        outcome.exit_code = RunInvocation(invocation);
        outcome.out = capture.out();
        outcome.err = capture.err();
    }
    link.tap->RecordWrites(false);
    if (!host.question.empty()) {
        return {.exit_code = 0, .out = {}, .err = {}, .question = host.question, .direct = false};
    }
    return outcome;
}

}  // namespace veltra::cli
