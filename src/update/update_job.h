#pragma once

// The update job: download a package's archive into the temp folder, check its digest, unpack
// it there and start what it brings. Runs on the caller's thread (the device worker, or
// veltractl's own); another thread stops it by clearing the running flag.

#include <atomic>
#include <filesystem>
#include <string>

#include "update/http_download.h"
#include "update/program_starter.h"
#include "update/update_manifest.h"
#include "update/update_package.h"

namespace veltra {

struct ManifestFetch {
    enum class Status {
        Fetched,
        AddressFailed,  // no base address, or the manifest's address does not open
        NotManifest,    // what came is no usable manifest
        Stopped,
    };
    Status status = Status::AddressFailed;
    UpdateManifest manifest;
    std::string detail;  // for the log
};

// The manifest at `base_address` (JoinAddress with kManifestFileName).
ManifestFetch FetchManifest(const std::string& base_address, const DownloadOptions& options,
                            const std::atomic<bool>& running);

struct UpdateJobSettings {
    UpdatePackage package = UpdatePackage::Driver;
    std::string base_address;
    PackageOffer offer;
    std::filesystem::path temp_folder;
    DownloadOptions download;
};

enum class UpdateOutcome {
    Started,         // the program or package was started; the caller ends the program
    FolderFailed,    // the temp folder cannot be created
    AddressFailed,   // the archive's address does not open
    TransferBroken,  // the transfer broke off or the file could not be written
    Stopped,         // the running flag was cleared
    DigestMismatch,  // the archive is not the one the manifest names; it was deleted
    NotUnpacked,     // the archive is no zip archive
    NothingToStart,  // the archive brought nothing to start, or starting it failed
};

struct UpdateJobResult {
    UpdateOutcome outcome = UpdateOutcome::TransferBroken;
    std::filesystem::path started;  // Started only
    std::string detail;             // for the log
};

UpdateJobResult RunUpdateJob(const UpdateJobSettings& settings, ProgramStarter& starter,
                             const std::atomic<bool>& running, DownloadProgress& progress);

}  // namespace veltra
