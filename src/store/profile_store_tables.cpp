// Button assignments, lighting modes and macros of the profile database.

#include <sqlite3.h>

#include "store/profile_store.h"

namespace veltra {
namespace {

constexpr const char* kInsertKeyAssignment =
    "INSERT INTO t_key_macro_data(profile, fn_layer, key_code, layout_value, layout_desc, "
    "macro_type, macro_value, macro_value2, macro_value3, macro_desc) "
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?);";
constexpr const char* kInsertLightMode =
    "INSERT INTO t_light_data(profile, name, mode, brightness, speed, direction, colorful, "
    "colorindex, color_value, config_func, reserved, status) "
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?);";
constexpr const char* kInsertMacro =
    "INSERT INTO t_macro_data(name, play_type, play_times, delay_type, delay_time) "
    "VALUES (?, ?, ?, ?, ?);";
constexpr const char* kInsertMacroRecord =
    "INSERT INTO t_macrorecord(macro_id, type, record_index, desc, value, delay_time) "
    "VALUES (?, ?, ?, ?, ?, ?);";

KeyAssignment ReadKeyAssignment(const SQLiteStatement& row) {
    KeyAssignment record;
    record.key_id = row.ColumnInt(0);
    record.profile = row.ColumnInt(1);
    record.fn_layer = row.ColumnInt(2);
    record.key_code = row.ColumnInt(3);
    record.layout_value = row.ColumnInt(4);
    record.layout_desc = row.ColumnString(5);
    record.macro_type = row.ColumnInt(6);
    record.macro_value = row.ColumnInt(7);
    record.macro_value2 = row.ColumnInt(8);
    record.macro_value3 = row.ColumnInt(9);
    record.macro_desc = row.ColumnString(10);
    return record;
}

LightMode ReadLightMode(const SQLiteStatement& row) {
    LightMode record;
    record.light_id = row.ColumnInt(0);
    record.profile = row.ColumnInt(1);
    record.name = row.ColumnString(2);
    record.mode = row.ColumnInt(3);
    record.brightness = row.ColumnInt(4);
    record.speed = row.ColumnInt(5);
    record.direction = row.ColumnInt(6);
    record.colorful = row.ColumnInt(7);
    record.colorindex = row.ColumnInt(8);
    record.color_value = row.ColumnInt(9);
    record.config_func = row.ColumnInt(10);
    record.reserved = row.ColumnInt(11);
    record.status = row.ColumnInt(12);
    return record;
}

MacroInfo ReadMacroInfo(const SQLiteStatement& row) {
    MacroInfo record;
    record.macro_id = row.ColumnInt(0);
    record.name = row.ColumnString(1);
    record.play_type = row.ColumnInt(2);
    record.play_times = row.ColumnInt(3);
    record.delay_type = row.ColumnInt(4);
    record.delay_time = row.ColumnInt(5);
    return record;
}

// The column order of t_macrorecord puts desc before value and delay_time.
MacroRecord ReadMacroRecord(const SQLiteStatement& row) {
    MacroRecord record;
    record.record_id = row.ColumnInt(0);
    record.macro_id = row.ColumnInt(1);
    record.type = row.ColumnInt(2);
    record.record_index = row.ColumnInt(3);
    record.desc = row.ColumnString(4);
    record.value = row.ColumnInt(5);
    record.delay_time = row.ColumnInt(6);
    return record;
}

void BindMacroRecord(SQLiteStatement& statement, const MacroRecord& record) {
    statement.BindInt(1, record.macro_id);
    statement.BindInt(2, record.type);
    statement.BindInt(3, record.record_index);
    statement.BindText(4, ToUtf8(record.desc));
    statement.BindInt(5, record.value);
    statement.BindInt(6, record.delay_time);
}

template <typename Record, typename Read>
int ReadAll(SQLiteStatement& statement, std::vector<Record>& records, Read read) {
    while (statement.Step() == SQLITE_ROW) {
        records.push_back(read(statement));
    }
    return static_cast<int>(records.size());
}

}  // namespace

int ProfileStore::SaveKeyAssignment(const KeyAssignment& record) {
    std::lock_guard lock(lock_);
    // Delete and insert together, or two processes saving one button leave two rows. A failed
    // step leaves the transaction uncommitted: committing would still write a header into a file
    // that is not a store yet.
    SQLiteWriteTransaction transaction(db_);
    if (!DeleteKeyAssignment(record.profile, record.fn_layer, record.key_code)) {
        return 0;
    }
    // Both values 0 means the factory function, which is kept by having no row.
    if (record.macro_value == 0 && record.macro_value2 == 0) {
        transaction.Commit();
        return 0;
    }
    SQLiteStatement statement;
    db_.Prepare(statement, kInsertKeyAssignment);
    statement.BindInt(1, record.profile);
    statement.BindInt(2, record.fn_layer);
    statement.BindInt(3, record.key_code);
    statement.BindInt(4, record.layout_value);
    statement.BindText(5, ToUtf8(record.layout_desc));
    statement.BindInt(6, record.macro_type);
    statement.BindInt(7, record.macro_value);
    statement.BindInt(8, record.macro_value2);
    statement.BindInt(9, record.macro_value3);
    statement.BindText(10, ToUtf8(record.macro_desc));
    const int key_id = StepInsert(statement);
    return key_id != 0 && transaction.Commit() ? key_id : 0;
}

bool ProfileStore::LoadKeyAssignment(int profile, int fn_layer, int key_code,
                                     KeyAssignment& record) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(
        statement,
        "SELECT * FROM t_key_macro_data WHERE profile = ? and fn_layer = ? and key_code = ?");
    statement.BindInt(1, profile);
    statement.BindInt(2, fn_layer);
    statement.BindInt(3, key_code);
    if (statement.Step() != SQLITE_ROW) {
        return false;
    }
    record = ReadKeyAssignment(statement);
    return true;
}

bool ProfileStore::SetKeyMacroDesc(int profile, int fn_layer, int key_code, std::string_view text) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement,
                "UPDATE t_key_macro_data SET macro_desc = ? WHERE profile = ? and fn_layer = ? "
                "and key_code = ?");
    statement.BindText(1, ToUtf8(text));
    statement.BindInt(2, profile);
    statement.BindInt(3, fn_layer);
    statement.BindInt(4, key_code);
    return IsWriteOk(statement.Step());
}

int ProfileStore::LoadKeyAssignments(int profile, int fn_layer,
                                     std::vector<KeyAssignment>& records) {
    records.clear();
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement, "SELECT * FROM t_key_macro_data WHERE profile = ? and fn_layer = ?");
    statement.BindInt(1, profile);
    statement.BindInt(2, fn_layer);
    return ReadAll(statement, records, ReadKeyAssignment);
}

bool ProfileStore::DeleteKeyAssignment(int profile, int fn_layer, int key_code) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement,
                "DELETE FROM t_key_macro_data WHERE profile = ? and fn_layer = ? and key_code = ?");
    statement.BindInt(1, profile);
    statement.BindInt(2, fn_layer);
    statement.BindInt(3, key_code);
    return IsWriteOk(statement.Step());
}

bool ProfileStore::DeleteKeyAssignments(int profile) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement, "DELETE FROM t_key_macro_data WHERE profile = ?");
    statement.BindInt(1, profile);
    return IsWriteOk(statement.Step());
}

int ProfileStore::CountLightModes(int profile) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement, "select count(*) FROM t_light_data WHERE profile = ?");
    statement.BindInt(1, profile);
    if (statement.Step() != SQLITE_ROW) {
        return 0;
    }
    return statement.ColumnInt(0);
}

int ProfileStore::AddLightMode(const LightMode& record) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement, kInsertLightMode);
    statement.BindInt(1, record.profile);
    statement.BindText(2, ToUtf8(record.name));
    statement.BindInt(3, record.mode);
    statement.BindInt(4, record.brightness);
    statement.BindInt(5, record.speed);
    statement.BindInt(6, record.direction);
    statement.BindInt(7, record.colorful);
    statement.BindInt(8, record.colorindex);
    statement.BindInt(9, record.color_value);
    statement.BindInt(10, record.config_func);
    statement.BindInt(11, record.reserved);
    statement.BindInt(12, record.status);
    return StepInsert(statement);
}

bool ProfileStore::UpdateLightMode(int profile, int mode, const LightMode& record) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement,
                "UPDATE t_light_data SET brightness = ?, speed = ?, direction = ?, colorful = ?, "
                "colorindex = ?, color_value = ?, config_func = ?, reserved = ? "
                "WHERE profile = ? AND mode = ?");
    statement.BindInt(1, record.brightness);
    statement.BindInt(2, record.speed);
    statement.BindInt(3, record.direction);
    statement.BindInt(4, record.colorful);
    statement.BindInt(5, record.colorindex);
    statement.BindInt(6, record.color_value);
    statement.BindInt(7, record.config_func);
    statement.BindInt(8, record.reserved);
    statement.BindInt(9, profile);
    statement.BindInt(10, mode);
    return IsWriteOk(statement.Step());
}

bool ProfileStore::SetActiveLightMode(int profile, int mode) {
    std::lock_guard lock(lock_);
    // As with profiles: no other process may see a profile with no effect active in between.
    SQLiteWriteTransaction transaction(db_);
    SQLiteStatement statement;
    db_.Prepare(statement, "UPDATE t_light_data SET status = ? WHERE profile = ?");
    statement.BindInt(1, 0);
    statement.BindInt(2, profile);
    statement.Step();
    db_.Prepare(statement, "UPDATE t_light_data SET status = ? WHERE profile = ? and mode = ?");
    statement.BindInt(1, 1);
    statement.BindInt(2, profile);
    statement.BindInt(3, mode);
    return IsWriteOk(statement.Step()) && transaction.Commit();
}

int ProfileStore::GetActiveLightMode(int profile) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement, "SELECT mode FROM t_light_data WHERE profile = ? and status = ?");
    statement.BindInt(1, profile);
    statement.BindInt(2, 1);
    if (statement.Step() != SQLITE_ROW) {
        return 0;
    }
    return statement.ColumnInt(0);
}

bool ProfileStore::LoadLightMode(int profile, int mode, LightMode& record) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement, "SELECT * FROM t_light_data WHERE profile = ? AND mode = ?");
    statement.BindInt(1, profile);
    statement.BindInt(2, mode);
    if (statement.Step() != SQLITE_ROW) {
        return false;
    }
    record = ReadLightMode(statement);
    return true;
}

int ProfileStore::LoadLightModes(int profile, std::vector<LightMode>& records) {
    records.clear();
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement, "SELECT * FROM t_light_data WHERE profile = ?");
    statement.BindInt(1, profile);
    return ReadAll(statement, records, ReadLightMode);
}

int ProfileStore::AddMacro(std::string_view name) {
    MacroInfo record;
    record.name = name;
    record.play_times = 1;
    record.delay_type = 1;
    return AddMacroWithSettings(record);
}

int ProfileStore::AddMacroWithSettings(const MacroInfo& record) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement, kInsertMacro);
    statement.BindText(1, ToUtf8(record.name));
    statement.BindInt(2, record.play_type);
    statement.BindInt(3, record.play_times);
    statement.BindInt(4, record.delay_type);
    statement.BindInt(5, record.delay_time);
    return StepInsert(statement);
}

bool ProfileStore::RenameMacro(int macro_id, std::string_view name) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement, "UPDATE t_macro_data SET name = ? WHERE macro_id = ?");
    statement.BindText(1, ToUtf8(name));
    statement.BindInt(2, macro_id);
    return IsWriteOk(statement.Step());
}

bool ProfileStore::UpdateMacro(const MacroInfo& record) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement,
                "UPDATE t_macro_data SET name = ?, play_type = ?, play_times = ?, delay_type = ?,"
                "delay_time = ? WHERE macro_id = ?");
    statement.BindText(1, ToUtf8(record.name));
    statement.BindInt(2, record.play_type);
    statement.BindInt(3, record.play_times);
    statement.BindInt(4, record.delay_type);
    statement.BindInt(5, record.delay_time);
    statement.BindInt(6, record.macro_id);
    return IsWriteOk(statement.Step());
}

bool ProfileStore::DeleteMacro(int macro_id) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement, "DELETE FROM t_macro_data WHERE macro_id = ?");
    statement.BindInt(1, macro_id);
    if (!IsWriteOk(statement.Step())) {
        return false;
    }
    return DeleteMacroRecords(macro_id);
}

bool ProfileStore::LoadMacro(int macro_id, MacroInfo& record) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement, "SELECT * FROM t_macro_data WHERE macro_id = ?");
    statement.BindInt(1, macro_id);
    if (statement.Step() != SQLITE_ROW) {
        return false;
    }
    record = ReadMacroInfo(statement);
    return true;
}

int ProfileStore::LoadMacros(std::vector<MacroInfo>& records) {
    records.clear();
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement, "SELECT * FROM t_macro_data");
    return ReadAll(statement, records, ReadMacroInfo);
}

int ProfileStore::AddMacroRecord(const MacroRecord& record) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement, kInsertMacroRecord);
    BindMacroRecord(statement, record);
    return StepInsert(statement);
}

void ProfileStore::AddMacroRecords(const std::vector<MacroRecord>& records) {
    std::lock_guard lock(lock_);
    SQLiteAutoTransaction transaction(&db_);
    SQLiteStatement statement;
    for (const MacroRecord& record : records) {
        db_.Prepare(statement, kInsertMacroRecord);
        BindMacroRecord(statement, record);
        statement.Step();
    }
}

int ProfileStore::LoadMacroRecords(int macro_id, std::vector<MacroRecord>& records) {
    records.clear();
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement,
                "SELECT * FROM t_macrorecord WHERE macro_id = ? ORDER BY record_index ASC");
    statement.BindInt(1, macro_id);
    return ReadAll(statement, records, ReadMacroRecord);
}

bool ProfileStore::DeleteMacroRecords(int macro_id) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    db_.Prepare(statement, "DELETE FROM t_macrorecord WHERE macro_id = ?");
    statement.BindInt(1, macro_id);
    return IsWriteOk(statement.Step());
}

}  // namespace veltra
