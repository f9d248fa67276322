#pragma once

// The update manifest: a small JSON file at a base address that names the package versions on
// offer, their archives and each archive's SHA-256 (docs/update-manifest.md).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "update/update_package.h"

namespace veltra {

inline constexpr std::string_view kManifestFileName = "veltra-update.json";
inline constexpr int kManifestFormat = 1;
// A manifest names two packages; anything larger is not one.
inline constexpr std::size_t kManifestSizeLimit = 64 * 1024;

struct PackageOffer {
    std::string version;
    std::string archive;  // ArchiveName of the version
    std::string sha256;   // 64 lower-case hex digits
    std::optional<std::uint64_t> size;

    bool operator==(const PackageOffer&) const = default;
};

struct UpdateManifest {
    std::optional<PackageOffer> driver;
    std::optional<PackageOffer> firmware_tool;

    const std::optional<PackageOffer>& Offer(UpdatePackage package) const {
        return package == UpdatePackage::Driver ? driver : firmware_tool;
    }
    bool operator==(const UpdateManifest&) const = default;
};

struct ManifestResult {
    std::optional<UpdateManifest> manifest;
    std::string error;  // why the text is no manifest, when it is none
};

// Never throws. A package entry that is not usable (a version with characters a file name cannot
// carry, an archive other than ArchiveName of its version, a digest that is not 64 hex digits)
// refuses the whole manifest: a server that names a wrong file is not half trusted.
ManifestResult ParseUpdateManifest(std::string_view text);

}  // namespace veltra
