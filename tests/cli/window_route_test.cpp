// veltractl beside a running window: the window, started as its own process on the simulated
// mouse, carries the commands out, and veltractl prints what it prints alone.

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_process.h"
#include "common/unique_fd.h"
#include "shell/instance_channel.h"
#include "shell/instance_client.h"
#include "support/bridge_peer_process.h"

namespace veltra::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Joined(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& arg : args) {
        text += (text.empty() ? "" : " ") + arg;
    }
    return text;
}

// Sends raw bytes to the socket and reads one line back (empty when none comes).
std::string RawExchange(const fs::path& socket_path, const std::string& bytes) {
    const UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket_path.c_str(), sizeof(address.sun_path) - 1);
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        return {};
    }
    timeval timeout{.tv_sec = 10, .tv_usec = 0};
    ::setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    // The window may answer and close before all of a long line went out.
    ::send(fd.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
    std::string line;
    char c = 0;
    while (::recv(fd.get(), &c, 1, 0) == 1 && c != '\n') {
        line.push_back(c);
    }
    return line;
}

class WindowRouteTest : public ::testing::Test {
  protected:
    ~WindowRouteTest() override { StopWindow(SIGTERM); }

    // veltra-mouse offscreen with the folders of windowed_, until it takes commands: on the
    // demo mouse, or with `demo` false on the mouse the bridge of VELTRA_HID_BRIDGE serves.
    void StartWindow(bool demo = true) {
        std::vector<std::string> env = windowed_.Environment();
        env.push_back("QT_QPA_PLATFORM=offscreen");
        std::vector<std::string> argv = {std::string(VELTRA_BIN_DIR) + "/veltra-mouse"};
        if (demo) {
            argv.push_back("--demo");
        }
        window_ = StartProcess(argv, env, windowed_.dir().path());
        ASSERT_GT(window_.pid, 0);
        socket_ = windowed_.dir() / "run" / "Veltra Mouse.socket";
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < deadline) {
            // The handler is set once the window is built; before that requests are refused.
            if (InstanceListening(socket_) &&
                windowed_.Run({demo ? "--demo" : "--json", "profile", "list"}).exit_code == 0) {
                return;
            }
            std::this_thread::sleep_for(50ms);
        }
        FAIL() << "the window never took a command";
    }

    ProcessResult StopWindow(int signal) {
        if (window_.pid <= 0) {
            return {};
        }
        ::kill(window_.pid, signal);
        const ProcessResult result = FinishProcess(window_);
        window_.pid = -1;
        return result;
    }

    CliRunner windowed_;
    StartedProcess window_;
    fs::path socket_;
};

// Each side has a mouse of its own that keeps its state between commands: a bridge peer.
TEST_F(WindowRouteTest, CommandsPrintAndSendThroughTheWindowWhatTheyDoAlone) {
    const BridgePeerProcess alone_mouse;
    const BridgePeerProcess window_mouse;
    ASSERT_TRUE(alone_mouse.ready() && window_mouse.ready());
    CliRunner alone;
    alone.SetEnv("VELTRA_HID_BRIDGE", alone_mouse.socket_path());
    windowed_.SetEnv("VELTRA_HID_BRIDGE", window_mouse.socket_path());
    // The window's first synchronisation reads the mouse into the store; so does this.
    ASSERT_EQ(alone.Run({"status"}).exit_code, 0);
    StartWindow(false);
    const std::vector<std::vector<std::string>> commands = {
        {"status"},
        {"--json", "get", "dpi_index", "report_rate"},
        {"--json", "set", "dpi_index=3"},
        {"--verbose", "dpi", "2", "1650"},
        {"set", "nonsense=1"},
        {"dpi", "9", "100"},
        {"keys", "list"},
        {"macros", "new", "Burst"},
        {"--json", "macros", "list"},
        {"macros", "export", "1", "burst.xml"},
        {"--json", "keys", "set", "5", "macro", "1"},
        {"lighting", "list"},
        {"profile", "select", "2"},
        // The window's lighting page gives the new profile its effects; this does too.
        {"lighting", "list"},
        {"profile", "export", "second.xml"},
        {"profile", "import", "missing.xml"},
        {"--json", "profile", "list"},
        {"reset"},
        {"--device-type", "999", "get"},
        {"--json", "devices"},
        {"--json", "status"},
    };
    for (const std::vector<std::string>& args : commands) {
        const ProcessResult expected = alone.Run(args);
        const ProcessResult got = windowed_.Run(args);
        EXPECT_EQ(got.exit_code, expected.exit_code) << Joined(args) << "\n" << got.err;
        EXPECT_EQ(got.out, expected.out) << Joined(args);
        EXPECT_EQ(got.err, expected.err) << Joined(args);
    }
    // Relative file names are the caller's, not the window's.
    for (const char* file : {"burst.xml", "second.xml"}) {
        const std::string written = ReadFile(windowed_.dir() / file);
        EXPECT_FALSE(written.empty()) << file;
        EXPECT_EQ(written, ReadFile(alone.dir() / file)) << file;
    }

    // The window is the one owner: it stops cleanly afterwards.
    const ProcessResult window = StopWindow(SIGTERM);
    EXPECT_EQ(window.exit_code, 0) << window.err;
}

std::string CommandLine(const std::string& arguments, const std::string& confirm) {
    return R"({"version":2,"request":"command","arguments":)" + arguments +
           R"(,"folder":"/","confirm":")" + confirm + "\"}\n";
}

TEST_F(WindowRouteTest, AResetThroughTheWindowAsksItsSenderFirst) {
    StartWindow();
    ASSERT_EQ(windowed_.Run({"--demo", "set", "dpi_index=4"}).exit_code, 0);
    // A sender with a terminal gets the question back, and nothing happens until it answers.
    const InstanceReply asked =
        DecodeInstanceReply(RawExchange(socket_, CommandLine(R"(["--demo","reset"])", "ask")));
    ASSERT_TRUE(asked.command);
    EXPECT_EQ(asked.command->question,
              "Reset the Veltra V1 to its factory settings and recreate its five profiles?");
    const InstanceReply declined =
        DecodeInstanceReply(RawExchange(socket_, CommandLine(R"(["--demo","reset"])", "no")));
    ASSERT_TRUE(declined.command);
    EXPECT_EQ(declined.command->exit_code, 1);
    EXPECT_EQ(declined.command->err, "veltractl: reset cancelled; nothing was changed\n");
    EXPECT_EQ(windowed_.Run({"--demo", "get", "dpi_index"}).out, "dpi_index=4\n");

    const ProcessResult reset = windowed_.Run({"--demo", "--json", "--yes", "reset"});
    EXPECT_EQ(reset.exit_code, 0) << reset.err;
    CliRunner alone;
    const ProcessResult expected = alone.Run({"--demo", "--json", "--yes", "reset"});
    EXPECT_EQ(reset.out, expected.out);
    // The window's own store is the recreated one (the window then follows the mouse's restart
    // and reads it, as after its own reset).
    EXPECT_NE(windowed_.Run({"--demo", "get", "dpi_index"}).out, "dpi_index=4\n");
}

TEST_F(WindowRouteTest, DirectRunsHereAndWarnsWhileTheWindowRuns) {
    StartWindow();
    const ProcessResult direct = windowed_.Run({"--demo", "--direct", "get", "dpi_index"});
    EXPECT_EQ(direct.exit_code, 0) << direct.err;
    EXPECT_NE(direct.err.find("warning: the window runs and owns the mouse"), std::string::npos)
        << direct.err;
    // Without --demo the command wants the real mice, which the demo window does not own.
    const ProcessResult real = windowed_.Run({"catalogue"});
    EXPECT_EQ(real.exit_code, 0);
    EXPECT_EQ(real.err, "");
}

TEST_F(WindowRouteTest, HostileRequestsAreRefusedAndChangeNothing) {
    StartWindow();
    const std::string before = windowed_.Run({"--demo", "--json", "get"}).out;
    const std::string garbage = RawExchange(socket_, "\x01\x02 not json\n");
    EXPECT_EQ(DecodeInstanceReply(garbage).error, "malformed JSON") << garbage;
    const std::string flood = RawExchange(socket_, std::string(10 * 1024 * 1024, 'x') + "\n");
    EXPECT_EQ(DecodeInstanceReply(flood).error, "request longer than the line limit") << flood;
    for (const int version : {1, 3}) {
        const std::string line =
            RawExchange(socket_, "{\"version\":" + std::to_string(version) +
                                     ",\"request\":\"command\",\"arguments\":[\"--demo\",\"set\","
                                     "\"dpi_index=5\"],\"folder\":\"/\",\"confirm\":\"yes\"}\n");
        EXPECT_NE(line.find("unsupported protocol version " + std::to_string(version) +
                            " (this program speaks 2)"),
                  std::string::npos)
            << line;
    }
    const std::string other =
        RawExchange(socket_, R"({"version":2,"request":"command","arguments":["update","driver"],)"
                             R"("folder":"/","confirm":"yes"})"
                             "\n");
    const InstanceReply refused = DecodeInstanceReply(other);
    ASSERT_TRUE(refused.command) << other;
    EXPECT_EQ(refused.command->exit_code, 2);
    EXPECT_EQ(windowed_.Run({"--demo", "--json", "get"}).out, before);
}

TEST_F(WindowRouteTest, AnotherUserIsRefused) {
    const std::optional<std::vector<std::string>> unprivileged = UnprivilegedPrefix();
    if (!unprivileged || unprivileged->empty()) {
        GTEST_SKIP() << "needs root and setpriv to run a second user";
    }
    StartWindow();
    const std::string before = windowed_.Run({"--demo", "--json", "get"}).out;
    // Open the way a careless setup would: only the peer check stays.
    fs::permissions(windowed_.dir().path(), fs::perms::all);
    fs::permissions(windowed_.dir() / "run", fs::perms::all);
    fs::permissions(socket_, fs::perms::all);
    CliRunner other;
    fs::permissions(other.dir().path(), fs::perms::all);
    ASSERT_TRUE(other.UseCopyOfTheProgram());
    other.SetPrefix(*unprivileged);
    other.SetEnv("XDG_RUNTIME_DIR", (windowed_.dir() / "run").string());
    const ProcessResult result = other.Run({"--demo", "set", "dpi_index=5"});
    EXPECT_EQ(result.exit_code, 1) << result.out;
    EXPECT_NE(result.err.find("the window belongs to another user"), std::string::npos)
        << result.err;
    EXPECT_EQ(windowed_.Run({"--demo", "--json", "get"}).out, before);
}

TEST_F(WindowRouteTest, AWindowKilledMidCommandFailsClearlyAtOnce) {
    StartWindow();
    // A write to the demo mouse keeps the window's worker busy for about two seconds.
    const StartedProcess command = windowed_.Start({"--demo", "dpi", "3", "2000"});
    std::this_thread::sleep_for(500ms);
    const auto killed = std::chrono::steady_clock::now();
    StopWindow(SIGKILL);
    const ProcessResult result = windowed_.Finish(command);
    EXPECT_LT(std::chrono::steady_clock::now() - killed, 5s);
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_NE(result.err.find("closed the connection before it answered"), std::string::npos)
        << result.err;
    // With the window gone, veltractl talks to the mouse itself again.
    EXPECT_EQ(windowed_.Run({"--demo", "get", "dpi_index"}).exit_code, 0);
}

}  // namespace
}  // namespace veltra::test
