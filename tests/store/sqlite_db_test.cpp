#include "store/sqlite_db.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace veltra {
namespace {

constexpr int kCreate = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;

class SQLiteDBTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(db_.Open(file_.c_str(), {}, kCreate));
        ASSERT_EQ(db_.Exec("CREATE TABLE t (id INTEGER PRIMARY KEY, text TEXT)"), SQLITE_OK);
    }

    std::string Text(int id) {
        SQLiteStatement statement;
        db_.Prepare(statement, "SELECT text FROM t WHERE id = ?");
        statement.BindInt(1, id);
        statement.Step();
        return statement.ColumnString(0);
    }

    test::TempDir dir_;
    std::string file_ = (dir_ / "a.db").string();
    SQLiteDB db_;
};

TEST(SQLiteDBClosedTest, EveryCallWithoutConnectionIsMisuse) {
    SQLiteDB db;
    SQLiteStatement statement;
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(db.Prepare(statement, "SELECT 1"), SQLITE_MISUSE);
    EXPECT_EQ(db.Exec("SELECT 1"), SQLITE_MISUSE);
    EXPECT_EQ(db.LastInsertRowId(), -1);
    EXPECT_TRUE(db.Close());
    EXPECT_FALSE(statement.IsPrepared());
    EXPECT_EQ(statement.BindInt(1, 1), SQLITE_MISUSE);
    EXPECT_EQ(statement.BindText(1, "x"), SQLITE_MISUSE);
    EXPECT_EQ(statement.Step(), SQLITE_MISUSE);
    EXPECT_EQ(statement.ColumnInt(0), 0);
    EXPECT_EQ(statement.ColumnText(0), nullptr);
    EXPECT_EQ(statement.ColumnString(0), "");
}

TEST(SQLiteDBClosedTest, OpenFailsWithoutTouchingTheDisk) {
    test::TempDir dir;
    SQLiteDB db;
    EXPECT_FALSE(db.Open(nullptr, {}, kCreate));
    EXPECT_FALSE(db.Open((dir / "missing/a.db").c_str(), {}, kCreate));
    EXPECT_FALSE(db.IsOpen());
    // Without a codec a key cannot be applied; the file must not be created unencrypted.
    EXPECT_FALSE(db.Open((dir / "keyed.db").c_str(), "0123456789abcdef", kCreate));
    EXPECT_FALSE(db.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(dir / "keyed.db"));
    // Read-write without create does not make a file either.
    EXPECT_FALSE(db.Open((dir / "b.db").c_str(), {}, SQLITE_OPEN_READWRITE));
    EXPECT_FALSE(std::filesystem::exists(dir / "b.db"));
}

TEST_F(SQLiteDBTest, EveryConnectionSkipsSyncing) {
    SQLiteStatement statement;
    db_.Prepare(statement, "PRAGMA synchronous");
    ASSERT_EQ(statement.Step(), SQLITE_ROW);
    EXPECT_EQ(statement.ColumnInt(0), 0);
}

TEST_F(SQLiteDBTest, NullSqlIsMisuse) {
    SQLiteStatement statement;
    EXPECT_EQ(db_.Prepare(statement, nullptr), SQLITE_MISUSE);
    EXPECT_EQ(db_.Exec(nullptr), SQLITE_MISUSE);
}

TEST_F(SQLiteDBTest, FailedPrepareLeavesAStatementThatRefusesEverything) {
    SQLiteStatement statement;
    ASSERT_EQ(db_.Prepare(statement, "SELECT 1"), SQLITE_OK);
    EXPECT_NE(db_.Prepare(statement, "SELECT FROM nowhere"), SQLITE_OK);
    EXPECT_EQ(statement.BindInt(1, 1), SQLITE_MISUSE);
    EXPECT_EQ(statement.BindText(1, "x"), SQLITE_MISUSE);
    EXPECT_EQ(statement.Step(), SQLITE_MISUSE);
    EXPECT_EQ(statement.ColumnInt(0), 0);
    EXPECT_EQ(statement.ColumnText(0), nullptr);
}

TEST_F(SQLiteDBTest, OneStatementObjectServesManyStatements) {
    SQLiteStatement statement;
    for (int id = 1; id <= 3; ++id) {
        ASSERT_EQ(db_.Prepare(statement, "INSERT INTO t (id, text) VALUES (?, ?)"), SQLITE_OK);
        statement.BindInt(1, id);
        statement.BindText(2, std::to_string(id * 10));
        EXPECT_EQ(statement.Step(), SQLITE_DONE);
        EXPECT_EQ(db_.LastInsertRowId(), id);
    }
    EXPECT_EQ(Text(2), "20");
    // A statement whose last step failed is released once only (ASan would see a second
    // finalize of the same handle).
    ASSERT_EQ(db_.Prepare(statement, "INSERT INTO t (id, text) VALUES (1, 'dup')"), SQLITE_OK);
    EXPECT_EQ(statement.Step(), SQLITE_CONSTRAINT);
    ASSERT_EQ(db_.Prepare(statement, "SELECT count(*) FROM t"), SQLITE_OK);
    ASSERT_EQ(statement.Step(), SQLITE_ROW);
    EXPECT_EQ(statement.ColumnInt(0), 3);
}

TEST_F(SQLiteDBTest, BoundTextNeedNotOutliveTheCall) {
    SQLiteStatement statement;
    db_.Prepare(statement, "INSERT INTO t (id, text) VALUES (1, ?)");
    {
        std::string text = "Makro \xC3\xA4 配置";
        statement.BindText(1, text);
        text.assign(text.size(), 'X');
    }
    EXPECT_EQ(statement.Step(), SQLITE_DONE);
    EXPECT_EQ(Text(1), "Makro \xC3\xA4 配置");
}

TEST_F(SQLiteDBTest, ColumnTextThatIsNotUtf8IsRepaired) {
    ASSERT_EQ(db_.Exec("INSERT INTO t VALUES (1, CAST(x'61FF62' AS TEXT)), (2, NULL)"), SQLITE_OK);
    EXPECT_EQ(Text(1),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(Text(2), "");
    EXPECT_EQ(FromUtf8(nullptr), "");
}

TEST_F(SQLiteDBTest, CloseIsRefusedWhileAStatementLives) {
    {
        SQLiteStatement statement;
        db_.Prepare(statement, "SELECT 1");
        EXPECT_FALSE(db_.Close());
        EXPECT_TRUE(db_.IsOpen());
    }
    EXPECT_TRUE(db_.Close());
    EXPECT_FALSE(db_.IsOpen());
    EXPECT_EQ(db_.LastInsertRowId(), -1);
}

TEST_F(SQLiteDBTest, ReopenWhileAStatementLivesOpensTheNewFile) {
    SQLiteStatement statement;
    db_.Prepare(statement, "SELECT 1");
    const std::string other = (dir_ / "b.db").string();
    EXPECT_TRUE(db_.Open(other.c_str(), {}, kCreate));
    EXPECT_EQ(db_.Exec("CREATE TABLE u (x)"), SQLITE_OK);
    EXPECT_EQ(statement.Step(), SQLITE_ROW);  // the old connection lives until its statement goes
}

// Records every BEGIN and END the connection runs.
int Trace(unsigned /*type*/, void* context, void* statement, void* /*sql*/) {
    static_cast<std::vector<std::string>*>(context)->push_back(
        sqlite3_sql(static_cast<sqlite3_stmt*>(statement)));
    return 0;
}

TEST_F(SQLiteDBTest, TransactionIssuesOneBeginAndOneEnd) {
    std::vector<std::string> trace;
    sqlite3_trace_v2(db_.Handle(), SQLITE_TRACE_STMT, Trace, &trace);
    {
        SQLiteAutoTransaction transaction(&db_);
        EXPECT_FALSE(transaction.Begin());
        EXPECT_EQ(db_.Exec("INSERT INTO t VALUES (1, 'a')"), SQLITE_OK);
        EXPECT_TRUE(transaction.Commit());
    }
    {
        SQLiteAutoTransaction transaction(&db_);  // ended by the destructor
        db_.Exec("INSERT INTO t VALUES (2, 'b')");
    }
    EXPECT_EQ(trace, (std::vector<std::string>{"BEGIN", "INSERT INTO t VALUES (1, 'a')", "END",
                                               "BEGIN", "INSERT INTO t VALUES (2, 'b')", "END"}));
    sqlite3_trace_v2(db_.Handle(), 0, nullptr, nullptr);
    EXPECT_EQ(sqlite3_get_autocommit(db_.Handle()), 1);
    EXPECT_EQ(Text(2), "b");
}

TEST(SQLiteAutoTransactionTest, WithoutDatabaseOrConnectionNothingHappens) {
    SQLiteAutoTransaction none(nullptr);
    EXPECT_FALSE(none.Begin());
    EXPECT_FALSE(none.Commit());

    SQLiteDB closed;
    SQLiteAutoTransaction transaction(&closed);
    EXPECT_FALSE(transaction.Begin());  // already counted as begun
    EXPECT_FALSE(transaction.Commit());
    EXPECT_FALSE(transaction.Begin());  // no connection to begin on
}

TEST_F(SQLiteDBTest, WriteTransactionLocksOutOtherWritersFromItsStart) {
    SQLiteDB other;
    ASSERT_TRUE(other.Open(file_.c_str(), {}, kCreate));
    sqlite3_busy_timeout(other.Handle(), 0);
    {
        SQLiteWriteTransaction transaction(db_);
        ASSERT_TRUE(transaction.Started());
        EXPECT_TRUE(db_.InTransaction());
        // Nothing written yet, and the other connection cannot write already.
        EXPECT_EQ(other.Exec("INSERT INTO t VALUES (9, 'other')"), SQLITE_BUSY);
        EXPECT_EQ(db_.Exec("INSERT INTO t VALUES (1, 'a')"), SQLITE_OK);
        {
            // A nested one joins the outer transaction; its commit decides nothing.
            SQLiteWriteTransaction inner(db_);
            EXPECT_TRUE(inner.Started());
            EXPECT_EQ(db_.Exec("INSERT INTO t VALUES (2, 'b')"), SQLITE_OK);
            EXPECT_TRUE(inner.Commit());
            EXPECT_TRUE(db_.InTransaction());
        }
        EXPECT_TRUE(transaction.Commit());
    }
    EXPECT_FALSE(db_.InTransaction());
    EXPECT_EQ(other.Exec("INSERT INTO t VALUES (3, 'c')"), SQLITE_OK);
    EXPECT_EQ(Text(2), "b");
    EXPECT_EQ(Text(3), "c");
}

TEST_F(SQLiteDBTest, WriteTransactionRollsBackUnlessCommitted) {
    {
        SQLiteWriteTransaction transaction(db_);
        db_.Exec("INSERT INTO t VALUES (1, 'a')");
    }
    EXPECT_FALSE(db_.InTransaction());
    EXPECT_EQ(Text(1), "");

    SQLiteDB closed;
    SQLiteWriteTransaction none(closed);
    EXPECT_FALSE(none.Started());
    EXPECT_FALSE(none.Commit());
}

// A writer that finds the lock taken waits for it rather than failing: another process (the
// window or veltractl) only holds it for a moment.
TEST_F(SQLiteDBTest, BusyDatabaseIsWaitedFor) {
    SQLiteDB other;
    ASSERT_TRUE(other.Open(file_.c_str(), {}, kCreate));
    ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
    std::promise<void> started;
    std::thread writer([&] {
        started.set_value();
        EXPECT_EQ(db_.Exec("INSERT INTO t VALUES (1, 'waited')"), SQLITE_OK);
    });
    started.get_future().wait();
    // Long enough for the writer to be waiting on the lock in almost every run; if it is not
    // yet, it simply finds the lock free.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(other.Exec("COMMIT"), SQLITE_OK);
    writer.join();
    EXPECT_EQ(Text(1), "waited");
}

}  // namespace
}  // namespace veltra
