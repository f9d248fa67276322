#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "store/profile_store.h"
#include "store/sqlite_db.h"
#include "support/temp_dir.h"

namespace veltra::test {

// Reads one integer through a separate read-only connection, so checks never go through the
// code under test.
inline int QueryInt(const std::filesystem::path& file, const std::string& sql) {
    SQLiteDB db;
    if (!db.Open(file.c_str(), {}, SQLITE_OPEN_READONLY)) {
        ADD_FAILURE() << "cannot open " << file;
        return -1;
    }
    SQLiteStatement statement;
    db.Prepare(statement, sql.c_str());
    if (statement.Step() != SQLITE_ROW) {
        ADD_FAILURE() << "no row for " << sql;
        return -1;
    }
    return statement.ColumnInt(0);
}

class StoreTest : public ::testing::Test {
  protected:
    void SetUp() override { std::filesystem::create_directories(dir_.path() / "db"); }

    std::filesystem::path File(const std::string& stem = "Mouse") const {
        return ProfileStore::DeviceStorePath(dir_.path(), stem);
    }
    bool Open(const std::string& stem = "Mouse", int device_type = 0) {
        return store_.SwitchDeviceModel(dir_.path(), stem, device_type);
    }
    int Count(const std::string& table, const std::string& where = "") const {
        return QueryInt(File(),
                        "SELECT count(*) FROM " + table + (where.empty() ? "" : " WHERE ") + where);
    }

    TempDir dir_;
    ProfileStore store_;
};

}  // namespace veltra::test
