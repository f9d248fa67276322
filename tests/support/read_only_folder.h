#pragma once

#include <filesystem>

namespace veltra::test {

// Makes a folder read-only for the lifetime of the object. Root writes through permission bits,
// so as root the folder is bound read-only onto itself (EROFS, whoever asks); otherwise it loses
// its write bits (EACCES). Not ready() when the bind mount is not allowed here.
class ReadOnlyFolder {
  public:
    explicit ReadOnlyFolder(const std::filesystem::path& folder);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    bool ready() const { return ready_; }

  private:
    std::filesystem::path folder_;
    bool mounted_ = false;
    bool ready_ = false;
};

}  // namespace veltra::test
