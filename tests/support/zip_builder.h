#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace veltra::test {

struct ZipEntryTime {
    int year = 2021;
    int month = 6;  // 1..12
    int day = 15;
    int hour = 12;
    int minute = 34;
    int second = 56;  // zip keeps even seconds
};

struct ZipEntryOptions {
    // Set: the entry is made on Unix with these st_mode bits (file type and permissions);
    // otherwise on MS-DOS, where a name ending in "/" marks a folder.
    std::optional<unsigned> unix_mode;
    ZipEntryTime time;
    bool deflate = true;  // else stored as is

    static ZipEntryOptions Unix(unsigned mode) {
        ZipEntryOptions options;
        options.unix_mode = mode;
        return options;
    }
    static ZipEntryOptions Stored() {
        ZipEntryOptions options;
        options.deflate = false;
        return options;
    }
};

// Writes a zip archive entry by entry through minizip; failures are test failures. The central
// directory is written by Finish or on destruction.
class ZipBuilder {
  public:
    explicit ZipBuilder(const std::filesystem::path& archive);
    ~ZipBuilder();
    ZipBuilder(const ZipBuilder&) = delete;
    ZipBuilder& operator=(const ZipBuilder&) = delete;

    ZipBuilder& Add(const std::string& name, std::string_view data,
                    const ZipEntryOptions& options = {});
    // `size` copies of `byte`, written in pieces so that no buffer of that size is needed.
    ZipBuilder& AddRepeated(const std::string& name, char byte, std::uint64_t size,
                            const ZipEntryOptions& options = {});
    void Finish();

  private:
    bool Open(const std::string& name, const ZipEntryOptions& options, bool large);
    void Write(std::string_view data);
    void Close();

    void* zip_ = nullptr;
};

}  // namespace veltra::test
