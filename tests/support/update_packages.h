#pragma once

// Update packages for tests: a manifest over archives in a served folder, a program that leaves
// a mark when it runs, and a starter that only records.

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "update/program_starter.h"
#include "update/update_package.h"

namespace veltra::test {

struct PublishedPackage {
    UpdatePackage package = UpdatePackage::Driver;
    std::string version;
    // Empty: the digest of the archive as it lies in the folder now.
    std::string sha256;
};

// Writes `folder`/veltra-update.json offering each package's archive, which lies in `folder`.
void PublishManifest(const std::filesystem::path& folder,
                     const std::vector<PublishedPackage>& packages);

// A shell script that creates `marker` when run.
std::string MarkerProgram(const std::filesystem::path& marker);

class RecordingStarter : public ProgramStarter {
  public:
    bool Start(const std::filesystem::path& program) override;
    bool Open(const std::filesystem::path& file) override;
    std::vector<std::filesystem::path> Started() const;
    std::vector<std::filesystem::path> Opened() const;
    // What Start and Open answer.
    bool succeed = true;

  private:
    mutable std::mutex mutex_;
    std::vector<std::filesystem::path> started_;
    std::vector<std::filesystem::path> opened_;
};

}  // namespace veltra::test
