#pragma once

// The single-instance channel. The running window listens on a Unix stream socket named after
// the application caption; a second start of the program, and any other program, sends it
// requests there. A lock file beside the socket tells which process owns the name.
//
// The protocol is line based: every request and every reply is one UTF-8 JSON object followed by
// a newline, and each request gets one reply. docs/instance-protocol.md describes it whole:
//   {"version":2,"request":"show"}
//       bring the window to the front, showing it when hidden;
//   {"version":2,"request":"message","message":1674,"wparam":1,"lparam":0}
//       hand one of the window messages the window accepts from outside to it;
//   {"version":2,"request":"command","arguments":[...],"folder":"/abs","confirm":"ask"}
//       run a veltractl command line in the window, on its device worker;
//   {"version":2,"ok":true}  or  {"version":2,"ok":false,"error":"..."}
//       the reply; a command's reply adds "exit", "stdout" and "stderr", or "question" when it
//       stopped at a confirmation, or "direct":true when the window's device link is not the
//       one the command asked for.
// A request line is refused beyond kInstanceLineLimit bytes, a reply beyond kInstanceReplyLimit;
// neither is gathered further.
//
// Everything here is a pure function of its arguments and the environment; any thread may call it.

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltra {

inline constexpr int kInstanceProtocolVersion = 2;
inline constexpr std::size_t kInstanceLineLimit = 64 * 1024;
inline constexpr std::size_t kInstanceReplyLimit = 16 * 1024 * 1024;

// The window messages other processes may send: connection notices, the exit request, the update
// prompt, profile import and export, the macro page's menu commands, and the language refresh.
inline constexpr std::array<int, 8> kInstanceWindowMessages = {1674, 1691, 1692, 1705,
                                                               1709, 1710, 1711, 2022};

// Where the socket and the lock live: $XDG_RUNTIME_DIR when it is an absolute path to an existing
// folder; else <temp folder>/<caption>-<uid> (the temp folder is $TMPDIR or /tmp), created with
// mode 0700. Because that folder lies in a place everyone may write to, it is refused (empty
// path) when it is a symbolic link, is not a folder, belongs to another user or is open to group
// or others: someone else could then listen in our place.
std::filesystem::path InstanceRuntimeFolder(const std::string& caption);

// Runtime folder / "<caption>.socket" and "<caption>.lock". A socket path must fit the 108 bytes
// of sockaddr_un; when it would not, both files take a short name made from a hash of the caption
// instead, so the pair still agrees (a runtime folder that is itself too long still gives a path
// that cannot be bound). Empty when the runtime folder is refused.
std::filesystem::path InstanceSocketPath(const std::string& caption);
std::filesystem::path InstanceLockPath(const std::string& caption);

// How a command run in the window answers a confirmation it asks for.
enum class InstanceConfirm {
    Ask,   // the sender has a terminal: stop at the question and send it back
    Yes,   // the sender's user said yes
    No,    // ... or no
    None,  // the sender has no terminal to ask on
};

struct InstanceRequest {
    enum class Kind { Show, WindowMessage, Command };
    Kind kind = Kind::Show;
    // For WindowMessage only.
    int message = 0;
    int wparam = 0;
    int lparam = 0;
    // For Command only: the command line without the program name, the sender's working folder
    // (absolute; relative file names are taken from it) and how to confirm.
    std::vector<std::string> arguments;
    std::string folder;
    InstanceConfirm confirm = InstanceConfirm::None;

    bool operator==(const InstanceRequest&) const = default;
};

// One request line, newline included.
std::string EncodeInstanceRequest(const InstanceRequest& request);

// Either a request, or an error that says what is wrong with the line, meant for the reply.
struct DecodedRequest {
    std::optional<InstanceRequest> request;
    std::string error;
};
// `line` with or without its newline. Members the request does not use are ignored, so that a
// newer sender may add some.
DecodedRequest DecodeInstanceRequest(std::string_view line);

// One reply line, newline included; `error` is sent only when `ok` is false.
std::string EncodeInstanceReply(bool ok, std::string_view error);

// What a command run in the window gave.
struct CommandOutcome {
    int exit_code = 0;
    std::string out;
    std::string err;
    // Not empty when the command stopped at this confirmation; nothing was changed.
    std::string question;
    // The command asked for another device link than the window's (the simulated mouse or the
    // real ones): the sender runs it itself.
    bool direct = false;
};
std::string EncodeCommandReply(const CommandOutcome& outcome);

struct InstanceReply {
    bool ok = false;
    std::string error;
    // Present when the reply is a command's.
    std::optional<CommandOutcome> command;
    // False when the line is no reply of this protocol; `error` then says why.
    bool valid = false;
};
InstanceReply DecodeInstanceReply(std::string_view line);

}  // namespace veltra
