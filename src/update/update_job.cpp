#include "update/update_job.h"

#include <algorithm>
#include <system_error>

#include "update/zip_unpack.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;

UpdateJobResult Outcome(UpdateOutcome outcome, std::string detail) {
    return {.outcome = outcome, .started = {}, .detail = std::move(detail)};
}

bool Brought(const UnpackResult& unpacked, const fs::path& folder, const fs::path& file) {
    const fs::path wanted = file.lexically_normal();
    return std::any_of(unpacked.written.begin(), unpacked.written.end(), [&](const fs::path& p) {
        return (p.is_absolute() ? p : folder / p).lexically_normal() == wanted;
    });
}

bool Executable(const fs::path& file) {
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    return !error && fs::is_regular_file(status) &&
           (status.permissions() & fs::perms::owner_exec) != fs::perms::none;
}

// Only what this archive brought is started: a file of the same name left in the temp folder
// by an earlier job was never checked against a digest.
UpdateJobResult StartWhatItBrought(const UpdateJobSettings& settings, const UnpackResult& unpacked,
                                   ProgramStarter& starter) {
    const fs::path& folder = settings.temp_folder;
    for (const std::string& name : ProgramNames(settings.package, settings.offer.version)) {
        const fs::path program = folder / name;
        if (Brought(unpacked, folder, program) && Executable(program)) {
            if (!starter.Start(program)) {
                return Outcome(UpdateOutcome::NothingToStart, program.string() + " did not start");
            }
            return {.outcome = UpdateOutcome::Started, .started = program, .detail = {}};
        }
        for (std::string_view ending : kPackageFileEndings) {
            const fs::path package = folder / (name + std::string(ending));
            if (Brought(unpacked, folder, package)) {
                if (!starter.Open(package)) {
                    return Outcome(UpdateOutcome::NothingToStart,
                                   package.string() + " could not be handed to the desktop");
                }
                return {.outcome = UpdateOutcome::Started, .started = package, .detail = {}};
            }
        }
    }
    return Outcome(UpdateOutcome::NothingToStart, "the archive brought no program to start");
}

}  // namespace

ManifestFetch FetchManifest(const std::string& base_address, const DownloadOptions& options,
                            const std::atomic<bool>& running) {
    ManifestFetch fetch;
    if (base_address.empty()) {
        fetch.detail = "no update address is configured";
        return fetch;
    }
    const FetchOutcome fetched = FetchText(JoinAddress(base_address, kManifestFileName), options,
                                           kManifestSizeLimit, running);
    if (fetched.outcome.result == DownloadResult::Stopped) {
        fetch.status = ManifestFetch::Status::Stopped;
        return fetch;
    }
    if (!fetched.body) {
        fetch.status = fetched.outcome.address_failed ? ManifestFetch::Status::AddressFailed
                                                      : ManifestFetch::Status::NotManifest;
        fetch.detail = fetched.outcome.error;
        return fetch;
    }
    ManifestResult parsed = ParseUpdateManifest(*fetched.body);
    if (!parsed.manifest) {
        fetch.status = ManifestFetch::Status::NotManifest;
        fetch.detail = parsed.error;
        return fetch;
    }
    fetch.status = ManifestFetch::Status::Fetched;
    fetch.manifest = std::move(*parsed.manifest);
    return fetch;
}

UpdateJobResult RunUpdateJob(const UpdateJobSettings& settings, ProgramStarter& starter,
                             const std::atomic<bool>& running, DownloadProgress& progress) {
    if (!running.load()) {
        return Outcome(UpdateOutcome::Stopped, "stopped before the download");
    }
    std::error_code error;
    fs::create_directories(settings.temp_folder, error);
    if (error || !fs::is_directory(settings.temp_folder)) {
        return Outcome(UpdateOutcome::FolderFailed, settings.temp_folder.string());
    }
    const fs::path archive = settings.temp_folder / settings.offer.archive;
    DownloadOptions options = settings.download;
    if (settings.offer.size) {
        options.size_limit = *settings.offer.size;
    }
    const DownloadOutcome download =
        DownloadFile(JoinAddress(settings.base_address, settings.offer.archive), archive, options,
                     running, progress);
    if (download.result == DownloadResult::Stopped) {
        return Outcome(UpdateOutcome::Stopped, download.error);
    }
    if (download.result != DownloadResult::Complete || !fs::exists(archive)) {
        return Outcome(
            download.address_failed ? UpdateOutcome::AddressFailed : UpdateOutcome::TransferBroken,
            download.error);
    }
    if (FileSha256(archive) != settings.offer.sha256) {
        fs::remove(archive, error);
        return Outcome(UpdateOutcome::DigestMismatch, archive.string());
    }
    const UnpackResult unpacked = UnpackArchive(archive, settings.temp_folder);
    fs::remove(archive, error);
    if (!unpacked.opened) {
        return Outcome(UpdateOutcome::NotUnpacked, archive.string());
    }
    if (!running.load()) {
        return Outcome(UpdateOutcome::Stopped, "stopped before the start");
    }
    return StartWhatItBrought(settings, unpacked, starter);
}

}  // namespace veltra
