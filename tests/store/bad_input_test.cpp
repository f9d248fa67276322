// Damaged, foreign, read-only, vanished and full files: every operation fails quietly, nothing
// crashes, and opening never rewrites what is on disk.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "store/profile_list.h"
#include "store/settings_defaults.h"
#include "store_fixture.h"

namespace veltra {
namespace {

using test::ReadFile;
using test::WriteFile;

std::vector<MacroRecord> LongMacro(int macro_id) {
    std::vector<MacroRecord> records;
    for (int i = 0; i < 990; ++i) {
        records.push_back({0, macro_id, 1, i, i, 5, "key down " + std::to_string(i)});
    }
    return records;
}

class BadInputTest : public test::StoreTest {
  protected:
    // Runs every kind of operation once; none may crash whatever the file holds.
    void TouchEverything() {
        LoadProfileList(store_, "Profile");
        std::string value;
        store_.GetConfig(1, config_key::kDpiIndex, value);
        store_.SetConfig(1, config_key::kDpiIndex, "3");
        KeyAssignment key;
        key.profile = 1;
        key.macro_value = 4;
        store_.SaveKeyAssignment(key);
        std::vector<KeyAssignment> keys;
        store_.LoadKeyAssignments(1, 0, keys);
        LightMode light;
        store_.AddLightMode(light);
        store_.SetActiveLightMode(1, 0);
        std::vector<LightMode> lights;
        store_.LoadLightModes(1, lights);
        const int macro = store_.AddMacro("m");
        store_.AddMacroRecords(LongMacro(macro));
        std::vector<MacroRecord> records;
        store_.LoadMacroRecords(macro, records);
        std::vector<MacroInfo> macros;
        store_.LoadMacros(macros);
        store_.DeleteMacro(macro);
    }

    // Fills a new model file with five profiles and their defaults, then closes it.
    // The folders stay readable and the files read-only for the unprivileged user.
    void MakeReadOnly(const std::vector<std::filesystem::path>& files) {
        namespace fs = std::filesystem;
        const auto readable =
            fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
        const auto traversable =
            readable | fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
        fs::permissions(dir_.path(), traversable);
        fs::permissions(dir_.path() / "db", traversable);
        for (const fs::path& file : files) {
            fs::permissions(file, readable);
        }
    }

    void CreateModelFile() {
        ASSERT_TRUE(Open());
        ASSERT_EQ(LoadProfileList(store_, "Profile").entries.size(), 5u);
        ASSERT_TRUE(store_.SetConfig(1, config_key::kMouseSpeed, "4"));
        ASSERT_TRUE(store_.Close());
        store_.SetOpenFlag(false);
    }

    // Closes the connection and reads the file back through a new one.
    std::string StoredMouseSpeed() {
        EXPECT_TRUE(store_.SwitchDeviceModel(dir_.path(), "Other", 0));
        EXPECT_TRUE(Open());
        std::string value;
        store_.GetConfig(1, config_key::kMouseSpeed, value);
        return value;
    }
};

TEST_F(BadInputTest, FileThatIsNotADatabaseIsLeftAlone) {
    for (const std::string& bytes :
         {std::string(5000, 'x'), std::string("SQLite format 3") + std::string(2000, '\0'),
          std::string()}) {
        WriteFile(File(), bytes);
        EXPECT_TRUE(Open());
        TouchEverything();
        const ProfileList list = LoadProfileList(store_, "Profile");
        if (!bytes.empty()) {
            EXPECT_TRUE(list.entries.empty());
            EXPECT_EQ(list.active_profile, 0);
        }
        EXPECT_TRUE(store_.Close());
        EXPECT_EQ(ReadFile(File()), bytes);
    }
}

TEST_F(BadInputTest, DamagedDatabaseFailsQuietly) {
    CreateModelFile();
    std::string bytes = ReadFile(File());
    // Keep the header and the schema page, scribble over the rest.
    for (std::size_t i = 4096; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 131);
    }
    WriteFile(File(), bytes);
    EXPECT_TRUE(Open());
    std::string value;
    EXPECT_FALSE(store_.GetConfig(1, config_key::kMouseSpeed, value));
    std::vector<ProfileRecord> profiles;
    store_.LoadProfiles(profiles);
    TouchEverything();
    store_.Close();

    WriteFile(File(), bytes.substr(0, bytes.size() / 2 + 100));
    EXPECT_TRUE(Open());
    TouchEverything();
    store_.Close();
}

TEST_F(BadInputTest, MissingTablesLeaveNoHalfCreatedProfiles) {
    {
        SQLiteDB db;
        ASSERT_TRUE(db.Open(File().c_str(), {},
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX));
        db.Exec(
            "CREATE TABLE t_profile_data (profile INTEGER PRIMARY KEY AUTOINCREMENT, "
            "name TEXT, status INTEGER, app TEXT, type INTEGER)");
    }
    ASSERT_TRUE(Open());
    // The profiles could be inserted but their settings rows could not, so none is kept.
    const ProfileList list = LoadProfileList(store_, "Profile");
    EXPECT_TRUE(list.entries.empty());
    EXPECT_EQ(list.active_profile, 0);
    std::string value;
    EXPECT_FALSE(store_.GetConfig(1, config_key::kMouseSpeed, value));
    EXPECT_EQ(store_.AddMacro("m"), 0);
    EXPECT_EQ(store_.AddLightMode({}), 0);
    // Without the key table, neither a new function nor the factory function can be stored.
    KeyAssignment key;
    key.profile = 1;
    key.macro_value = 4;
    EXPECT_EQ(store_.SaveKeyAssignment(key), 0);
    EXPECT_FALSE(store_.DeleteKeyAssignment(1, 0, 0));
    EXPECT_FALSE(store_.DeleteKeyAssignments(1));
    TouchEverything();
    EXPECT_EQ(Count("t_profile_data"), 0);
    EXPECT_EQ(test::QueryInt(File(), "SELECT count(*) FROM sqlite_master"), 2);
}

// Root writes through any permission bits, so a read-only test runs as nobody.
class ScopedUnprivileged {
  public:
    ScopedUnprivileged() : was_root_(geteuid() == 0) {
        if (was_root_ && seteuid(65534) != 0) {
            ADD_FAILURE() << "cannot drop privileges";
        }
    }
    ~ScopedUnprivileged() {
        if (was_root_ && seteuid(0) != 0) {
            ADD_FAILURE() << "cannot regain privileges";
        }
    }

  private:
    bool was_root_;
};

TEST_F(BadInputTest, ReadOnlyFileCanBeReadButNotChanged) {
    CreateModelFile();
    MakeReadOnly({File()});
    const std::string before = ReadFile(File());
    {
        ScopedUnprivileged unprivileged;
        EXPECT_TRUE(Open());
        std::string value;
        EXPECT_TRUE(store_.GetConfig(1, config_key::kMouseSpeed, value));
        EXPECT_EQ(value, "4");
        EXPECT_FALSE(store_.SetConfig(1, config_key::kMouseSpeed, "9"));
        EXPECT_EQ(store_.AddMacro("m"), 0);
        EXPECT_FALSE(store_.DeleteKeyAssignment(1, 0, 2));
        EXPECT_EQ(LoadProfileList(store_, "Profile").active_profile, 1);
        TouchEverything();
        EXPECT_TRUE(store_.Close());
        // A new model cannot be created in a folder that is not writable.
        EXPECT_FALSE(store_.SwitchDeviceModel(dir_.path(), "New", 0));
        EXPECT_FALSE(store_.IsOpen());
    }
    EXPECT_EQ(ReadFile(File()), before);
}

TEST_F(BadInputTest, ResetInAReadOnlyFolderSaysWhyAndChangesNothing) {
    CreateModelFile();
    const std::filesystem::path damaged = File("Damaged");
    WriteFile(damaged, std::string(3000, 'x'));
    MakeReadOnly({File(), damaged});
    const std::string before = ReadFile(File());
    {
        ScopedUnprivileged unprivileged;
        ASSERT_TRUE(Open());
        StoreReset reset = store_.ResetDeviceStore(dir_.path(), "Mouse", 0);
        EXPECT_FALSE(reset.ok);
        EXPECT_EQ(reset.error, "cannot delete the old file: Permission denied");
        EXPECT_TRUE(reset.kept_copy.empty());
        // The old file is still the open store.
        EXPECT_TRUE(store_.OpenFlag());
        std::string value;
        EXPECT_TRUE(store_.GetConfig(1, config_key::kMouseSpeed, value));
        EXPECT_EQ(value, "4");

        reset = store_.ResetDeviceStore(dir_.path(), "Damaged", 0);
        EXPECT_FALSE(reset.ok);
        EXPECT_TRUE(reset.error.starts_with("cannot keep the old file as " + damaged.string() +
                                            ".damaged-"))
            << reset.error;
        EXPECT_TRUE(reset.error.ends_with(": Permission denied")) << reset.error;
        EXPECT_TRUE(store_.Close());
    }
    EXPECT_EQ(ReadFile(File()), before);
    EXPECT_EQ(ReadFile(damaged), std::string(3000, 'x'));
}

TEST_F(BadInputTest, VanishedFileAndFolder) {
    CreateModelFile();
    ASSERT_TRUE(Open());
    std::filesystem::remove_all(dir_.path() / "db");
    TouchEverything();
    EXPECT_FALSE(store_.SetConfig(1, config_key::kMouseSpeed, "9"));
    EXPECT_FALSE(Open());
    EXPECT_FALSE(store_.IsOpen());
    TouchEverything();
    std::filesystem::create_directories(dir_.path() / "db");
    EXPECT_TRUE(Open());
    EXPECT_EQ(LoadProfileList(store_, "Profile").entries.size(), 5u);
}

// Writes beyond the file size limit fail as they would on a full disk. The limit covers every
// file the process writes, so it is held only around the store calls.
class ScopedFileSizeLimit {
  public:
    explicit ScopedFileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &previous_);
        signal_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~ScopedFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, signal_);
    }

  private:
    rlimit previous_{};
    void (*signal_)(int) = nullptr;
};

TEST_F(BadInputTest, FileThatCannotGrowKeepsWhatItHad) {
    CreateModelFile();
    ASSERT_TRUE(Open());
    const auto size = std::filesystem::file_size(File());
    int macro = 0;
    {
        ScopedFileSizeLimit limit(size);
        macro = store_.AddMacro("long");
        store_.AddMacroRecords(LongMacro(macro));
        for (int profile = 1; profile <= 5; ++profile) {
            for (int key = 0; key < 200; ++key) {
                KeyAssignment assignment;
                assignment.profile = profile;
                assignment.key_code = key;
                assignment.macro_value = key + 1;
                assignment.macro_desc = std::string(200, 'k');
                store_.SaveKeyAssignment(assignment);
            }
        }
        TouchEverything();
    }
    EXPECT_LE(std::filesystem::file_size(File()), size);
    std::vector<MacroRecord> records;
    EXPECT_LT(store_.LoadMacroRecords(macro, records), 990);
    EXPECT_LT(Count("t_key_macro_data"), 1000);
    // The store recovers once there is room, and nothing is left pending in a transaction.
    EXPECT_TRUE(store_.SetConfig(1, config_key::kDpiCount, "6"));
    EXPECT_EQ(StoredMouseSpeed(), "4");
    std::string value;
    EXPECT_TRUE(store_.GetConfig(1, config_key::kDpiCount, value));
    EXPECT_EQ(value, "6");
    EXPECT_EQ(LoadProfileList(store_, "Profile").entries.size(), 5u);
}

// A small file system mounted for one test, where the test may mount one.
class ScopedTmpfs {
  public:
    explicit ScopedTmpfs(const std::filesystem::path& where) : path_(where) {
        std::filesystem::create_directories(path_);
        mounted_ = mount("tmpfs", path_.c_str(), "tmpfs", 0, "size=256k") == 0;
    }
    ~ScopedTmpfs() {
        if (mounted_) {
            umount(path_.c_str());
        }
    }
    bool mounted() const { return mounted_; }

  private:
    std::filesystem::path path_;
    bool mounted_ = false;
};

// Leaves `free_bytes` of the file system unused.
void FillFileSystem(const std::filesystem::path& filler, std::uintmax_t free_bytes) {
    {
        std::ofstream out(filler, std::ios::binary);
        const std::string block(4096, 'f');
        while (out.write(block.data(), block.size())) {
        }
    }
    std::filesystem::resize_file(filler, std::filesystem::file_size(filler) - free_bytes);
}

TEST_F(BadInputTest, FullFileSystem) {
    const auto mount_point = dir_.path() / "small";
    ScopedTmpfs tmpfs(mount_point);
    if (!tmpfs.mounted()) {
        GTEST_SKIP() << "cannot mount a tmpfs here";
    }
    std::filesystem::create_directories(mount_point / "db");
    const auto file = ProfileStore::DeviceStorePath(mount_point, "Mouse");
    // With no room at all the first insert fails; with a little room the rows fit in the cache
    // and the commit is what fails, leaving SQLite to undo the transaction.
    for (std::uintmax_t free_bytes : {0, 16384}) {
        ProfileStore store;
        ASSERT_TRUE(store.ResetDeviceStore(mount_point, "Mouse", 0).ok);
        ASSERT_EQ(LoadProfileList(store, "Profile").entries.size(), 5u);
        ASSERT_TRUE(store.SetConfig(1, config_key::kMouseSpeed, "4"));

        FillFileSystem(mount_point / "filler", free_bytes);
        const int macro = store.AddMacro("long");
        store.AddMacroRecords(LongMacro(macro));
        std::vector<MacroRecord> records;
        EXPECT_LT(store.LoadMacroRecords(macro, records), 990);
        std::string value;
        EXPECT_TRUE(store.GetConfig(1, config_key::kMouseSpeed, value));
        EXPECT_EQ(value, "4");

        std::filesystem::remove(mount_point / "filler");
        EXPECT_TRUE(store.SetConfig(1, config_key::kMouseSpeed, "5"));
        EXPECT_TRUE(store.Close());
        EXPECT_EQ(test::QueryInt(file,
                                 "SELECT value FROM t_configdata WHERE profile = 1 AND "
                                 "key = 'mouse_speed'"),
                  5);
        EXPECT_EQ(test::QueryInt(file, "SELECT count(*) FROM t_configdata"), 295);
    }
}

}  // namespace
}  // namespace veltra
