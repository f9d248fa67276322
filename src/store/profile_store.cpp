#include "store/profile_store.h"

#include <sqlite3.h>

#include <array>
#include <system_error>

#include "store/settings_defaults.h"

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

}  // namespace

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
    const std::filesystem::path file = DeviceStorePath(folder, stem);
    path_ = PathToUtf8(file);
    std::error_code ec;
    bool result;
    if (std::filesystem::exists(file, ec)) {
        result = db_.IsOpen() || db_.Open(path_.c_str(), {}, kOpenExisting);
    } else {
        result = CreateSchema();
    }
    open_flag_ = result;
    return result;
}

void ProfileStore::DeleteDeviceStore(const std::filesystem::path& folder, std::string_view stem) {
    std::lock_guard lock(lock_);
    const std::filesystem::path file = DeviceStorePath(folder, stem);
    std::error_code ec;
    std::filesystem::remove(file, ec);
    // A journal left by an interrupted write belongs to the deleted file; SQLite would replay it
    // into the fresh one.
    std::filesystem::path journal = file;
    journal += "-journal";
    std::filesystem::remove(journal, ec);
}

bool ProfileStore::CreateSchema() {
    std::lock_guard lock(lock_);
    if (db_.IsOpen()) {
        return true;
    }
    if (!db_.Open(path_.c_str(), {}, kOpenOrCreate)) {
        return false;
    }
    bool all_ok = true;
    for (const char* statement : kSchema) {
        all_ok = db_.Exec(statement) == SQLITE_OK && all_ok;
    }
    return all_ok;
}

bool ProfileStore::Close() {
    std::lock_guard lock(lock_);
    return db_.Close();
}

bool ProfileStore::IsOpen() const {
    std::lock_guard lock(lock_);
    return db_.IsOpen();
}

bool ProfileStore::OpenModel(const std::filesystem::path& folder, std::string_view stem,
                             int device_type, bool start_empty) {
    std::lock_guard lock(lock_);
    // Close whenever a connection exists, not only when the last open reported success: a file
    // whose schema failed stays connected, and keeping that connection would send this model's
    // data into another model's (or a deleted) file.
    if (open_flag_ || db_.IsOpen()) {
        db_.Close();
    }
    open_flag_ = false;
    if (start_empty) {
        DeleteDeviceStore(folder, stem);
    }
    const bool result = OpenDeviceStore(folder, stem);
    device_type_ = device_type;
    return result;
}

bool ProfileStore::SwitchDeviceModel(const std::filesystem::path& folder, std::string_view stem,
                                     int device_type) {
    return OpenModel(folder, stem, device_type, false);
}

bool ProfileStore::ResetDeviceStore(const std::filesystem::path& folder, std::string_view stem,
                                    int device_type) {
    return OpenModel(folder, stem, device_type, true);
}

std::unique_lock<std::recursive_mutex> ProfileStore::Lock() const {
    return std::unique_lock(lock_);
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

int ProfileStore::StepInsert(SQLiteStatement& statement) {
    if (!IsWriteOk(statement.Step())) {
        return 0;
    }
    return static_cast<int>(db_.LastInsertRowId());
}

bool ProfileStore::GetConfig(int profile, std::string_view key, std::string& value) {
    value.clear();
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement, "SELECT value FROM t_configdata WHERE profile = ? and key = ?");
    statement.BindInt(1, profile);
    statement.BindText(2, ToUtf8(key));
    if (statement.Step() != SQLITE_ROW) {
        return false;
    }
    value = statement.ColumnString(0);
    return true;
}

bool ProfileStore::SetConfig(int profile, std::string_view key, std::string_view value) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement, "UPDATE t_configdata SET value = ? WHERE profile = ? and key = ?");
    statement.BindText(1, ToUtf8(value));
    statement.BindInt(2, profile);
    statement.BindText(3, ToUtf8(key));
    return IsWriteOk(statement.Step());
}

void ProfileStore::WriteDefaults(int profile) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    for (const ConfigDefault& row : DefaultConfig(device_type_)) {
        db_.Prepare(statement, "INSERT INTO t_configdata(profile, key, value) VALUES (?, ?, ?);");
        statement.BindInt(1, profile);
        statement.BindText(2, ToUtf8(row.key));
        statement.BindText(3, ToUtf8(row.value));
        statement.Step();
    }
}

int ProfileStore::AddProfile(const ProfileRecord& record) {
    std::lock_guard lock(lock_);
    int profile = 0;
    {
        SQLiteStatement statement;
        db_.Prepare(statement,
                    "INSERT INTO t_profile_data(name, status, app, type) VALUES (?, ?, ?, ?);");
        statement.BindText(1, ToUtf8(record.name));
        statement.BindInt(2, 0);
        statement.BindText(3, ToUtf8(record.app));
        statement.BindInt(4, 0);
        profile = StepInsert(statement);
    }
    // A failed insert has no id to give the defaults to.
    if (profile > 0) {
        WriteDefaults(profile);
    }
    return profile;
}

int ProfileStore::LoadProfiles(std::vector<ProfileRecord>& records) {
    records.clear();
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement, "SELECT * FROM t_profile_data");
    while (statement.Step() == SQLITE_ROW) {
        ProfileRecord& record = records.emplace_back();
        record.profile_id = statement.ColumnInt(0);
        record.name = statement.ColumnString(1);
        record.status = statement.ColumnInt(2);
        record.app = statement.ColumnString(3);
        record.type = statement.ColumnInt(4);
    }
    return static_cast<int>(records.size());
}

bool ProfileStore::SetActiveProfile(int profile) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement, "UPDATE t_profile_data SET status = ?");
    statement.BindInt(1, 0);
    statement.Step();
    db_.Prepare(statement, "UPDATE t_profile_data SET status = ? WHERE profile = ?");
    statement.BindInt(1, 1);
    statement.BindInt(2, profile);
    return IsWriteOk(statement.Step());
}

int ProfileStore::GetActiveProfile() {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement, "SELECT profile FROM t_profile_data WHERE status = ?");
    statement.BindInt(1, 1);
    if (statement.Step() != SQLITE_ROW) {
        return 0;
    }
    return statement.ColumnInt(0);
}

}  // namespace veltra
