// veltractl update: what the update manifest offers, and the update itself. With a window
// running, the window asks and downloads, so that one program owns the store it ends with;
// without one, the command does the job here, with a progress bar on a terminal.

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>

#include "cli/output.h"
#include "cli/session.h"
#include "frontend/update_link.h"
#include "shell/app_folders.h"
#include "shell/instance_client.h"
#include "update/update_job.h"

namespace veltra::cli {
namespace {

constexpr std::string_view kCommand = "update";
constexpr int kUpdatePromptMessage = 1692;
constexpr int kBarWidth = 30;

std::atomic<bool> g_running{false};

extern "C" void StopOnSignal(int) {
    g_running.store(false);
}

// Ctrl+C stops the download (its partial file is removed) instead of killing the process.
class InterruptStops {
  public:
    InterruptStops() {
        struct sigaction action {};
        action.sa_handler = StopOnSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_int_);
        sigaction(SIGTERM, &action, &previous_term_);
    }
    ~InterruptStops() {
        sigaction(SIGINT, &previous_int_, nullptr);
        sigaction(SIGTERM, &previous_term_, nullptr);
    }
    InterruptStops(const InterruptStops&) = delete;
    InterruptStops& operator=(const InterruptStops&) = delete;

  private:
    struct sigaction previous_int_ {};
    struct sigaction previous_term_ {};
};

std::string_view PackageName(UpdatePackage package) {
    return package == UpdatePackage::Driver ? "driver package" : "firmware tool";
}

std::string_view PackageKey(UpdatePackage package) {
    return package == UpdatePackage::Driver ? "driver" : "firmware_tool";
}

std::string FetchFailure(const std::string& base, const ManifestFetch& fetch) {
    if (base.empty()) {
        return "no update address is configured (the upgrade element of config.xml)";
    }
    const std::string address = JoinAddress(base, kManifestFileName);
    std::string message = fetch.status == ManifestFetch::Status::AddressFailed
                              ? address + " could not be reached"
                              : address + " is no update manifest";
    if (!fetch.detail.empty()) {
        message += ": " + fetch.detail;
    }
    return message;
}

Json OfferJson(const std::optional<PackageOffer>& offer, const std::string& base,
               const std::string& running) {
    if (!offer) {
        return nullptr;
    }
    Json entry = Json::object();
    entry["version"] = offer->version;
    entry["archive"] = offer->archive;
    entry["address"] = JoinAddress(base, offer->archive);
    entry["sha256"] = offer->sha256;
    if (!running.empty()) {
        entry["newer"] = CompareVersions(offer->version, running) > 0;
    }
    return entry;
}

int Check(Session& session) {
    const SoftwareInfo& software = session.catalogue().software;
    const std::string& running = software.version;
    Json result = Json::object();
    result["running"] = running;
    std::string text;
    for (UpdatePackage package : {UpdatePackage::Driver, UpdatePackage::FirmwareTool}) {
        const std::string base = UpdateBaseAddress(software, package);
        g_running = true;
        const ManifestFetch fetch = FetchManifest(base, {}, g_running);
        if (fetch.status != ManifestFetch::Status::Fetched) {
            return session.Fail(FetchFailure(base, fetch));
        }
        const std::optional<PackageOffer>& offer = fetch.manifest.Offer(package);
        // The driver package is this program; the firmware tool has no running version here.
        const std::string& compared = package == UpdatePackage::Driver ? running : std::string();
        result[std::string(PackageKey(package))] = OfferJson(offer, base, compared);
        text += std::string(PackageName(package)) + ": ";
        if (!offer) {
            text += "none offered\n";
            continue;
        }
        text += offer->version + " (" + JoinAddress(base, offer->archive) + ")";
        if (!compared.empty()) {
            const int order = CompareVersions(offer->version, running);
            text += order > 0 ? ", newer than the running " + running
                              : (order == 0 ? ", the running version"
                                            : ", older than the running " + running);
        }
        text += "\n";
    }
    if (session.options().json) {
        PrintJson(result);
    } else {
        Out("%s", text.c_str());
    }
    return kExitOk;
}

void DrawBar(int value, const std::string& archive) {
    const int filled = value * kBarWidth / 100;
    std::fprintf(stderr, "\r[%s%s] %3d %%  %s", std::string(filled, '#').c_str(),
                 std::string(kBarWidth - filled, '.').c_str(), value, archive.c_str());
    std::fflush(stderr);
}

std::string JobFailure(const UpdateJobResult& result, const UpdateJobSettings& settings) {
    switch (result.outcome) {
        case UpdateOutcome::Started:
            break;
        case UpdateOutcome::FolderFailed:
            return "the temp folder " + settings.temp_folder.string() + " could not be created";
        case UpdateOutcome::AddressFailed:
            return JoinAddress(settings.base_address, settings.offer.archive) +
                   " could not be reached: " + result.detail;
        case UpdateOutcome::TransferBroken:
            return "the download broke off; nothing was installed: " + result.detail;
        case UpdateOutcome::Stopped:
            return "the download was stopped; nothing was installed";
        case UpdateOutcome::DigestMismatch:
            return "the downloaded archive is not the published one (its SHA-256 differs); it was "
                   "deleted and nothing was started";
        case UpdateOutcome::NotUnpacked:
            return "the downloaded archive could not be unpacked; nothing was started";
        case UpdateOutcome::NothingToStart:
            return "the package holds nothing that can be started: " + result.detail;
    }
    return {};
}

int RunHere(Session& session, UpdatePackage package) {
    const std::string base = UpdateBaseAddress(session.catalogue().software, package);
    g_running = true;
    const ManifestFetch fetch = FetchManifest(base, {}, g_running);
    if (fetch.status != ManifestFetch::Status::Fetched) {
        return session.Fail(FetchFailure(base, fetch));
    }
    const std::optional<PackageOffer>& offer = fetch.manifest.Offer(package);
    if (!offer) {
        return session.Fail(JoinAddress(base, kManifestFileName) + " offers no " +
                            std::string(PackageName(package)));
    }
    switch (Confirm(session.options(), "Download and start the " +
                                           std::string(PackageName(package)) + " v" +
                                           offer->version + " (" + offer->archive + ")?")) {
        case Answer::Yes:
            break;
        case Answer::NoTerminal:
            return UsageError(kCommand, "needs --yes when not run from a terminal");
        case Answer::No:
        case Answer::Asked:
            return session.Fail("update cancelled; nothing was downloaded");
    }
    const UpdateJobSettings settings{.package = package,
                                     .base_address = base,
                                     .offer = *offer,
                                     .temp_folder = UpdateTempFolder(),
                                     .download = {}};
    const bool bar = !session.options().json && isatty(STDERR_FILENO) != 0;
    DownloadProgress progress([bar, &settings](int value) {
        if (bar) {
            DrawBar(value, settings.offer.archive);
        }
    });
    const std::unique_ptr<ProgramStarter> starter = MakeProgramStarter();
    UpdateJobResult result;
    {
        const InterruptStops interrupt;
        g_running = true;
        result = RunUpdateJob(settings, *starter, g_running, progress);
    }
    if (bar) {
        std::fprintf(stderr, "\n");
    }
    if (result.outcome != UpdateOutcome::Started) {
        return session.Fail(JobFailure(result, settings));
    }
    if (session.options().json) {
        Json json = Json::object();
        json["package"] = PackageKey(package);
        json["version"] = offer->version;
        json["started"] = result.started.string();
        PrintJson(json);
    } else {
        Out("Started %s\n", result.started.string().c_str());
    }
    return kExitOk;
}

// True when a window runs and took the request; it then asks the user itself.
bool AskWindow(UpdatePackage package) {
    InstanceRequest request;
    request.kind = InstanceRequest::Kind::WindowMessage;
    request.message = kUpdatePromptMessage;
    request.wparam = static_cast<int>(package);
    const std::optional<InstanceReply> reply =
        SendInstanceRequest(InstanceSocketPath(ApplicationCaption()), request,
                            std::chrono::seconds(5), InstanceConnect::Once);
    return reply && reply->ok;
}

}  // namespace

int RunUpdate(const GlobalOptions& options, const Args& args) {
    if (args.size() != 1) {
        return UsageError(kCommand, "give check, driver or firmware");
    }
    const std::string_view what = args[0];
    if (what != "check" && what != "driver" && what != "firmware") {
        return UsageError(kCommand, "unknown subcommand \"" + std::string(what) + "\"");
    }
    Session session(options);
    if (const int code = session.LoadConfiguration(); code != kExitOk) {
        return code;
    }
    if (what == "check") {
        return Check(session);
    }
    const UpdatePackage package =
        what == "driver" ? UpdatePackage::Driver : UpdatePackage::FirmwareTool;
    if (AskWindow(package)) {
        if (options.json) {
            Json json = Json::object();
            json["package"] = PackageKey(package);
            json["asked_window"] = true;
            PrintJson(json);
        } else {
            Out("The running window asks whether to download the %s.\n",
                std::string(PackageName(package)).c_str());
        }
        return kExitOk;
    }
    return RunHere(session, package);
}

}  // namespace veltra::cli
