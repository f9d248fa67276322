// The profiles and their settings rows; the file's life (opening, creating, checking, resetting)
// is in profile_store.cpp, the key, lighting and macro tables in profile_store_tables.cpp.

#include <sqlite3.h>

#include <set>
#include <string>
#include <vector>

#include "store/profile_store.h"
#include "store/settings_defaults.h"

namespace veltra {

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

bool ProfileStore::WriteDefaults(int profile) {
    std::lock_guard lock(lock_);
    SQLiteStatement statement;
    bool all_ok = true;
    for (const ConfigDefault& row : DefaultConfig(device_type_)) {
        db_.Prepare(statement, "INSERT INTO t_configdata(profile, key, value) VALUES (?, ?, ?);");
        statement.BindInt(1, profile);
        statement.BindText(2, ToUtf8(row.key));
        statement.BindText(3, ToUtf8(row.value));
        all_ok = IsWriteOk(statement.Step()) && all_ok;
    }
    return all_ok;
}

int ProfileStore::InsertProfile(const ProfileRecord& record) {
    SQLiteStatement statement;
    db_.Prepare(statement,
                "INSERT INTO t_profile_data(name, status, app, type) VALUES (?, ?, ?, ?);");
    statement.BindText(1, ToUtf8(record.name));
    statement.BindInt(2, 0);
    statement.BindText(3, ToUtf8(record.app));
    statement.BindInt(4, 0);
    return StepInsert(statement);
}

int ProfileStore::AddProfile(const ProfileRecord& record) {
    std::lock_guard lock(lock_);
    const int profile = InsertProfile(record);
    // A failed insert has no id to give the defaults to.
    if (profile > 0) {
        WriteDefaults(profile);
    }
    return profile;
}

bool ProfileStore::CreateDefaultProfiles(const std::vector<std::string>& names) {
    std::lock_guard lock(lock_);
    SQLiteWriteTransaction transaction(db_);
    if (!transaction.Started()) {
        return false;
    }
    {
        SQLiteStatement count;
        db_.Prepare(count, "SELECT count(*) FROM t_profile_data");
        if (count.Step() != SQLITE_ROW) {
            return false;
        }
        if (count.ColumnInt(0) > 0) {
            return true;
        }
    }
    int first = 0;
    for (const std::string& name : names) {
        ProfileRecord record;
        record.name = name;
        const int profile = InsertProfile(record);
        if (profile <= 0 || !WriteDefaults(profile)) {
            return false;
        }
        first = first > 0 ? first : profile;
    }
    return first > 0 && SetActiveProfile(first) && transaction.Commit();
}

int ProfileStore::RestoreMissingSettings() {
    std::lock_guard lock(lock_);
    std::set<std::pair<int, std::string>> present;
    {
        SQLiteStatement rows;
        db_.Prepare(rows, "SELECT profile, key FROM t_configdata");
        int code;
        while ((code = rows.Step()) == SQLITE_ROW) {
            present.emplace(rows.ColumnInt(0), rows.ColumnString(1));
        }
        if (code != SQLITE_DONE) {
            return 0;
        }
    }
    std::vector<ProfileRecord> profiles;
    LoadProfiles(profiles);
    const std::vector<ConfigDefault> defaults = DefaultConfig(device_type_);
    std::vector<std::pair<int, const ConfigDefault*>> missing;
    for (const ProfileRecord& profile : profiles) {
        for (const ConfigDefault& row : defaults) {
            if (present.count({profile.profile_id, row.key}) == 0) {
                missing.emplace_back(profile.profile_id, &row);
            }
        }
    }
    if (missing.empty()) {
        return 0;
    }
    SQLiteWriteTransaction transaction(db_);
    SQLiteStatement statement;
    int restored = 0;
    for (const auto& [profile, row] : missing) {
        // Another process may have restored the row since it was found missing.
        db_.Prepare(statement,
                    "INSERT INTO t_configdata(profile, key, value) SELECT ?, ?, ? WHERE NOT "
                    "EXISTS (SELECT 1 FROM t_configdata WHERE profile = ? AND key = ?)");
        statement.BindInt(1, profile);
        statement.BindText(2, ToUtf8(row->key));
        statement.BindText(3, ToUtf8(row->value));
        statement.BindInt(4, profile);
        statement.BindText(5, ToUtf8(row->key));
        if (!IsWriteOk(statement.Step())) {
            return 0;
        }
        restored += sqlite3_changes(db_.Handle());
    }
    return transaction.Commit() ? restored : 0;
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
    // Together, so another process never sees the moment with no profile active and "repairs"
    // it into two.
    SQLiteWriteTransaction transaction(db_);
    SQLiteStatement statement;
    db_.Prepare(statement, "UPDATE t_profile_data SET status = ?");
    statement.BindInt(1, 0);
    statement.Step();
    db_.Prepare(statement, "UPDATE t_profile_data SET status = ? WHERE profile = ?");
    statement.BindInt(1, 1);
    statement.BindInt(2, profile);
    return IsWriteOk(statement.Step()) && transaction.Commit();
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
