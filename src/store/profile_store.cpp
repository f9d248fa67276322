#include "store/profile_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>
#include <system_error>
#include <utility>

namespace veltra {
namespace {

constexpr int kOpenExisting = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX;
constexpr int kOpenOrCreate = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;

constexpr std::array<const char*, 17> kSchema = {
    "CREATE TABLE IF NOT EXISTS t_configdata (config_id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "profile INTEGER, key TEXT, value TEXT)",
    "CREATE TABLE IF NOT EXISTS t_profile_data (profile INTEGER PRIMARY KEY AUTOINCREMENT, "
    "name TEXT, status INTEGER, app TEXT, type INTEGER)",
    "CREATE INDEX IF NOT EXISTS profileindex ON t_profile_data(profile)",
    "CREATE TABLE IF NOT EXISTS t_key_macro_data (key_id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "profile INTEGER, fn_layer INTEGER, key_code INTEGER, layout_value INTEGER, "
    "layout_desc TEXT, macro_type INTEGER, macro_value INTEGER, macro_value2 INTEGER, "
    "macro_value3 INTEGER, macro_desc TEXT)",
    "CREATE INDEX IF NOT EXISTS keyindex ON t_key_macro_data(key_id)",
    "CREATE TABLE IF NOT EXISTS t_key_otherdata (macro_value INTEGER PRIMARY KEY AUTOINCREMENT, "
    "macro_desc TEXT, param TEXT, type INTEGER)",
    "CREATE INDEX IF NOT EXISTS otheridindex ON t_key_otherdata(macro_value)",
    "CREATE TABLE IF NOT EXISTS t_macro_data (macro_id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "name TEXT, play_type INTEGER, play_times INTEGER, delay_type INTEGER, delay_time INTEGER)",
    "CREATE INDEX IF NOT EXISTS macroidindex ON t_macro_data(macro_id)",
    "CREATE TABLE IF NOT EXISTS t_macrorecord (record_id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "macro_id INTEGER, type INTEGER, record_index INTEGER, desc TEXT, value INTEGER, "
    "delay_time INTEGER)",
    "CREATE INDEX IF NOT EXISTS macrorecordindex ON t_macrorecord(record_id)",
    "CREATE TABLE IF NOT EXISTS t_light_data (light_id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "profile INTEGER, name TEXT, mode INTEGER, brightness INTEGER, speed INTEGER, "
    "direction INTEGER, colorful INTEGER, colorindex INTEGER, color_value INTEGER, "
    "config_func INTEGER, reserved INTEGER, status INTEGER)",
    "CREATE INDEX IF NOT EXISTS lightindex ON t_light_data(light_id)",
    "CREATE TABLE IF NOT EXISTS t_key_light_data (keylight_id INTEGER PRIMARY KEY "
    "AUTOINCREMENT, profile INTEGER, light_id INTEGER, key_code INTEGER, key_rgb INTEGER)",
    "CREATE INDEX IF NOT EXISTS keylightindex ON t_key_light_data(keylight_id)",
    "CREATE TABLE IF NOT EXISTS t_ledlayer_data (led_id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "profile INTEGER, type INTEGER, name TEXT, frame_size INTEGER, file_dir TEXT, "
    "first_file TEXT, delay_time INTEGER)",
    "CREATE TABLE IF NOT EXISTS t_ledframe_data (frame_id INTEGER PRIMARY KEY AUTOINCREMENT, "
    "led_id INTEGER, name TEXT, delay_time INTEGER, frame_index INTEGER, file_name TEXT)",
};

// Paths and SQLite both speak UTF-8 here; going through u8 strings keeps that true on systems
// whose narrow path encoding is something else.
std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path JournalOf(const std::filesystem::path& file) {
    std::filesystem::path journal = file;
    journal += "-journal";
    return journal;
}

StoreCondition ConditionOf(int code) {
    switch (code & 0xFF) {
        case SQLITE_NOTADB:
            return StoreCondition::kNotADatabase;
        case SQLITE_CORRUPT:
            return StoreCondition::kDamaged;
        default:
            return StoreCondition::kUnreadable;
    }
}

// Every table of the schema with its columns, read from a database built in memory from the
// schema itself, so the check cannot drift from what CreateSchema makes.
std::vector<std::pair<std::string, std::vector<std::string>>> SchemaColumns() {
    std::vector<std::pair<std::string, std::vector<std::string>>> tables;
    SQLiteDB reference;
    if (!reference.Open(":memory:", {}, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY)) {
        return tables;
    }
    for (const char* statement : kSchema) {
        reference.Exec(statement);
    }
    SQLiteStatement names;
    reference.Prepare(names,
                      "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                      "'sqlite%' ORDER BY name");
    while (names.Step() == SQLITE_ROW) {
        tables.emplace_back(names.ColumnString(0), std::vector<std::string>());
    }
    for (auto& [table, columns] : tables) {
        SQLiteStatement info;
        reference.Prepare(info, "SELECT name FROM pragma_table_info(?)");
        info.BindText(1, table);
        while (info.Step() == SQLITE_ROW) {
            columns.push_back(info.ColumnString(0));
        }
    }
    return tables;
}

StoreHealth CheckStoreFile(SQLiteDB& db, const std::filesystem::path& file) {
    if (!db.IsOpen()) {
        return {StoreCondition::kClosed, {}};
    }
    std::error_code ec;
    if (std::filesystem::file_size(file, ec) == 0 && !ec) {
        return {StoreCondition::kEmptyFile, {}};
    }
    {
        SQLiteStatement check;
        int code = db.Prepare(check, "PRAGMA quick_check");
        if (code == SQLITE_OK) {
            code = check.Step();
        }
        if (code != SQLITE_ROW) {
            return {ConditionOf(code), db.ErrorMessage()};
        }
        const std::string verdict = check.ColumnString(0);
        if (verdict != "ok") {
            return {StoreCondition::kDamaged, verdict};
        }
    }
    static const auto kTables = SchemaColumns();
    std::string missing;
    for (const auto& [table, columns] : kTables) {
        SQLiteStatement info;
        db.Prepare(info, "SELECT name FROM pragma_table_info(?)");
        info.BindText(1, table);
        std::set<std::string> present;
        int code;
        while ((code = info.Step()) == SQLITE_ROW) {
            present.insert(info.ColumnString(0));
        }
        if (code != SQLITE_DONE) {
            return {ConditionOf(code), db.ErrorMessage()};
        }
        std::string lacking;
        for (const std::string& column : columns) {
            if (present.count(column) == 0) {
                lacking += (lacking.empty() ? "" : ", ") + column;
            }
        }
        if (present.empty()) {
            missing += (missing.empty() ? "" : "; ") + table;
        } else if (!lacking.empty()) {
            missing += (missing.empty() ? "" : "; ") + table + " without " + lacking;
        }
    }
    if (!missing.empty()) {
        return {StoreCondition::kMissingTables, missing};
    }
    return {StoreCondition::kHealthy, {}};
}

// "<file>.damaged-20240131-235959", with "-2", "-3"... when that name is taken.
std::filesystem::path DamagedCopyPath(const std::filesystem::path& file) {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::filesystem::path copy = file;
    copy += std::string(".damaged-") + stamp;
    std::error_code ec;
    for (int n = 2; std::filesystem::exists(copy, ec); ++n) {
        copy = file;
        copy += std::string(".damaged-") + stamp + "-" + std::to_string(n);
    }
    return copy;
}

std::string ErrnoText(int error) {
    return std::system_category().message(error);
}

// Moves a complete new file to `to` unless a file is there already, which then wins (0 in both
// cases; else the errno). A hard link is atomic everywhere it exists; file systems without
// links (vfat, some FUSE) take a rename that refuses to replace, and where even that is
// missing, a plain rename after a check, which two processes could only race in that instant.
int PutInPlace(const std::string& from, const std::string& to) {
    if (::link(from.c_str(), to.c_str()) == 0 || errno == EEXIST) {
        return 0;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != ENOSYS) {
        return errno;
    }
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ||
        errno == EEXIST) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    if (::access(to.c_str(), F_OK) == 0) {
        return 0;
    }
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace

bool StoreHealth::damaged() const {
    return condition == StoreCondition::kEmptyFile || condition == StoreCondition::kNotADatabase ||
           condition == StoreCondition::kDamaged || condition == StoreCondition::kMissingTables;
}

ProfileStore& ProfileStore::Instance() {
    static ProfileStore store;
    return store;
}

ProfileStore::~ProfileStore() {
    std::lock_guard lock(lock_);
    if (open_flag_) {
        db_.Close();
    }
    open_flag_ = false;
}

std::filesystem::path ProfileStore::DeviceStorePath(const std::filesystem::path& folder,
                                                    std::string_view stem) {
    return folder / "db" / PathFromUtf8(std::string(stem) + "_data_test.db");
}

bool ProfileStore::OpenDeviceStore(const std::filesystem::path& folder, std::string_view stem) {
    std::lock_guard lock(lock_);
    path_ = PathToUtf8(DeviceStorePath(folder, stem));
    std::string error;
    open_flag_ = OpenPath(error);
    return open_flag_;
}

bool ProfileStore::OpenPath(std::string& error) {
    std::error_code ec;
    if (std::filesystem::exists(PathFromUtf8(path_), ec)) {
        if (db_.IsOpen() || db_.Open(path_.c_str(), {}, kOpenExisting)) {
            return true;
        }
        error = "cannot open it";
        return false;
    }
    return CreateSchema(error);
}

void ProfileStore::DeleteDeviceStore(const std::filesystem::path& folder, std::string_view stem) {
    std::lock_guard lock(lock_);
    const std::filesystem::path file = DeviceStorePath(folder, stem);
    std::error_code ec;
    std::filesystem::remove(file, ec);
    // A journal left by an interrupted write belongs to the deleted file; SQLite would replay it
    // into the fresh one.
    std::filesystem::remove(JournalOf(file), ec);
}

bool ProfileStore::CreateSchema(std::string& error) {
    std::lock_guard lock(lock_);
    if (db_.IsOpen()) {
        return true;
    }
    // The file is built under a name of this process's own and linked into place complete, so
    // another process never opens it while its tables are still missing, and of two processes
    // creating it at once the first one's file is the one both use.
    static std::atomic<int> serial{0};
    const std::string building_path =
        path_ + ".new-" + std::to_string(getpid()) + "-" + std::to_string(serial++);
    // A file of that name can only be left over from a crash of an earlier process.
    ::unlink(building_path.c_str());
    // Created here rather than by SQLite, whose fallback to a read-only open hides the reason.
    const int fd = ::open(building_path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot create it: " + ErrnoText(errno);
        return false;
    }
    ::close(fd);
    bool built = false;
    {
        SQLiteDB building;
        if (building.Open(building_path.c_str(), {}, kOpenOrCreate)) {
            SQLiteWriteTransaction transaction(building);
            bool all_ok = transaction.Started();
            for (const char* statement : kSchema) {
                all_ok = building.Exec(statement) == SQLITE_OK && all_ok;
            }
            built = all_ok && transaction.Commit();
            if (!built) {
                error = "cannot create it: " + building.ErrorMessage();
            }
        } else {
            error = "cannot create it";
        }
        built = building.Close() && built;
    }
    if (built) {
        if (const int failure = PutInPlace(building_path, path_); failure != 0) {
            error = "cannot create it: " + ErrnoText(failure);
            built = false;
        }
    }
    ::unlink(building_path.c_str());
    if (!built) {
        return false;
    }
    if (!db_.Open(path_.c_str(), {}, kOpenExisting)) {
        error = "cannot open it";
        return false;
    }
    return true;
}

bool ProfileStore::Close() {
    std::lock_guard lock(lock_);
    return db_.Close();
}

bool ProfileStore::IsOpen() const {
    std::lock_guard lock(lock_);
    return db_.IsOpen();
}

void ProfileStore::CloseForSwitch() {
    // Close whenever a connection exists, not only when the last open reported success: a file
    // that failed to open completely may still be connected, and keeping that connection would
    // send this model's data into another model's (or a deleted) file.
    if (open_flag_ || db_.IsOpen()) {
        db_.Close();
    }
    open_flag_ = false;
}

bool ProfileStore::SwitchDeviceModel(const std::filesystem::path& folder, std::string_view stem,
                                     int device_type) {
    std::lock_guard lock(lock_);
    CloseForSwitch();
    const bool result = OpenDeviceStore(folder, stem);
    device_type_ = device_type;
    return result;
}

StoreReset ProfileStore::ResetDeviceStore(const std::filesystem::path& folder,
                                          std::string_view stem, int device_type) {
    std::lock_guard lock(lock_);
    CloseForSwitch();
    device_type_ = device_type;
    path_ = PathToUtf8(DeviceStorePath(folder, stem));
    StoreReset result;
    if (!PutOldFileAside(result)) {
        std::string ignored;
        open_flag_ = OpenPath(ignored);
        return result;
    }
    open_flag_ = OpenPath(result.error);
    result.ok = open_flag_;
    return result;
}

bool ProfileStore::PutOldFileAside(StoreReset& result) {
    namespace fs = std::filesystem;
    const fs::path file = PathFromUtf8(path_);
    const fs::path journal = JournalOf(file);
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(file, ec))) {
        // A journal without its file belongs to nothing SQLite should replay into the new one.
        fs::remove(journal, ec);
        return true;
    }
    StoreHealth health;
    {
        // Read-only, so that a journal is never played back into a file that may be kept: one
        // that needs it counts as unreadable and goes aside with it.
        SQLiteDB probe;
        probe.Open(path_.c_str(), {}, SQLITE_OPEN_READONLY);
        health = CheckStoreFile(probe, file);
    }
    if (health.healthy()) {
        if (!fs::remove(file, ec)) {
            result.error = "cannot delete the old file: " + ec.message();
            return false;
        }
        fs::remove(journal, ec);
        return true;
    }
    const fs::path copy = DamagedCopyPath(file);
    fs::rename(file, copy, ec);
    if (ec) {
        result.error = "cannot keep the old file as " + copy.string() + ": " + ec.message();
        return false;
    }
    result.kept_copy = copy;
    // The journal may hold the rest of the copy's last write; it goes with it.
    if (fs::exists(journal, ec)) {
        fs::path copy_journal = JournalOf(copy);
        fs::rename(journal, copy_journal, ec);
        if (ec && !fs::remove(journal, ec)) {
            result.error = "cannot move the old journal " + journal.string() + ": " + ec.message();
            return false;
        }
    }
    return true;
}

StoreHealth ProfileStore::CheckHealth() {
    std::lock_guard lock(lock_);
    return CheckStoreFile(db_, PathFromUtf8(path_));
}

std::unique_lock<std::recursive_mutex> ProfileStore::Lock() const {
    return std::unique_lock(lock_);
}

ProfileStore::WriteBatch::WriteBatch(ProfileStore& store)
    : lock_(store.lock_), transaction_(std::make_unique<SQLiteWriteTransaction>(store.db_)) {}

bool ProfileStore::WriteBatch::Started() const {
    return transaction_->Started();
}

bool ProfileStore::WriteBatch::Commit() {
    return transaction_->Commit();
}

ProfileStore::WriteBatch ProfileStore::BeginWriteBatch() {
    return WriteBatch(*this);
}

std::string ProfileStore::Path() const {
    std::lock_guard lock(lock_);
    return path_;
}

int ProfileStore::DeviceType() const {
    std::lock_guard lock(lock_);
    return device_type_;
}

void ProfileStore::SetDeviceType(int device_type) {
    std::lock_guard lock(lock_);
    device_type_ = device_type;
}

bool ProfileStore::OpenFlag() const {
    std::lock_guard lock(lock_);
    return open_flag_;
}

void ProfileStore::SetOpenFlag(bool open) {
    std::lock_guard lock(lock_);
    open_flag_ = open;
}

}  // namespace veltra
