#include "shell/instance_channel.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;

InstanceRequest Message(int message, int wparam, int lparam) {
    InstanceRequest request;
    request.kind = InstanceRequest::Kind::WindowMessage;
    request.message = message;
    request.wparam = wparam;
    request.lparam = lparam;
    return request;
}

std::string Error(std::string_view line) {
    const DecodedRequest decoded = DecodeInstanceRequest(line);
    EXPECT_FALSE(decoded.request) << line;
    return decoded.error;
}

TEST(InstanceRequestTest, RequestsSurviveTheRoundTrip) {
    EXPECT_EQ(EncodeInstanceRequest({}), "{\"version\":2,\"request\":\"show\"}\n");
    const InstanceRequest message = Message(1674, 1, 0);
    EXPECT_EQ(
        EncodeInstanceRequest(message),
        "{\"version\":2,\"request\":\"message\",\"message\":1674,\"wparam\":1,\"lparam\":0}\n");
    for (const InstanceRequest& request :
         {InstanceRequest{}, message, Message(1691, 0, 610), Message(1705, INT_MIN, INT_MAX),
          Message(1711, 0, 103), Message(2022, -1, -1)}) {
        const DecodedRequest decoded = DecodeInstanceRequest(EncodeInstanceRequest(request));
        ASSERT_TRUE(decoded.request) << decoded.error;
        EXPECT_EQ(*decoded.request, request);
        EXPECT_EQ(decoded.error, "");
    }
}

TEST(InstanceRequestTest, ReadersAreLenientAboutLayoutAndExtraMembers) {
    const DecodedRequest decoded = DecodeInstanceRequest(
        " {\"lparam\":7, \"request\":\"message\",\"future\":[1,2],\"version\":2,\"wparam\":2,"
        "\"message\":1692}\r\n");
    ASSERT_TRUE(decoded.request) << decoded.error;
    EXPECT_EQ(*decoded.request, (Message(1692, 2, 7)));
    // A show request carries no message, and ignores one that is given.
    const DecodedRequest show =
        DecodeInstanceRequest(R"({"version":2,"request":"show","message":"x"})");
    ASSERT_TRUE(show.request) << show.error;
    EXPECT_EQ(show.request->kind, InstanceRequest::Kind::Show);
}

TEST(InstanceRequestTest, MalformedRequestsSayWhatIsWrong) {
    EXPECT_EQ(Error(R"({"version":3,"request":"show"})"),
              "unsupported protocol version 3 (this program speaks 2)");
    EXPECT_EQ(Error(R"({"version":-9223372036854775808,"request":"show"})"),
              "unsupported protocol version -9223372036854775808 (this program speaks 2)");
    EXPECT_EQ(Error(R"({"request":"show"})"), "missing \"version\"");
    EXPECT_EQ(Error(R"({"version":"1","request":"show"})"), "\"version\" must be an integer");
    EXPECT_EQ(Error(R"({"version":2})"), "missing \"request\"");
    EXPECT_EQ(Error(R"({"version":2,"request":1})"), "\"request\" must be a string");
    EXPECT_EQ(Error(R"({"version":2,"request":"Show"})"), "unknown request \"Show\"");
    EXPECT_EQ(Error(R"({"version":2,"request":"message","wparam":1,"lparam":0})"),
              "missing \"message\"");
    EXPECT_EQ(Error(R"({"version":2,"request":"message","message":1674,"lparam":0})"),
              "missing \"wparam\"");
    EXPECT_EQ(Error(R"({"version":2,"request":"message","message":1674,"wparam":true,"lparam":0})"),
              "\"wparam\" must be an integer");
    EXPECT_EQ(Error(R"({"version":2,"request":"message","message":1674,"wparam":1,"lparam":null})"),
              "\"lparam\" must be an integer");
    EXPECT_EQ(
        Error(R"({"version":2,"request":"message","message":1674,"wparam":1,"lparam":2147483648})"),
        "\"lparam\" is out of range: 2147483648");
    EXPECT_EQ(
        Error(R"({"version":2,"request":"message","message":-4294965622,"wparam":1,"lparam":0})"),
        "\"message\" is out of range: -4294965622");
    EXPECT_EQ(Error(R"({"version":2,"request":"message","message":1690,"wparam":513,"lparam":0})"),
              "window message 1690 is not accepted");
    EXPECT_EQ(Error(""), "malformed JSON");
    EXPECT_EQ(Error(R"({"version":2,"request":"show"} {})"), "malformed JSON");
    EXPECT_EQ(Error(R"(["version",1])"), "not a JSON object");
}

TEST(InstanceRequestTest, HostileLinesAreRefusedCheaply) {
    // Numbers beyond 64 bits, fractions and exponents are no integers at all.
    EXPECT_EQ(Error(R"({"version":2,"request":"message","message":1e3,"wparam":1,"lparam":0})"),
              "malformed JSON");
    EXPECT_EQ(Error(R"({"version":99999999999999999999999,"request":"show"})"), "malformed JSON");
    EXPECT_EQ(Error(R"({"version":2.0,"request":"show"})"), "malformed JSON");
    EXPECT_EQ(Error(R"({"version":2,"request":"show","x":[[[[[]]]]]})"), "malformed JSON");
    EXPECT_EQ(Error(std::string(100000, '[')), "line longer than 65536 bytes");
    EXPECT_EQ(Error("{\"version\":2,\"request\":\"sh\xffow\"}"), "malformed JSON");
    constexpr char kZeroInside[] = "{\"version\":2,\0\"request\":\"show\"}";
    EXPECT_EQ(Error(std::string(kZeroInside, sizeof kZeroInside - 1)), "malformed JSON");
    // What the peer sent is quoted short and escaped, so the error stays one harmless line.
    const std::string error =
        Error("{\"version\":2,\"request\":\"" + std::string(3000, 'x') + "\\n\\u0000\"}");
    EXPECT_LT(error.size(), 80u);
    EXPECT_EQ(error.find('\n'), std::string::npos);
    EXPECT_EQ(Error("{\"version\":2,\"request\":\"a\\nb\"}"), "unknown request \"a\\nb\"");
}

TEST(InstanceReplyTest, RepliesSurviveTheRoundTrip) {
    EXPECT_EQ(EncodeInstanceReply(true, "ignored"), "{\"version\":2,\"ok\":true}\n");
    EXPECT_EQ(EncodeInstanceReply(false, "no \"way\""),
              "{\"version\":2,\"ok\":false,\"error\":\"no \\\"way\\\"\"}\n");
    const InstanceReply ok = DecodeInstanceReply(EncodeInstanceReply(true, ""));
    EXPECT_TRUE(ok.valid);
    EXPECT_TRUE(ok.ok);
    const InstanceReply refused = DecodeInstanceReply(EncodeInstanceReply(false, "zu spät\n"));
    EXPECT_TRUE(refused.valid);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.error, "zu spät\n");
    // Invalid UTF-8 in an error text is replaced, never sent.
    const InstanceReply replaced = DecodeInstanceReply(EncodeInstanceReply(false, "a\xff"));
    EXPECT_TRUE(replaced.valid);
    EXPECT_EQ(replaced.error, "a\xEF\xBF\xBD");
}

TEST(InstanceReplyTest, ForeignLinesAreNoReplies) {
    for (const auto& [line, error] :
         {std::pair{"{\"version\":1,\"ok\":true}",
                    "unsupported protocol version 1 (this program "
                    "speaks 2)"},
          std::pair{"{\"version\":2,\"ok\":1}", "\"ok\" must be true or false"},
          std::pair{"{\"version\":2}", "missing \"ok\""}, std::pair{"true", "not a JSON object"},
          std::pair{"{\"version\":2,\"ok\":", "malformed JSON"}}) {
        const InstanceReply reply = DecodeInstanceReply(line);
        EXPECT_FALSE(reply.valid) << line;
        EXPECT_FALSE(reply.ok) << line;
        EXPECT_EQ(reply.error, error) << line;
    }
    // A refusal without a reason is still a refusal.
    const InstanceReply bare = DecodeInstanceReply(R"({"version":2,"ok":false,"error":5})");
    EXPECT_TRUE(bare.valid);
    EXPECT_FALSE(bare.ok);
    EXPECT_EQ(bare.error, "");
}

InstanceRequest Command(std::vector<std::string> arguments, InstanceConfirm confirm) {
    InstanceRequest request;
    request.kind = InstanceRequest::Kind::Command;
    request.arguments = std::move(arguments);
    request.folder = "/home/ana/Mäuse";
    request.confirm = confirm;
    return request;
}

TEST(InstanceCommandTest, CommandsAndTheirOutcomesSurviveTheRoundTrip) {
    for (const InstanceConfirm confirm :
         {InstanceConfirm::Ask, InstanceConfirm::Yes, InstanceConfirm::No, InstanceConfirm::None}) {
        const InstanceRequest request = Command(
            {"--json", "keys", "set", "1", "key-combination", "Ctrl+\"", "--desc", "ä\n"}, confirm);
        const DecodedRequest decoded = DecodeInstanceRequest(EncodeInstanceRequest(request));
        ASSERT_TRUE(decoded.request) << decoded.error;
        EXPECT_EQ(*decoded.request, request);
    }
    EXPECT_EQ(EncodeInstanceRequest(Command({"status"}, InstanceConfirm::None)),
              "{\"version\":2,\"request\":\"command\",\"arguments\":[\"status\"],"
              "\"folder\":\"/home/ana/Mäuse\",\"confirm\":\"none\"}\n");

    const CommandOutcome ran{.exit_code = 1,
                             .out = std::string(100000, 'x') + "\n{\"error\":1}\n",
                             .err = "veltractl: no\n",
                             .question = {},
                             .direct = false};
    const InstanceReply reply = DecodeInstanceReply(EncodeCommandReply(ran));
    ASSERT_TRUE(reply.valid) << reply.error;
    EXPECT_TRUE(reply.ok);
    ASSERT_TRUE(reply.command);
    EXPECT_EQ(reply.command->exit_code, 1);
    EXPECT_EQ(reply.command->out, ran.out);
    EXPECT_EQ(reply.command->err, ran.err);
    EXPECT_EQ(reply.command->question, "");

    const InstanceReply asked = DecodeInstanceReply(EncodeCommandReply(
        {.exit_code = 0, .out = {}, .err = {}, .question = "Reset?", .direct = false}));
    ASSERT_TRUE(asked.command);
    EXPECT_EQ(asked.command->question, "Reset?");
    const InstanceReply direct = DecodeInstanceReply(
        EncodeCommandReply({.exit_code = 0, .out = {}, .err = {}, .question = {}, .direct = true}));
    ASSERT_TRUE(direct.command);
    EXPECT_TRUE(direct.command->direct);
    // A plain answer carries no command outcome.
    EXPECT_FALSE(DecodeInstanceReply(EncodeInstanceReply(true, "")).command);
}

TEST(InstanceCommandTest, MalformedCommandsAndOutcomesAreRefused) {
    EXPECT_EQ(Error(R"({"version":2,"request":"command","folder":"/","confirm":"ask"})"),
              "\"arguments\" must be a list of texts naming a command");
    EXPECT_EQ(
        Error(R"({"version":2,"request":"command","arguments":[],"folder":"/","confirm":"ask"})"),
        "\"arguments\" must be a list of texts naming a command");
    EXPECT_EQ(
        Error(
            R"({"version":2,"request":"command","arguments":"status","folder":"/","confirm":"ask"})"),
        "\"arguments\" must be a list of texts naming a command");
    EXPECT_EQ(
        Error(
            R"({"version":2,"request":"command","arguments":["get",3],"folder":"/","confirm":"ask"})"),
        "\"arguments\" must be a list of texts");
    EXPECT_EQ(
        Error(
            R"({"version":2,"request":"command","arguments":["get"],"folder":"tmp","confirm":"ask"})"),
        "\"folder\" must be an absolute path");
    EXPECT_EQ(Error(R"({"version":2,"request":"command","arguments":["get"],"confirm":"ask"})"),
              "\"folder\" must be an absolute path");
    EXPECT_EQ(
        Error(
            R"({"version":2,"request":"command","arguments":["get"],"folder":"/","confirm":"sure"})"),
        "\"confirm\" must be \"ask\", \"yes\", \"no\" or \"none\"");
    std::string many =
        R"({"version":2,"request":"command","folder":"/","confirm":"no","arguments":[)";
    for (int i = 0; i < 300; ++i) {
        many += i == 0 ? "\"get\"" : ",\"x\"";
    }
    EXPECT_EQ(Error(many + "]}"), "more than 256 arguments");

    for (const auto& [line, error] :
         {std::pair{R"({"version":2,"ok":true,"exit":256})",
                    "\"exit\" must be an exit status 0..255"},
          std::pair{R"({"version":2,"ok":true,"exit":"0"})",
                    "\"exit\" must be an exit status 0..255"},
          std::pair{R"({"version":2,"ok":true,"question":""})", "\"question\" must be a text"}}) {
        const InstanceReply reply = DecodeInstanceReply(line);
        EXPECT_FALSE(reply.valid) << line;
        EXPECT_EQ(reply.error, error) << line;
    }
}

class InstancePathTest : public ::testing::Test {
  protected:
    test::TempDir tmp_;
    test::ScopedEnv tmpdir_{"TMPDIR", tmp_.path().string()};
    test::ScopedEnv runtime_{"XDG_RUNTIME_DIR", std::nullopt};

    fs::path Fallback(const std::string& caption) const {
        return tmp_ / (caption + "-" + std::to_string(::geteuid()));
    }
};

TEST_F(InstancePathTest, RuntimeFolderIsUsedWhenUsable) {
    test::ScopedEnv runtime("XDG_RUNTIME_DIR", tmp_.path().string());
    EXPECT_EQ(InstanceRuntimeFolder("Veltra Mouse"), tmp_.path());
    EXPECT_EQ(InstanceSocketPath("Veltra Mouse"), tmp_ / "Veltra Mouse.socket");
    EXPECT_EQ(InstanceLockPath("a/b"), tmp_ / "a_b.lock");
    for (const std::string& unusable : {std::string("relative"), (tmp_ / "missing").string()}) {
        test::ScopedEnv bad("XDG_RUNTIME_DIR", unusable);
        EXPECT_EQ(InstanceRuntimeFolder("Veltra Mouse"), Fallback("Veltra Mouse"));
    }
}

TEST_F(InstancePathTest, FallbackFolderIsCreatedPrivate) {
    const fs::path folder = InstanceRuntimeFolder("Veltra Mouse");
    EXPECT_EQ(folder, Fallback("Veltra Mouse"));
    struct stat info {};
    ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(InstanceRuntimeFolder("Veltra Mouse"), folder);  // found again
    EXPECT_EQ(InstanceSocketPath("Veltra Mouse"), folder / "Veltra Mouse.socket");
}

TEST_F(InstancePathTest, FallbackFolderOthersCouldReachIsRefused) {
    fs::create_directory(Fallback("open"));
    fs::permissions(Fallback("open"),
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    EXPECT_EQ(InstanceRuntimeFolder("open"), fs::path());
    EXPECT_EQ(InstanceSocketPath("open"), fs::path());
    EXPECT_EQ(InstanceLockPath("open"), fs::path());

    fs::create_directory(tmp_ / "elsewhere");
    fs::permissions(tmp_ / "elsewhere", fs::perms::owner_all);
    fs::create_directory_symlink(tmp_ / "elsewhere", Fallback("link"));
    EXPECT_EQ(InstanceRuntimeFolder("link"), fs::path());

    test::WriteFile(Fallback("file"), "");
    EXPECT_EQ(InstanceRuntimeFolder("file"), fs::path());

    fs::create_directory(Fallback("foreign"));
    fs::permissions(Fallback("foreign"), fs::perms::owner_all, fs::perm_options::replace);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(Fallback("foreign").c_str(), 4242, 4242), 0);
        EXPECT_EQ(InstanceRuntimeFolder("foreign"), fs::path());
    }
}

TEST_F(InstancePathTest, LongSocketPathsTakeAHashedName) {
    const std::string caption(150, 'c');
    test::ScopedEnv runtime("XDG_RUNTIME_DIR", tmp_.path().string());
    const fs::path socket = InstanceSocketPath(caption);
    EXPECT_EQ(socket.parent_path(), tmp_.path());
    EXPECT_LT(socket.native().size(), 108u);
    EXPECT_EQ(socket.extension(), ".socket");
    EXPECT_EQ(InstanceSocketPath(caption), socket);  // deterministic
    EXPECT_EQ(InstanceLockPath(caption).stem(), socket.stem());
    EXPECT_NE(InstanceSocketPath(std::string(151, 'c')), socket);

    // The longest caption that still fits keeps its own name; one more byte does not.
    const std::size_t fits = 107 - (tmp_.path().native().size() + 1 + 7);
    EXPECT_EQ(InstanceSocketPath(std::string(fits, 'c')).stem(), std::string(fits, 'c'));
    EXPECT_NE(InstanceSocketPath(std::string(fits + 1, 'c')).stem(), std::string(fits + 1, 'c'));
}

}  // namespace
}  // namespace veltra
