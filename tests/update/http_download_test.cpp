#include "update/http_download.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/temp_dir.h"
#include "support/test_certificates.h"
#include "support/update_server.h"

namespace veltra {
namespace {

using test::ReadFile;
using test::TempDir;
using test::UpdateServer;
using test::WriteFile;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kTenReads = 10 * kDownloadReadSize;
// 2, 8, 10, then 9 more after each of the ten reads (90 a read over 10 steps), up to 100.
const std::vector<int> kTenReadProgress = {2, 8, 10, 19, 28, 37, 46, 55, 64, 73, 82, 91, 100};

// Bytes that do not repeat with the read size, so that a lost or doubled block shows.
std::string Body(std::size_t size) {
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        body[i] = static_cast<char>((i * 131 + i / 251) & 0xff);
    }
    return body;
}

class HttpDownloadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(downloads_);
        Publish("ten.bin", Body(kTenReads));
        Publish("uneven.bin", Body(kTenReads + 5000));
        Publish("small.bin", Body(5000));
        Publish("empty.bin", "");
        ASSERT_TRUE(server_.ready());
    }

    void Publish(const std::string& name, const std::string& body) {
        WriteFile(site_ / name, body);
        published_[name] = body;
    }

    DownloadOutcome Download(const std::string& address, const std::string& name,
                             const DownloadOptions& options = {}) {
        reports_.clear();
        const std::atomic<bool> running{true};
        return DownloadFile(address, downloads_ / name, options, running, progress_);
    }

    // Neither the file nor its partial copy is on disk.
    bool Absent(const std::string& name) const {
        return !std::filesystem::exists(downloads_ / name) &&
               !std::filesystem::exists(downloads_ / (name + ".part"));
    }

    // The file arrived whole and nothing else is left in the download folder.
    void ExpectDownloaded(const std::string& name, const std::string& published) {
        EXPECT_EQ(ReadFile(downloads_ / name), published_.at(published));
        EXPECT_FALSE(std::filesystem::exists(downloads_ / (name + ".part")));
    }

    TempDir dir_;
    std::filesystem::path site_ = dir_ / "site";
    std::filesystem::path downloads_ = dir_ / "downloads";
    std::map<std::string, std::string> published_;
    UpdateServer server_{site_};
    std::vector<int> reports_;
    DownloadProgress progress_{[this](int value) { reports_.push_back(value); }};
};

TEST_F(HttpDownloadTest, ProgressCountsReadsOfTheBody) {
    DownloadOutcome outcome = Download(server_.Url("ten.bin"), "ten.bin");
    EXPECT_EQ(outcome.result, DownloadResult::Complete) << outcome.error;
    EXPECT_EQ(reports_, kTenReadProgress);
    ExpectDownloaded("ten.bin", "ten.bin");

    // The eleventh read would make 109: it stays at 100, and 100 is not reported twice.
    outcome = Download(server_.Url("uneven.bin"), "uneven.bin");
    EXPECT_EQ(outcome.result, DownloadResult::Complete) << outcome.error;
    std::vector<int> expected = kTenReadProgress;
    expected.insert(expected.begin(), 0);
    EXPECT_EQ(reports_, expected);
    ExpectDownloaded("uneven.bin", "uneven.bin");
}

TEST_F(HttpDownloadTest, UnknownOrShortLengthReportsOnlyTheEnds) {
    // The first download starts from the 0 the progress starts with; every later one reports it.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"ten.bin?chunked", "ten.bin"},
        {"ten.bin?nolength", "ten.bin"},
        {"small.bin", "small.bin"},
        {"empty.bin", "empty.bin"},
    };
    bool first = true;
    for (const auto& [query, published] : cases) {
        SCOPED_TRACE(query);
        const DownloadOutcome outcome = Download(server_.Url(query), "file.bin");
        EXPECT_EQ(outcome.result, DownloadResult::Complete) << outcome.error;
        EXPECT_EQ(reports_,
                  first ? std::vector<int>({2, 8, 10, 100}) : std::vector<int>({0, 2, 8, 10, 100}));
        ExpectDownloaded("file.bin", published);
        first = false;
    }
}

TEST_F(HttpDownloadTest, LeftoversUnderBothNamesAreReplaced) {
    const std::string longer = Body(kTenReads * 2);
    WriteFile(downloads_ / "small.bin", longer);
    WriteFile(downloads_ / "small.bin.part", longer);
    const DownloadOutcome outcome = Download(server_.Url("small.bin"), "small.bin");
    EXPECT_EQ(outcome.result, DownloadResult::Complete) << outcome.error;
    ExpectDownloaded("small.bin", "small.bin");
}

TEST_F(HttpDownloadTest, HttpErrorIsAnAddressFailureAndTheOldFileIsGone) {
    for (const std::string query : {"missing.bin", "ten.bin?status=500"}) {
        SCOPED_TRACE(query);
        WriteFile(downloads_ / "ten.bin", "an older download");
        WriteFile(downloads_ / "ten.bin.part", "a broken one");
        const DownloadOutcome outcome = Download(server_.Url(query), "ten.bin");
        EXPECT_EQ(outcome.result, DownloadResult::Failed);
        EXPECT_TRUE(outcome.address_failed);
        EXPECT_FALSE(outcome.error.empty());
        EXPECT_TRUE(Absent("ten.bin"));
        EXPECT_EQ(progress_.Last(), 2);
    }
}

TEST_F(HttpDownloadTest, NoServerIsAnAddressFailure) {
    std::string address;
    {
        const UpdateServer gone(site_);
        address = gone.Url("ten.bin");
    }
    const DownloadOutcome outcome = Download(address, "ten.bin");
    EXPECT_EQ(outcome.result, DownloadResult::Failed);
    EXPECT_TRUE(outcome.address_failed);
    EXPECT_TRUE(Absent("ten.bin"));
}

TEST_F(HttpDownloadTest, BrokenTransferLeavesNothing) {
    for (const std::string query : {"ten.bin?cut", "ten.bin?chunked&cut"}) {
        SCOPED_TRACE(query);
        WriteFile(downloads_ / "ten.bin", "an older download");
        const DownloadOutcome outcome = Download(server_.Url(query), "ten.bin");
        EXPECT_EQ(outcome.result, DownloadResult::Failed);
        EXPECT_FALSE(outcome.address_failed);
        EXPECT_FALSE(outcome.error.empty());
        EXPECT_TRUE(Absent("ten.bin"));
        EXPECT_NE(reports_.back(), 100);
    }
}

TEST_F(HttpDownloadTest, FileThatCannotBeCreatedBreaksTheTransfer) {
    const DownloadOutcome outcome = Download(server_.Url("ten.bin"), "missing-folder/ten.bin");
    EXPECT_EQ(outcome.result, DownloadResult::Failed);
    EXPECT_FALSE(outcome.address_failed);
    EXPECT_NE(outcome.error.find("missing-folder"), std::string::npos) << outcome.error;
    EXPECT_FALSE(std::filesystem::exists(downloads_ / "missing-folder"));
}

TEST_F(HttpDownloadTest, SizeLimitBreaksTheTransfer) {
    for (const std::string query : {"ten.bin", "ten.bin?chunked"}) {
        SCOPED_TRACE(query);
        DownloadOptions options;
        options.size_limit = kTenReads - 1;
        DownloadOutcome outcome = Download(server_.Url(query), "ten.bin", options);
        EXPECT_EQ(outcome.result, DownloadResult::Failed);
        EXPECT_FALSE(outcome.address_failed);
        EXPECT_TRUE(Absent("ten.bin"));

        options.size_limit = kTenReads;
        outcome = Download(server_.Url(query), "ten.bin", options);
        EXPECT_EQ(outcome.result, DownloadResult::Complete) << outcome.error;
        ExpectDownloaded("ten.bin", "ten.bin");
    }
}

// Clears the running flag from another thread once `delay` has passed, and tells when.
class Stopper {
  public:
    Stopper(std::atomic<bool>& running, std::chrono::milliseconds delay)
        : thread_([&running, delay, this] {
              std::this_thread::sleep_for(delay);
              cleared_ = Clock::now();
              running = false;
          }) {}
    Clock::time_point Cleared() {
        thread_.join();
        return cleared_;
    }

  private:
    Clock::time_point cleared_;
    std::thread thread_;
};

TEST_F(HttpDownloadTest, StopEndsTheTransferWhetherDataFlowsOrNot) {
    Publish("large.bin", Body(20 * kTenReads));
    const std::thread::id caller = std::this_thread::get_id();
    // Trickling 1 KiB every 100 ms, and holding after half the file.
    for (const std::string query : {"large.bin?slow", "large.bin?hold"}) {
        SCOPED_TRACE(query);
        std::vector<std::thread::id> reporters;
        DownloadProgress progress([&](int) { reporters.push_back(std::this_thread::get_id()); });
        std::atomic<bool> running{true};
        Stopper stopper(running, std::chrono::milliseconds(500));
        const DownloadOutcome outcome =
            DownloadFile(server_.Url(query), downloads_ / "large.bin", {}, running, progress);
        const Clock::time_point returned = Clock::now();
        const auto late = returned - stopper.Cleared();
        EXPECT_EQ(outcome.result, DownloadResult::Stopped);
        EXPECT_LT(late, std::chrono::milliseconds(1500));
        EXPECT_TRUE(Absent("large.bin"));
        EXPECT_GE(progress.Last(), 10);
        for (const std::thread::id reporter : reporters) {
            EXPECT_EQ(reporter, caller);
        }
    }
}

TEST_F(HttpDownloadTest, ClearedFlagStopsBeforeAnyTransfer) {
    const std::atomic<bool> running{false};
    const DownloadOutcome outcome =
        DownloadFile(server_.Url("ten.bin"), downloads_ / "ten.bin", {}, running, progress_);
    EXPECT_EQ(outcome.result, DownloadResult::Stopped);
    EXPECT_TRUE(Absent("ten.bin"));
}

TEST_F(HttpDownloadTest, StalledTransferBreaks) {
    DownloadOptions options;
    options.stall_timeout = std::chrono::milliseconds(300);
    const Clock::time_point start = Clock::now();
    const DownloadOutcome outcome = Download(server_.Url("ten.bin?hold"), "ten.bin", options);
    const auto took = Clock::now() - start;
    EXPECT_EQ(outcome.result, DownloadResult::Failed);
    EXPECT_FALSE(outcome.address_failed);
    EXPECT_TRUE(Absent("ten.bin"));
    EXPECT_GE(took, options.stall_timeout);
    EXPECT_LT(took, std::chrono::seconds(5));
}

TEST_F(HttpDownloadTest, RedirectsAreFollowedUpToALimit) {
    DownloadOutcome outcome = Download(server_.Url("x?redirect=/ten.bin"), "ten.bin");
    EXPECT_EQ(outcome.result, DownloadResult::Complete) << outcome.error;
    ExpectDownloaded("ten.bin", "ten.bin");

    // Five hops arrive; the sixth is one too many.
    const auto chain = [&](int hops) {
        std::string address = "/ten.bin";
        for (int i = 0; i < hops; ++i) {
            address = "/x?redirect=" + address;
        }
        return server_.Address() + address;
    };
    outcome = Download(chain(5), "ten.bin");
    EXPECT_EQ(outcome.result, DownloadResult::Complete) << outcome.error;
    outcome = Download(chain(6), "ten.bin");
    EXPECT_EQ(outcome.result, DownloadResult::Failed);
    EXPECT_TRUE(outcome.address_failed);
    EXPECT_TRUE(Absent("ten.bin"));
}

TEST_F(HttpDownloadTest, RequestAsksForAFreshCopy) {
    const std::atomic<bool> running{true};
    const FetchOutcome fetched = FetchText(server_.Url("x?echo-headers"), {}, 4096, running);
    ASSERT_TRUE(fetched.body) << fetched.outcome.error;
    const std::string& headers = *fetched.body;
    for (const std::string& line :
         {"User-Agent: " + std::string(kUpdateUserAgent), std::string("Accept: */*"),
          std::string("Cache-Control: no-cache"), std::string("Pragma: no-cache")}) {
        EXPECT_NE(headers.find(line + "\n"), std::string::npos) << line << " in\n" << headers;
    }
}

TEST_F(HttpDownloadTest, ProxyComesFromTheEnvironment) {
    const test::ScopedEnv proxy("http_proxy", server_.Address());
    const test::ScopedEnv no_proxy("no_proxy", std::nullopt);
    const test::ScopedEnv no_proxy_upper("NO_PROXY", std::nullopt);
    const DownloadOutcome outcome = Download("http://updates.invalid/ten.bin", "ten.bin");
    EXPECT_EQ(outcome.result, DownloadResult::Complete) << outcome.error;
    ExpectDownloaded("ten.bin", "ten.bin");
}

TEST_F(HttpDownloadTest, FetchTextKeepsToItsLimit) {
    Publish("manifest.json", R"({"driver": "1.2.3"})");
    const std::size_t size = published_.at("manifest.json").size();
    const std::atomic<bool> running{true};
    for (const std::string query : {"manifest.json", "manifest.json?chunked"}) {
        SCOPED_TRACE(query);
        FetchOutcome fetched = FetchText(server_.Url(query), {}, size, running);
        EXPECT_EQ(fetched.outcome.result, DownloadResult::Complete) << fetched.outcome.error;
        EXPECT_EQ(fetched.body, published_.at("manifest.json"));

        fetched = FetchText(server_.Url(query), {}, size - 1, running);
        EXPECT_EQ(fetched.outcome.result, DownloadResult::Failed);
        EXPECT_FALSE(fetched.outcome.address_failed);
        EXPECT_FALSE(fetched.body);
    }
    // The options' limit binds too.
    DownloadOptions options;
    options.size_limit = size - 1;
    FetchOutcome fetched = FetchText(server_.Url("manifest.json"), options, size, running);
    EXPECT_EQ(fetched.outcome.result, DownloadResult::Failed);

    fetched = FetchText(server_.Url("missing.json"), {}, size, running);
    EXPECT_EQ(fetched.outcome.result, DownloadResult::Failed);
    EXPECT_TRUE(fetched.outcome.address_failed);
    EXPECT_FALSE(fetched.body);
}

class HttpsDownloadTest : public HttpDownloadTest {
  protected:
    void SetUp() override {
        HttpDownloadTest::SetUp();
        certificates_ = test::MakeTestCertificates(dir_ / "certificates");
        ASSERT_TRUE(certificates_) << "openssl could not make the test certificates";
        tls_.emplace(site_, certificates_->server);
        ASSERT_TRUE(tls_->ready());
        trusted_.ca_file = certificates_->ca;
    }

    std::optional<test::TestCertificates> certificates_;
    std::optional<UpdateServer> tls_;
    DownloadOptions trusted_;
};

TEST_F(HttpsDownloadTest, TrustedCertificateDownloads) {
    const DownloadOutcome outcome = Download(tls_->Url("ten.bin"), "ten.bin", trusted_);
    EXPECT_EQ(outcome.result, DownloadResult::Complete) << outcome.error;
    EXPECT_EQ(reports_, kTenReadProgress);
    ExpectDownloaded("ten.bin", "ten.bin");
}

TEST_F(HttpsDownloadTest, UntrustedCertificateIsAnAddressFailure) {
    for (const std::filesystem::path& ca : {certificates_->other_ca, std::filesystem::path()}) {
        SCOPED_TRACE(ca.empty() ? "the system's CAs" : "an unrelated CA");
        WriteFile(downloads_ / "ten.bin", "an older download");
        DownloadOptions options;
        options.ca_file = ca;
        const DownloadOutcome outcome = Download(tls_->Url("ten.bin"), "ten.bin", options);
        EXPECT_EQ(outcome.result, DownloadResult::Failed);
        EXPECT_TRUE(outcome.address_failed);
        EXPECT_FALSE(outcome.error.empty());
        EXPECT_TRUE(Absent("ten.bin"));
    }
}

TEST_F(HttpsDownloadTest, CertificateMustNameTheHost) {
    const UpdateServer localhost_only(site_, certificates_->localhost_only);
    ASSERT_TRUE(localhost_only.ready());
    DownloadOutcome outcome = Download(localhost_only.Url("ten.bin"), "ten.bin", trusted_);
    EXPECT_EQ(outcome.result, DownloadResult::Failed);
    EXPECT_TRUE(outcome.address_failed);
    EXPECT_TRUE(Absent("ten.bin"));

    const std::string by_name =
        "https://localhost:" + std::to_string(localhost_only.port()) + "/ten.bin";
    outcome = Download(by_name, "ten.bin", trusted_);
    EXPECT_EQ(outcome.result, DownloadResult::Complete) << outcome.error;
}

TEST_F(HttpsDownloadTest, BrokenTransferLeavesNothing) {
    const DownloadOutcome outcome = Download(tls_->Url("ten.bin?cut"), "ten.bin", trusted_);
    EXPECT_EQ(outcome.result, DownloadResult::Failed);
    EXPECT_FALSE(outcome.address_failed);
    EXPECT_TRUE(Absent("ten.bin"));
}

TEST_F(HttpsDownloadTest, RedirectNeverLeavesHttps) {
    DownloadOutcome outcome =
        Download(tls_->Url("x?redirect=" + server_.Url("ten.bin")), "ten.bin", trusted_);
    EXPECT_EQ(outcome.result, DownloadResult::Failed);
    EXPECT_TRUE(outcome.address_failed);
    EXPECT_TRUE(Absent("ten.bin"));

    // Plain http may move on to https.
    outcome = Download(server_.Url("x?redirect=" + tls_->Url("ten.bin")), "ten.bin", trusted_);
    EXPECT_EQ(outcome.result, DownloadResult::Complete) << outcome.error;
    ExpectDownloaded("ten.bin", "ten.bin");
}

}  // namespace
}  // namespace veltra
