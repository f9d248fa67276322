#include "support/update_packages.h"

#include "common/json.h"
#include "support/temp_dir.h"
#include "update/update_manifest.h"
#include "update/zip_unpack.h"

namespace veltra::test {

void PublishManifest(const std::filesystem::path& folder,
                     const std::vector<PublishedPackage>& packages) {
    Json manifest = Json::object();
    manifest["format"] = kManifestFormat;
    for (const PublishedPackage& published : packages) {
        const std::string archive = ArchiveName(published.package, published.version);
        Json offer = Json::object();
        offer["version"] = published.version;
        offer["archive"] = archive;
        offer["sha256"] =
            published.sha256.empty() ? FileSha256(folder / archive) : published.sha256;
        manifest[published.package == UpdatePackage::Driver ? "driver" : "firmware_tool"] = offer;
    }
    WriteFile(folder / std::string(kManifestFileName), EncodeJson(manifest));
}

std::string MarkerProgram(const std::filesystem::path& marker) {
    return "#!/bin/sh\necho started > '" + marker.string() + "'\n";
}

bool RecordingStarter::Start(const std::filesystem::path& program) {
    const std::lock_guard lock(mutex_);
    started_.push_back(program);
    return succeed;
}

bool RecordingStarter::Open(const std::filesystem::path& file) {
    const std::lock_guard lock(mutex_);
    opened_.push_back(file);
    return succeed;
}

std::vector<std::filesystem::path> RecordingStarter::Started() const {
    const std::lock_guard lock(mutex_);
    return started_;
}

std::vector<std::filesystem::path> RecordingStarter::Opened() const {
    const std::lock_guard lock(mutex_);
    return opened_;
}

}  // namespace veltra::test
