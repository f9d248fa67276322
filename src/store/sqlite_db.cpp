#include "store/sqlite_db.h"

#include <sqlite3.h>

#include "common/text.h"

namespace veltra {

std::string FromUtf8(const char* text) {
    if (text == nullptr) {
        return {};
    }
    std::string bytes(text);
    if (IsValidUtf8(bytes)) {
        return bytes;
    }
    return Utf16ToUtf8(Utf8ToUtf16(bytes));
}

bool IsWriteOk(int code) {
    return code == SQLITE_OK || code == SQLITE_ROW || code == SQLITE_DONE;
}

SQLiteStatement::~SQLiteStatement() {
    Finalize();
}

void SQLiteStatement::Finalize() {
    // sqlite3_finalize releases the statement whatever it returns (the code only repeats the last
    // step's error), so the handle must never be kept for a second finalize.
    if (statement_ != nullptr) {
        sqlite3_finalize(statement_);
        statement_ = nullptr;
    }
}

int SQLiteStatement::BindInt(int index, int value) {
    if (statement_ == nullptr) {
        return SQLITE_MISUSE;
    }
    return sqlite3_bind_int(statement_, index, value);
}

int SQLiteStatement::BindText(int index, std::string_view text) {
    if (statement_ == nullptr) {
        return SQLITE_MISUSE;
    }
    return sqlite3_bind_text64(statement_, index, text.data(), text.size(), SQLITE_TRANSIENT,
                               SQLITE_UTF8);
}

int SQLiteStatement::Step() {
    if (statement_ == nullptr) {
        return SQLITE_MISUSE;
    }
    return sqlite3_step(statement_);
}

int SQLiteStatement::ColumnInt(int index) const {
    if (statement_ == nullptr) {
        return 0;
    }
    return sqlite3_column_int(statement_, index);
}

const char* SQLiteStatement::ColumnText(int index) const {
    if (statement_ == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<const char*>(sqlite3_column_text(statement_, index));
}

std::string SQLiteStatement::ColumnString(int index) const {
    return FromUtf8(ColumnText(index));
}

SQLiteDB::~SQLiteDB() {
    if (connection_ != nullptr) {
        sqlite3_interrupt(connection_);
        // The object is going away, so a connection with statements still alive is left to free
        // itself when the last of them is finalized instead of leaking.
        sqlite3_close_v2(connection_);
        connection_ = nullptr;
    }
}

bool SQLiteDB::Open(const char* path, std::string_view key, int flags) {
    if (connection_ != nullptr) {
        sqlite3_interrupt(connection_);
        if (!Close()) {
            // Statements still alive keep a plain close from succeeding; the connection then
            // goes when they do, and the new file is opened in any case.
            sqlite3_close_v2(connection_);
            connection_ = nullptr;
        }
    }
    if (path == nullptr || !key.empty()) {
        return false;
    }
    if (sqlite3_open_v2(path, &connection_, flags, nullptr) != SQLITE_OK) {
        Close();
        return false;
    }
    sqlite3_busy_timeout(connection_, kBusyTimeoutMs);
    Exec("PRAGMA synchronous = OFF; ");
    return true;
}

bool SQLiteDB::Close() {
    if (connection_ == nullptr) {
        return true;
    }
    if (sqlite3_close(connection_) != SQLITE_OK) {
        return false;
    }
    connection_ = nullptr;
    return true;
}

int SQLiteDB::Prepare(SQLiteStatement& statement, const char* sql, int length) {
    statement.Finalize();
    if (connection_ == nullptr || sql == nullptr) {
        return SQLITE_MISUSE;
    }
    return sqlite3_prepare_v2(connection_, sql, length, &statement.statement_, nullptr);
}

int SQLiteDB::Exec(const char* sql, ExecCallback callback, void* argument) {
    if (connection_ == nullptr || sql == nullptr) {
        return SQLITE_MISUSE;
    }
    return sqlite3_exec(connection_, sql, callback, argument, nullptr);
}

std::int64_t SQLiteDB::LastInsertRowId() const {
    if (connection_ == nullptr) {
        return -1;
    }
    return sqlite3_last_insert_rowid(connection_);
}

bool SQLiteDB::InTransaction() const {
    return connection_ != nullptr && sqlite3_get_autocommit(connection_) == 0;
}

std::string SQLiteDB::ErrorMessage() const {
    if (connection_ == nullptr) {
        return {};
    }
    return sqlite3_errmsg(connection_);
}

SQLiteAutoTransaction::SQLiteAutoTransaction(SQLiteDB* database) : database_(database) {
    // Inside a running transaction it joins that one: its END would commit the outer writes
    // half done.
    if (database_ != nullptr && database_->IsOpen() && database_->InTransaction()) {
        database_ = nullptr;
        return;
    }
    if (database_ != nullptr) {
        if (database_->IsOpen()) {
            database_->Exec("BEGIN");
        }
        active_ = true;
    }
}

SQLiteAutoTransaction::~SQLiteAutoTransaction() {
    if (active_ && database_ != nullptr && database_->IsOpen()) {
        database_->Exec("END");
    }
    active_ = false;
}

bool SQLiteAutoTransaction::Begin() {
    if (database_ == nullptr || active_) {
        return false;
    }
    active_ = true;
    if (!database_->IsOpen()) {
        return false;
    }
    return database_->Exec("BEGIN") == SQLITE_OK;
}

bool SQLiteAutoTransaction::Commit() {
    if (database_ == nullptr) {
        return false;
    }
    active_ = false;
    if (!database_->IsOpen()) {
        return false;
    }
    return database_->Exec("END") == SQLITE_OK;
}

SQLiteWriteTransaction::SQLiteWriteTransaction(SQLiteDB& database) : database_(database) {
    if (!database_.IsOpen()) {
        return;
    }
    if (database_.InTransaction()) {
        started_ = true;
        return;
    }
    owned_ = database_.Exec("BEGIN IMMEDIATE") == SQLITE_OK;
    started_ = owned_;
}

SQLiteWriteTransaction::~SQLiteWriteTransaction() {
    if (owned_ && database_.InTransaction()) {
        database_.Exec("ROLLBACK");
    }
}

bool SQLiteWriteTransaction::Commit() {
    if (!started_) {
        return false;
    }
    if (!owned_) {
        return true;
    }
    if (database_.Exec("COMMIT") != SQLITE_OK) {
        // A commit that could not get the lock leaves the transaction open; the destructor
        // rolls it back.
        return false;
    }
    owned_ = false;
    return true;
}

}  // namespace veltra
