#include "shell/instance_channel.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;

std::string Error(std::string_view line) {
    const DecodedRequest decoded = DecodeInstanceRequest(line);
    EXPECT_FALSE(decoded.request) << line;
    return decoded.error;
}

TEST(InstanceRequestTest, RequestsSurviveTheRoundTrip) {
    EXPECT_EQ(EncodeInstanceRequest({}), "{\"version\":1,\"request\":\"show\"}\n");
    InstanceRequest message{InstanceRequest::Kind::WindowMessage, 1674, 1, 0};
    EXPECT_EQ(
        EncodeInstanceRequest(message),
        "{\"version\":1,\"request\":\"message\",\"message\":1674,\"wparam\":1,\"lparam\":0}\n");
    for (const InstanceRequest& request :
         {InstanceRequest{}, message,
          InstanceRequest{InstanceRequest::Kind::WindowMessage, 1691, 0, 610},
          InstanceRequest{InstanceRequest::Kind::WindowMessage, 1705, INT_MIN, INT_MAX},
          InstanceRequest{InstanceRequest::Kind::WindowMessage, 1711, 0, 103},
          InstanceRequest{InstanceRequest::Kind::WindowMessage, 2022, -1, -1}}) {
        const DecodedRequest decoded = DecodeInstanceRequest(EncodeInstanceRequest(request));
        ASSERT_TRUE(decoded.request) << decoded.error;
        EXPECT_EQ(*decoded.request, request);
        EXPECT_EQ(decoded.error, "");
    }
}

TEST(InstanceRequestTest, ReadersAreLenientAboutLayoutAndExtraMembers) {
    const DecodedRequest decoded = DecodeInstanceRequest(
        " {\"lparam\":7, \"request\":\"message\",\"future\":[1,2],\"version\":1,\"wparam\":2,"
        "\"message\":1692}\r\n");
    ASSERT_TRUE(decoded.request) << decoded.error;
    EXPECT_EQ(*decoded.request,
              (InstanceRequest{InstanceRequest::Kind::WindowMessage, 1692, 2, 7}));
    // A show request carries no message, and ignores one that is given.
    const DecodedRequest show =
        DecodeInstanceRequest(R"({"version":1,"request":"show","message":"x"})");
    ASSERT_TRUE(show.request) << show.error;
    EXPECT_EQ(show.request->kind, InstanceRequest::Kind::Show);
}

TEST(InstanceRequestTest, MalformedRequestsSayWhatIsWrong) {
    EXPECT_EQ(Error(R"({"version":2,"request":"show"})"),
              "unsupported protocol version 2 (this program speaks 1)");
    EXPECT_EQ(Error(R"({"version":-9223372036854775808,"request":"show"})"),
              "unsupported protocol version -9223372036854775808 (this program speaks 1)");
    EXPECT_EQ(Error(R"({"request":"show"})"), "missing \"version\"");
    EXPECT_EQ(Error(R"({"version":"1","request":"show"})"), "\"version\" must be an integer");
    EXPECT_EQ(Error(R"({"version":1})"), "missing \"request\"");
    EXPECT_EQ(Error(R"({"version":1,"request":1})"), "\"request\" must be a string");
    EXPECT_EQ(Error(R"({"version":1,"request":"Show"})"), "unknown request \"Show\"");
    EXPECT_EQ(Error(R"({"version":1,"request":"message","wparam":1,"lparam":0})"),
              "missing \"message\"");
    EXPECT_EQ(Error(R"({"version":1,"request":"message","message":1674,"lparam":0})"),
              "missing \"wparam\"");
    EXPECT_EQ(Error(R"({"version":1,"request":"message","message":1674,"wparam":true,"lparam":0})"),
              "\"wparam\" must be an integer");
    EXPECT_EQ(Error(R"({"version":1,"request":"message","message":1674,"wparam":1,"lparam":null})"),
              "\"lparam\" must be an integer");
    EXPECT_EQ(
        Error(R"({"version":1,"request":"message","message":1674,"wparam":1,"lparam":2147483648})"),
        "\"lparam\" is out of range: 2147483648");
    EXPECT_EQ(
        Error(R"({"version":1,"request":"message","message":-4294965622,"wparam":1,"lparam":0})"),
        "\"message\" is out of range: -4294965622");
    EXPECT_EQ(Error(R"({"version":1,"request":"message","message":1690,"wparam":513,"lparam":0})"),
              "window message 1690 is not accepted");
    EXPECT_EQ(Error(""), "malformed JSON");
    EXPECT_EQ(Error(R"({"version":1,"request":"show"} {})"), "malformed JSON");
    EXPECT_EQ(Error(R"(["version",1])"), "not a JSON object");
}

TEST(InstanceRequestTest, HostileLinesAreRefusedCheaply) {
    // Numbers beyond 64 bits, fractions and exponents are no integers at all.
    EXPECT_EQ(Error(R"({"version":1,"request":"message","message":1e3,"wparam":1,"lparam":0})"),
              "malformed JSON");
    EXPECT_EQ(Error(R"({"version":99999999999999999999999,"request":"show"})"), "malformed JSON");
    EXPECT_EQ(Error(R"({"version":1.0,"request":"show"})"), "malformed JSON");
    EXPECT_EQ(Error(R"({"version":1,"request":"show","x":[[[[[]]]]]})"), "malformed JSON");
    EXPECT_EQ(Error(std::string(100000, '[')), "line longer than 4096 bytes");
    EXPECT_EQ(Error("{\"version\":1,\"request\":\"sh\xffow\"}"), "malformed JSON");
    constexpr char kZeroInside[] = "{\"version\":1,\0\"request\":\"show\"}";
    EXPECT_EQ(Error(std::string(kZeroInside, sizeof kZeroInside - 1)), "malformed JSON");
    // What the peer sent is quoted short and escaped, so the error stays one harmless line.
    const std::string error =
        Error("{\"version\":1,\"request\":\"" + std::string(3000, 'x') + "\\n\\u0000\"}");
    EXPECT_LT(error.size(), 80u);
    EXPECT_EQ(error.find('\n'), std::string::npos);
    EXPECT_EQ(Error("{\"version\":1,\"request\":\"a\\nb\"}"), "unknown request \"a\\nb\"");
}

TEST(InstanceReplyTest, RepliesSurviveTheRoundTrip) {
    EXPECT_EQ(EncodeInstanceReply(true, "ignored"), "{\"version\":1,\"ok\":true}\n");
    EXPECT_EQ(EncodeInstanceReply(false, "no \"way\""),
              "{\"version\":1,\"ok\":false,\"error\":\"no \\\"way\\\"\"}\n");
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
         {std::pair{"{\"version\":2,\"ok\":true}",
                    "unsupported protocol version 2 (this program "
                    "speaks 1)"},
          std::pair{"{\"version\":1,\"ok\":1}", "\"ok\" must be true or false"},
          std::pair{"{\"version\":1}", "missing \"ok\""}, std::pair{"true", "not a JSON object"},
          std::pair{"{\"version\":1,\"ok\":", "malformed JSON"}}) {
        const InstanceReply reply = DecodeInstanceReply(line);
        EXPECT_FALSE(reply.valid) << line;
        EXPECT_FALSE(reply.ok) << line;
        EXPECT_EQ(reply.error, error) << line;
    }
    // A refusal without a reason is still a refusal.
    const InstanceReply bare = DecodeInstanceReply(R"({"version":1,"ok":false,"error":5})");
    EXPECT_TRUE(bare.valid);
    EXPECT_FALSE(bare.ok);
    EXPECT_EQ(bare.error, "");
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
