#include "update/zip_unpack.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <ctime>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/zip_builder.h"

namespace veltra {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;
using test::ZipBuilder;
using test::ZipEntryOptions;

constexpr unsigned kRegular = 0100000;
constexpr unsigned kSymlink = 0120000;

// Everything below `folder`, links not followed: relative path -> "dir", "link:<target>" or the
// file's mode and bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
    std::map<std::string, std::string> items;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const std::string name = fs::relative(it->path(), folder).generic_string();
        struct stat info {};
        ::lstat(it->path().c_str(), &info);
        if (S_ISLNK(info.st_mode)) {
            items[name] = "link:" + fs::read_symlink(it->path()).string();
        } else if (S_ISDIR(info.st_mode)) {
            items[name] = "dir";
        } else {
            items[name] = std::to_string(info.st_mode & 0777) + ":" + ReadFile(it->path());
        }
    }
    return items;
}

std::set<std::string> FilesBelow(const fs::path& folder) {
    std::set<std::string> files;
    for (const auto& [name, what] : Snapshot(folder)) {
        if (what != "dir") {
            files.insert(name);
        }
    }
    return files;
}

std::vector<std::string> Relative(const UnpackResult& result, const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::path& path : result.written) {
        names.push_back(fs::relative(path, folder).generic_string());
    }
    return names;
}

unsigned ModeOf(const fs::path& path) {
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return info.st_mode & 07777;
}

// Bytes of an archive and the places of one entry's headers, for damaging it on purpose.
struct ZipBytes {
    std::string bytes;

    std::uint32_t Get(std::size_t at, int width) const {
        std::uint32_t value = 0;
        for (int i = width - 1; i >= 0; --i) {
            value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
        }
        return value;
    }
    void Set(std::size_t at, int width, std::uint32_t value) {
        for (int i = 0; i < width; ++i) {
            bytes.at(at + i) = static_cast<char>(value >> (8 * i));
        }
    }
    std::size_t Central(const std::string& name) const {
        for (std::size_t at = bytes.find("PK\1\2"); at != std::string::npos;
             at = bytes.find("PK\1\2", at + 1)) {
            if (bytes.compare(at + 46, Get(at + 28, 2), name) == 0) {
                return at;
            }
        }
        ADD_FAILURE() << "no entry " << name;
        return 0;
    }
    std::size_t Local(const std::string& name) const { return Get(Central(name) + 42, 4); }
    std::size_t Data(const std::string& name) const {
        const std::size_t local = Local(name);
        return local + 30 + Get(local + 26, 2) + Get(local + 28, 2);
    }
    // Both headers hold the sizes; minizip compares them.
    void SetSizes(const std::string& name, std::uint32_t compressed, std::uint32_t uncompressed) {
        const std::size_t central = Central(name);
        const std::size_t local = Local(name);
        Set(central + 20, 4, compressed);
        Set(central + 24, 4, uncompressed);
        Set(local + 18, 4, compressed);
        Set(local + 22, 4, uncompressed);
    }
};

class ZipUnpackTest : public ::testing::Test {
  protected:
    fs::path Archive() const { return dir_ / "package.zip"; }
    fs::path Out() const { return dir_ / "out"; }
    ZipBytes ArchiveBytes() const { return {ReadFile(Archive())}; }
    void Rewrite(const ZipBytes& zip) const { WriteFile(Archive(), zip.bytes); }
    UnpackResult Unpack(const UnpackLimits& limits = {}) const {
        return UnpackArchive(Archive(), Out(), limits);
    }

    TempDir dir_;
};

std::string Binary() {
    std::string bytes;
    for (int i = 0; i < 4096; ++i) {
        bytes += static_cast<char>((i * 7 + i / 256) & 0xFF);
    }
    return bytes;
}

TEST_F(ZipUnpackTest, PackageUnpacksWithFoldersTimesAndModes) {
    ZipEntryOptions program = ZipEntryOptions::Unix(kRegular | 0755);
    program.time = {.year = 2019, .month = 2, .day = 28, .hour = 23, .minute = 59, .second = 58};
    {
        ZipBuilder zip(Archive());
        zip.Add("readme.txt", "read me\n")
            .Add("bin/", "")
            .Add("bin/tool", "#!/bin/sh\n", program)
            .Add("docs\\guide.txt", "guide", ZipEntryOptions::Stored())
            .Add("lib/deep/data.bin", Binary(), ZipEntryOptions::Unix(kRegular | 0644))
            .Add("./empty", "")
            .Add("share/icons/", "", ZipEntryOptions::Unix(0040755));
    }
    WriteFile(Out() / "readme.txt", "an older file");

    const UnpackResult result = Unpack();

    EXPECT_TRUE(result.opened);
    EXPECT_TRUE(result.refused.empty());
    EXPECT_EQ(Relative(result, Out()),
              (std::vector<std::string>{"readme.txt", "bin/tool", "docs/guide.txt",
                                        "lib/deep/data.bin", "empty"}));
    const std::map<std::string, std::string> expected = {{"readme.txt", "420:read me\n"},
                                                         {"bin", "dir"},
                                                         {"bin/tool", "493:#!/bin/sh\n"},
                                                         {"docs", "dir"},
                                                         {"docs/guide.txt", "420:guide"},
                                                         {"lib", "dir"},
                                                         {"lib/deep", "dir"},
                                                         {"lib/deep/data.bin", "420:" + Binary()},
                                                         {"empty", "420:"},
                                                         {"share", "dir"},
                                                         {"share/icons", "dir"}};
    EXPECT_EQ(Snapshot(Out()), expected);

    std::tm stored{};
    stored.tm_year = 2019 - 1900;
    stored.tm_mon = 1;
    stored.tm_mday = 28;
    stored.tm_hour = 23;
    stored.tm_min = 59;
    stored.tm_sec = 58;
    stored.tm_isdst = -1;
    struct stat info {};
    ASSERT_EQ(::stat((Out() / "bin/tool").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, std::mktime(&stored));
}

TEST_F(ZipUnpackTest, UnixModesKeepExecutionButNotWritesByOthers) {
    {
        ZipBuilder zip(Archive());
        zip.Add("open", "x", ZipEntryOptions::Unix(kRegular | 0777))
            .Add("private", "x", ZipEntryOptions::Unix(kRegular | 0700))
            .Add("read-only", "x", ZipEntryOptions::Unix(kRegular | 0444))
            .Add("setuid", "x", ZipEntryOptions::Unix(kRegular | 04755))
            .Add("no-type", "x", ZipEntryOptions::Unix(0640));
    }
    const UnpackResult result = Unpack();
    ASSERT_EQ(result.written.size(), 5u);
    EXPECT_EQ(ModeOf(Out() / "open"), 0755u);
    EXPECT_EQ(ModeOf(Out() / "private"), 0700u);
    EXPECT_EQ(ModeOf(Out() / "read-only"), 0644u);
    EXPECT_EQ(ModeOf(Out() / "setuid"), 0755u);
    EXPECT_EQ(ModeOf(Out() / "no-type"), 0640u);
}

TEST_F(ZipUnpackTest, UnsafeNamesAndLinksAreRefusedAndNothingLeavesTheFolder) {
    const std::vector<std::string> unsafe = {
        "../evil", "a/../../evil", "a\\..\\..\\evil", "..\\evil", "ok/..", "..",
        "/abs",    "\\abs",        "C:\\x",           "c:x",      "",
    };
    {
        ZipBuilder zip(Archive());
        for (const std::string& name : unsafe) {
            zip.Add(name, "evil");
        }
        zip.Add("nul?name", "evil")
            .Add("link", (dir_ / "evil").string(), ZipEntryOptions::Unix(kSymlink | 0777))
            .Add("linked/up", "..", ZipEntryOptions::Unix(kSymlink | 0777))
            .Add("good.txt", "good");
    }
    ZipBytes zip = ArchiveBytes();
    for (std::size_t at = zip.bytes.find("nul?name"); at != std::string::npos;
         at = zip.bytes.find("nul?name", at)) {
        zip.bytes[at + 3] = '\0';
    }
    Rewrite(zip);
    const std::map<std::string, std::string> before = Snapshot(dir_.path());

    const UnpackResult result = Unpack();

    EXPECT_TRUE(result.opened);
    std::vector<std::string> refused = unsafe;
    refused.insert(refused.end(), {std::string("nul\0name", 8), "link", "linked/up"});
    EXPECT_EQ(result.refused, refused);
    EXPECT_EQ(Relative(result, Out()), std::vector<std::string>{"good.txt"});
    std::map<std::string, std::string> after = Snapshot(dir_.path());
    EXPECT_EQ(after.erase("out/good.txt"), 1u);
    EXPECT_EQ(after.erase("out"), 1u);
    EXPECT_EQ(after, before);
}

TEST_F(ZipUnpackTest, LinksAlreadyInTheFolderAreNotFollowed) {
    const fs::path outside = dir_ / "outside";
    WriteFile(outside / "target.txt", "keep");
    fs::create_directories(Out());
    fs::create_directory_symlink(outside, Out() / "sub");
    fs::create_directory_symlink(outside, Out() / "folder");
    fs::create_symlink(outside / "target.txt", Out() / "file.txt");
    {
        ZipBuilder zip(Archive());
        zip.Add("sub/x.txt", "evil")
            .Add("sub\\target.txt", "evil")
            .Add("folder/", "")
            .Add("folder/inner/z", "evil")
            .Add("file.txt", "new");
    }
    const std::map<std::string, std::string> outside_before = Snapshot(outside);

    const UnpackResult result = Unpack();

    EXPECT_EQ(result.refused, (std::vector<std::string>{"sub/x.txt", "sub\\target.txt", "folder/",
                                                        "folder/inner/z"}));
    EXPECT_EQ(Relative(result, Out()), std::vector<std::string>{"file.txt"});
    EXPECT_EQ(Snapshot(outside), outside_before);
    EXPECT_FALSE(fs::is_symlink(Out() / "file.txt"));
    EXPECT_EQ(ReadFile(Out() / "file.txt"), "new");
}

TEST_F(ZipUnpackTest, DamagedEntriesLeaveNoFileAndKeepTheOldOne) {
    const std::string text = Binary();
    {
        ZipBuilder zip(Archive());
        zip.Add("stored.bin", text, ZipEntryOptions::Stored())
            .Add("deflated.bin", text)
            .Add("cut.bin", text)
            .Add("good.txt", "good");
    }
    ZipBytes zip = ArchiveBytes();
    zip.bytes[zip.Data("stored.bin") + 100] ^= 0x01;
    const std::size_t deflated = zip.Central("deflated.bin");
    zip.bytes[zip.Data("deflated.bin") + zip.Get(deflated + 20, 4) / 2] ^= 0x10;
    const std::size_t cut = zip.Central("cut.bin");
    zip.SetSizes("cut.bin", zip.Get(cut + 20, 4) / 2, zip.Get(cut + 24, 4));
    Rewrite(zip);
    WriteFile(Out() / "stored.bin", "an older file");

    const UnpackResult result = Unpack();

    EXPECT_EQ(result.refused, (std::vector<std::string>{"stored.bin", "deflated.bin", "cut.bin"}));
    EXPECT_EQ(Relative(result, Out()), std::vector<std::string>{"good.txt"});
    EXPECT_EQ(FilesBelow(Out()), (std::set<std::string>{"stored.bin", "good.txt"}));
    EXPECT_EQ(ReadFile(Out() / "stored.bin"), "an older file");
}

TEST_F(ZipUnpackTest, StatedSizesThatLieAreNotTrusted) {
    const std::string text = Binary();
    {
        ZipBuilder zip(Archive());
        zip.Add("huge.bin", text).Add("small.bin", text).Add("central-only.bin", text);
    }
    ZipBytes zip = ArchiveBytes();
    zip.SetSizes("huge.bin", zip.Get(zip.Central("huge.bin") + 20, 4), 0xFFFFFFF0u);
    zip.SetSizes("small.bin", zip.Get(zip.Central("small.bin") + 20, 4), 10);
    zip.Set(zip.Central("central-only.bin") + 24, 4, 0xFFFFFFF0u);
    Rewrite(zip);

    const UnpackResult result = Unpack();

    EXPECT_EQ(result.refused,
              (std::vector<std::string>{"huge.bin", "small.bin", "central-only.bin"}));
    EXPECT_TRUE(FilesBelow(Out()).empty());
}

TEST_F(ZipUnpackTest, ByteLimitStopsABombAndCountsAllFiles) {
    {
        ZipBuilder zip(Archive());
        zip.AddRepeated("zeros.bin", '\0', std::uint64_t{200} << 20)
            .AddRepeated("first.bin", 'a', 600 << 10)
            .AddRepeated("second.bin", 'b', 600 << 10)
            .Add("small.txt", "fits");
    }
    ASSERT_LT(fs::file_size(Archive()), std::uintmax_t{1} << 20);

    UnpackLimits limits;
    limits.total_bytes = 1 << 20;
    const UnpackResult result = Unpack(limits);

    EXPECT_EQ(result.refused, (std::vector<std::string>{"zeros.bin", "second.bin"}));
    EXPECT_EQ(Relative(result, Out()), (std::vector<std::string>{"first.bin", "small.txt"}));
    EXPECT_EQ(FilesBelow(Out()), (std::set<std::string>{"first.bin", "small.txt"}));
    EXPECT_EQ(fs::file_size(Out() / "first.bin"), 600u << 10);
}

TEST_F(ZipUnpackTest, ManyEntriesUnpackOrStopAtTheEntryLimit) {
    constexpr int kEntries = 10000;
    {
        ZipBuilder zip(Archive());
        for (int i = 0; i < kEntries; ++i) {
            zip.Add("f" + std::to_string(i % 10) + "/" + std::to_string(i), std::to_string(i));
        }
    }
    const UnpackResult all = Unpack();
    EXPECT_EQ(all.written.size(), std::size_t{kEntries});
    EXPECT_TRUE(all.refused.empty());
    EXPECT_EQ(ReadFile(Out() / "f9" / "9999"), "9999");

    fs::remove_all(Out());
    UnpackLimits limits;
    limits.entries = 100;
    const UnpackResult cut = Unpack(limits);
    EXPECT_EQ(cut.written.size(), 100u);
    ASSERT_EQ(cut.refused.size(), std::size_t{kEntries - 100});
    EXPECT_EQ(cut.refused.front(), "f0/100");
    EXPECT_EQ(FilesBelow(Out()).size(), 100u);
}

TEST_F(ZipUnpackTest, WhatIsNoZipArchiveIsNotOpened) {
    for (const std::string& bytes : {std::string(), std::string("not a zip archive\n"),
                                     std::string("PK\3\4") + std::string(100, '\0')}) {
        WriteFile(Archive(), bytes);
        const UnpackResult result = Unpack();
        EXPECT_FALSE(result.opened);
        EXPECT_TRUE(result.written.empty());
        EXPECT_FALSE(fs::exists(Out()));
    }
    EXPECT_FALSE(UnpackArchive(dir_ / "missing.zip", Out()).opened);
}

// Every cut and every single damaged byte of a small package: files that are written hold
// exactly one of the entries' contents, and nothing else appears, inside the folder or beside it.
TEST_F(ZipUnpackTest, CutAndDamagedArchivesWriteOnlyWholeFilesInsideTheFolder) {
    const std::set<std::string> contents = {"stored text", std::string(300, 'z') + "end",
                                            "#!/bin/sh\nexit 0\n"};
    {
        ZipBuilder zip(Archive());
        zip.Add("a/stored.txt", "stored text", ZipEntryOptions::Stored())
            .Add("b\\deflated.txt", std::string(300, 'z') + "end")
            .Add("run", "#!/bin/sh\nexit 0\n", ZipEntryOptions::Unix(kRegular | 0755));
    }
    const std::string good = ReadFile(Archive());
    const fs::path work = dir_ / "work";
    const auto check = [&](const std::string& bytes, const std::string& what) {
        fs::remove_all(work / "out");
        WriteFile(work / "package.zip", bytes);
        const UnpackResult result = UnpackArchive(work / "package.zip", work / "out");
        std::map<std::string, std::string> after = Snapshot(work);
        after.erase("package.zip");
        after.erase("out");
        std::size_t files = 0;
        for (const auto& [name, item] : after) {
            ASSERT_EQ(name.rfind("out/", 0), 0u) << what << ": " << name;
            if (item == "dir") {
                continue;
            }
            ++files;
            const std::string data = ReadFile(work / name);
            EXPECT_TRUE(contents.contains(data)) << what << ": " << name;
        }
        EXPECT_EQ(files, result.written.size()) << what;
    };
    for (std::size_t length = 0; length < good.size(); ++length) {
        check(good.substr(0, length), "cut at " + std::to_string(length));
    }
    for (std::size_t at = 0; at < good.size(); ++at) {
        std::string bytes = good;
        bytes[at] = static_cast<char>(bytes[at] ^ 0xA5);
        check(bytes, "byte " + std::to_string(at));
    }
}

TEST(FileSha256Test, KnownDigestsAndUnreadableFiles) {
    TempDir dir;
    WriteFile(dir / "abc", "abc");
    WriteFile(dir / "empty", "");
    WriteFile(dir / "million", std::string(1000000, 'a'));
    EXPECT_EQ(FileSha256(dir / "abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(FileSha256(dir / "empty"),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(FileSha256(dir / "million"),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    EXPECT_EQ(FileSha256(dir / "missing"), "");
    EXPECT_EQ(FileSha256(dir.path()), "");
}

}  // namespace
}  // namespace veltra
