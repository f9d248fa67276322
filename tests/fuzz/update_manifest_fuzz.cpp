#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "update/update_manifest.h"

// Whatever a server sends, the reader answers with a manifest or an error, never both; every
// offer it accepts names its package's own archive, a version that is safe in a file name and a
// digest of 64 lower-case hex digits.
namespace {

bool Safe(const veltra::PackageOffer& offer, veltra::UpdatePackage package) {
    const std::string_view version = offer.version;
    const bool version_ok = !version.empty() && version.size() <= 32 &&
                            version.find('/') == std::string_view::npos &&
                            version.find('\\') == std::string_view::npos &&
                            version.find("..") == std::string_view::npos;
    const bool digest_ok = offer.sha256.size() == 64 &&
                           std::all_of(offer.sha256.begin(), offer.sha256.end(), [](char c) {
                               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
                           });
    return version_ok && digest_ok && offer.archive == veltra::ArchiveName(package, offer.version);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const veltra::ManifestResult result = veltra::ParseUpdateManifest(text);
    if (result.manifest.has_value() == !result.error.empty()) {
        __builtin_trap();
    }
    if (result.manifest) {
        for (veltra::UpdatePackage package :
             {veltra::UpdatePackage::Driver, veltra::UpdatePackage::FirmwareTool}) {
            const auto& offer = result.manifest->Offer(package);
            if (offer && !Safe(*offer, package)) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
