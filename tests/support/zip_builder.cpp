#include "support/zip_builder.h"

#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <zlib.h>

#include <algorithm>
#include <string>

namespace veltra::test {
namespace {

constexpr uLong kZipVersion = 20;
constexpr uLong kHostUnix = 3;
constexpr uLong kDosDirectoryAttribute = 0x10;
constexpr std::uint64_t kPieceSize = 1 << 20;

}  // namespace

ZipBuilder::ZipBuilder(const std::filesystem::path& archive)
    : zip_(zipOpen64(archive.c_str(), APPEND_STATUS_CREATE)) {
    if (zip_ == nullptr) {
        ADD_FAILURE() << "cannot create " << archive;
    }
}

ZipBuilder::~ZipBuilder() {
    Finish();
}

ZipBuilder& ZipBuilder::Add(const std::string& name, std::string_view data,
                            const ZipEntryOptions& options) {
    if (Open(name, options, false)) {
        Write(data);
        Close();
    }
    return *this;
}

ZipBuilder& ZipBuilder::AddRepeated(const std::string& name, char byte, std::uint64_t size,
                                    const ZipEntryOptions& options) {
    if (Open(name, options, size >= 0xFFFFFFFFu)) {
        const std::string piece(static_cast<std::size_t>(std::min(size, kPieceSize)), byte);
        for (std::uint64_t left = size; left > 0;) {
            const std::uint64_t count = std::min<std::uint64_t>(left, piece.size());
            Write(std::string_view(piece).substr(0, static_cast<std::size_t>(count)));
            left -= count;
        }
        Close();
    }
    return *this;
}

void ZipBuilder::Finish() {
    if (zip_ != nullptr && zipClose(zip_, nullptr) != ZIP_OK) {
        ADD_FAILURE() << "zipClose failed";
    }
    zip_ = nullptr;
}

bool ZipBuilder::Open(const std::string& name, const ZipEntryOptions& options, bool large) {
    if (zip_ == nullptr) {
        return false;
    }
    zip_fileinfo info{};
    info.tmz_date.tm_year = static_cast<uInt>(options.time.year);
    info.tmz_date.tm_mon = static_cast<uInt>(options.time.month - 1);
    info.tmz_date.tm_mday = static_cast<uInt>(options.time.day);
    info.tmz_date.tm_hour = static_cast<uInt>(options.time.hour);
    info.tmz_date.tm_min = static_cast<uInt>(options.time.minute);
    info.tmz_date.tm_sec = static_cast<uInt>(options.time.second);
    uLong made_by = kZipVersion;
    if (options.unix_mode) {
        made_by |= kHostUnix << 8;
        info.external_fa = static_cast<uLong>(*options.unix_mode) << 16;
    } else if (!name.empty() && name.back() == '/') {
        info.external_fa = kDosDirectoryAttribute;
    }
    const int method = options.deflate ? Z_DEFLATED : 0;
    const int level = options.deflate ? Z_DEFAULT_COMPRESSION : 0;
    if (zipOpenNewFileInZip4_64(zip_, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                                level, 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0,
                                made_by, 0, large ? 1 : 0) != ZIP_OK) {
        ADD_FAILURE() << "cannot add " << name;
        return false;
    }
    return true;
}

void ZipBuilder::Write(std::string_view data) {
    if (!data.empty() &&
        zipWriteInFileInZip(zip_, data.data(), static_cast<unsigned>(data.size())) != ZIP_OK) {
        ADD_FAILURE() << "zipWriteInFileInZip failed";
    }
}

void ZipBuilder::Close() {
    if (zipCloseFileInZip(zip_) != ZIP_OK) {
        ADD_FAILURE() << "zipCloseFileInZip failed";
    }
}

}  // namespace veltra::test
