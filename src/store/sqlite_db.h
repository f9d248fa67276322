#pragma once

// A thin wrapper over the SQLite C API. Results are SQLite result codes or plain values; nothing
// throws. Text is UTF-8 throughout.

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace veltra {

// Database text is UTF-8 like the core's own strings, so storing needs no conversion.
inline std::string_view ToUtf8(std::string_view text) {
    return text;
}

// Reads a column's text back: a null value gives an empty string, and bytes that are not UTF-8
// (a foreign or damaged file) become U+FFFD so the rest of the program only ever sees UTF-8.
std::string FromUtf8(const char* text);

// A write (INSERT, UPDATE, DELETE) succeeded when its step gave SQLITE_OK, SQLITE_ROW or
// SQLITE_DONE.
bool IsWriteOk(int code);

class SQLiteStatement {
  public:
    SQLiteStatement() = default;
    virtual ~SQLiteStatement();
    SQLiteStatement(const SQLiteStatement&) = delete;
    SQLiteStatement& operator=(const SQLiteStatement&) = delete;

    bool IsPrepared() const { return statement_ != nullptr; }

    // SQLITE_MISUSE when nothing is prepared. Indexes count from 1.
    int BindInt(int index, int value);
    // The text is copied into the statement, so the caller's bytes may go at once.
    int BindText(int index, std::string_view text);
    int Step();

    // Indexes count from 0. Without a prepared statement: 0 and null.
    int ColumnInt(int index) const;
    const char* ColumnText(int index) const;
    // ColumnText through FromUtf8.
    std::string ColumnString(int index) const;

  private:
    friend class SQLiteDB;
    void Finalize();

    sqlite3_stmt* statement_ = nullptr;
};

class SQLiteDB {
  public:
    SQLiteDB() = default;
    virtual ~SQLiteDB();
    SQLiteDB(const SQLiteDB&) = delete;
    SQLiteDB& operator=(const SQLiteDB&) = delete;

    // Closes any current connection first. No encryption codec is linked, so a non-empty key
    // cannot be honoured and makes the open fail before any file is touched.
    bool Open(const char* path, std::string_view key, int flags);
    // True when there is nothing to close; a failed close keeps the connection.
    bool Close();
    // Finalizes what the statement held, then prepares `sql` into it. A negative length reads
    // up to the terminator.
    int Prepare(SQLiteStatement& statement, const char* sql, int length = -1);
    using ExecCallback = int (*)(void* argument, int columns, char** values, char** names);
    int Exec(const char* sql, ExecCallback callback = nullptr, void* argument = nullptr);
    // -1 without a connection.
    std::int64_t LastInsertRowId() const;
    bool IsOpen() const { return connection_ != nullptr; }
    // True between a BEGIN and its COMMIT or ROLLBACK.
    bool InTransaction() const;
    // The text of the connection's last error; empty without a connection.
    std::string ErrorMessage() const;
    sqlite3* Handle() const { return connection_; }

  private:
    sqlite3* connection_ = nullptr;
};

// Another process (the window, veltractl) may hold the write lock for a moment; a connection
// waits this long for it before a statement gives up with SQLITE_BUSY.
inline constexpr int kBusyTimeoutMs = 5000;

// Brackets statements in BEGIN ... END. There is deliberately no rollback: whatever succeeded
// inside the transaction is committed by END. Opened inside a running transaction, it joins it.
class SQLiteAutoTransaction {
  public:
    explicit SQLiteAutoTransaction(SQLiteDB* database);
    virtual ~SQLiteAutoTransaction();
    SQLiteAutoTransaction(const SQLiteAutoTransaction&) = delete;
    SQLiteAutoTransaction& operator=(const SQLiteAutoTransaction&) = delete;

    // Does nothing (false) while a BEGIN is outstanding.
    bool Begin();
    bool Commit();

  private:
    SQLiteDB* database_;
    bool active_ = false;
};

// Holds the write lock from BEGIN IMMEDIATE on, so what is read inside cannot be changed by
// another connection before the writes that depend on it, and rolls back unless committed. Opened
// inside a transaction that is already running, it joins that one and leaves the outcome to it.
class SQLiteWriteTransaction {
  public:
    explicit SQLiteWriteTransaction(SQLiteDB& database);
    ~SQLiteWriteTransaction();
    SQLiteWriteTransaction(const SQLiteWriteTransaction&) = delete;
    SQLiteWriteTransaction& operator=(const SQLiteWriteTransaction&) = delete;

    // False when the lock could not be had: no connection, or busy beyond the timeout.
    bool Started() const { return started_; }
    // False when the commit failed; everything is then rolled back.
    bool Commit();

  private:
    SQLiteDB& database_;
    bool started_ = false;
    bool owned_ = false;
};

}  // namespace veltra
