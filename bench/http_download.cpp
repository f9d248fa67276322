// 10 MiB through the update download over loopback, plain and over TLS: the whole download with
// its fsync and rename, against the tests' web server (Python) on the other end.

#include <benchmark/benchmark.h>

#include <atomic>
#include <optional>
#include <string>

#include "support/temp_dir.h"
#include "support/test_certificates.h"
#include "support/update_server.h"
#include "update/http_download.h"

namespace veltra {
namespace {

constexpr std::size_t kSize = 10 * 1024 * 1024;

struct Site {
    Site() {
        test::WriteFile(dir / "site" / "large.bin", std::string(kSize, 'x'));
        certificates = test::MakeTestCertificates(dir / "certificates");
        plain.emplace(dir / "site");
        if (certificates) {
            tls.emplace(dir / "site", certificates->server);
        }
    }

    test::TempDir dir;
    std::optional<test::TestCertificates> certificates;
    std::optional<test::UpdateServer> plain;
    std::optional<test::UpdateServer> tls;
};

Site& TheSite() {
    static Site site;
    return site;
}

void BM_Download(benchmark::State& state, bool https) {
    Site& site = TheSite();
    const std::optional<test::UpdateServer>& server = https ? site.tls : site.plain;
    if (!server || !server->ready()) {
        state.SkipWithError("the test web server did not start");
        return;
    }
    DownloadOptions options;
    if (https) {
        options.ca_file = site.certificates->ca;
    }
    DownloadProgress progress;
    const std::atomic<bool> running{true};
    for (auto _ : state) {
        const DownloadOutcome outcome = DownloadFile(
            server->Url("large.bin"), site.dir / "large.bin", options, running, progress);
        if (outcome.result != DownloadResult::Complete) {
            state.SkipWithError(outcome.error.c_str());
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSize));
}

BENCHMARK_CAPTURE(BM_Download, http, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Download, https, true)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace veltra
