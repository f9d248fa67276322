#include "update/update_manifest.h"

#include <algorithm>
#include <cctype>

#include "common/json.h"

namespace veltra {
namespace {

constexpr std::size_t kVersionLimit = 32;

// The version becomes part of file names in the temp folder, so it may not carry a separator,
// "..", or anything a shell or a file system treats specially.
bool UsableVersion(std::string_view version) {
    if (version.empty() || version.size() > kVersionLimit || version.front() == '.' ||
        version.front() == '-' || version.find("..") != std::string_view::npos) {
        return false;
    }
    return std::all_of(version.begin(), version.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
    });
}

std::optional<std::string> Digest(std::string_view text) {
    if (text.size() != 64 || !std::all_of(text.begin(), text.end(), [](char c) {
            return std::isxdigit(static_cast<unsigned char>(c)) != 0;
        })) {
        return std::nullopt;
    }
    std::string digest(text);
    std::transform(digest.begin(), digest.end(), digest.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    return digest;
}

// Nullopt with `error` set when the entry is present but unusable; an absent entry is no offer.
std::optional<PackageOffer> ReadOffer(const Json& root, std::string_view key, UpdatePackage package,
                                      std::string& error) {
    const Json* entry = FindMember(root, key);
    if (entry == nullptr || entry->is_null()) {
        return std::nullopt;
    }
    const std::string where(key);
    if (!entry->is_object()) {
        error = where + " is not an object";
        return std::nullopt;
    }
    PackageOffer offer;
    const std::optional<std::string> version = StringMember(*entry, "version");
    if (!version || !UsableVersion(*version)) {
        error = where + ": the version is missing or not usable in a file name";
        return std::nullopt;
    }
    offer.version = *version;
    const std::optional<std::string> archive = StringMember(*entry, "archive");
    if (!archive || *archive != ArchiveName(package, offer.version)) {
        error = where + ": the archive must be " + ArchiveName(package, offer.version);
        return std::nullopt;
    }
    offer.archive = *archive;
    const std::optional<std::string> sha = StringMember(*entry, "sha256");
    const std::optional<std::string> digest = sha ? Digest(*sha) : std::nullopt;
    if (!digest) {
        error = where + ": sha256 must be 64 hex digits";
        return std::nullopt;
    }
    offer.sha256 = *digest;
    if (FindMember(*entry, "size") != nullptr) {
        const std::optional<std::int64_t> size = IntMember(*entry, "size");
        if (!size || *size < 0) {
            error = where + ": size must be a whole number of bytes";
            return std::nullopt;
        }
        offer.size = static_cast<std::uint64_t>(*size);
    }
    return offer;
}

}  // namespace

ManifestResult ParseUpdateManifest(std::string_view text) {
    ManifestResult result;
    if (text.size() > kManifestSizeLimit) {
        result.error = "the manifest is larger than 64 KiB";
        return result;
    }
    const std::optional<Json> root =
        DecodeJson(text, {.max_length = kManifestSizeLimit, .max_depth = 8});
    if (!root || !root->is_object()) {
        result.error = "the manifest is no JSON object";
        return result;
    }
    const std::optional<std::int64_t> format = IntMember(*root, "format");
    if (!format || *format != kManifestFormat) {
        result.error = "the manifest's format is not 1";
        return result;
    }
    UpdateManifest manifest;
    std::string error;
    manifest.driver = ReadOffer(*root, "driver", UpdatePackage::Driver, error);
    if (error.empty()) {
        manifest.firmware_tool =
            ReadOffer(*root, "firmware_tool", UpdatePackage::FirmwareTool, error);
    }
    if (!error.empty()) {
        result.error = error;
        return result;
    }
    result.manifest = std::move(manifest);
    return result;
}

}  // namespace veltra
