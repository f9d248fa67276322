// The profile store as separate veltractl processes meet it: several at once on one data
// folder, a damaged file, a data folder that cannot be written.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_process.h"
#include "store/sqlite_db.h"
#include "support/read_only_folder.h"

namespace veltra::test {
namespace {

namespace fs = std::filesystem;

// The model files below the runner's data folder.
std::vector<fs::path> StoreFiles(const CliRunner& cli, const std::string& suffix = ".db") {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(cli.dir() / "data", ec)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().parent_path().filename() == "db" &&
            name.find(suffix) != std::string::npos && name.find(".damaged-") == std::string::npos) {
            files.push_back(entry.path());
        }
    }
    return files;
}

fs::path StoreFile(const CliRunner& cli) {
    const std::vector<fs::path> files = StoreFiles(cli);
    EXPECT_EQ(files.size(), 1u);
    return files.empty() ? fs::path() : files.front();
}

std::vector<fs::path> DamagedCopies(const fs::path& store) {
    std::vector<fs::path> copies;
    for (const auto& entry : fs::directory_iterator(store.parent_path())) {
        if (entry.path().filename().string().starts_with(store.filename().string() + ".damaged-")) {
            copies.push_back(entry.path());
        }
    }
    return copies;
}

int Query(const fs::path& file, const std::string& sql) {
    SQLiteDB db;
    if (!db.Open(file.c_str(), {}, SQLITE_OPEN_READONLY)) {
        return -1;
    }
    SQLiteStatement statement;
    db.Prepare(statement, sql.c_str());
    return statement.Step() == SQLITE_ROW ? statement.ColumnInt(0) : -1;
}

// Five profiles, each with its 59 settings rows once.
void ExpectFullStore(const fs::path& file, const std::string& context) {
    EXPECT_EQ(Query(file, "SELECT count(*) FROM t_profile_data"), 5) << context;
    EXPECT_EQ(Query(file, "SELECT count(*) FROM t_configdata"), 295) << context;
    EXPECT_EQ(Query(file, "SELECT count(DISTINCT profile || '/' || key) FROM t_configdata"), 295)
        << context;
    EXPECT_EQ(Query(file, "SELECT count(*) FROM t_profile_data WHERE status = 1"), 1) << context;
}

// Keys the settings read from the mouse leaves alone, so what a run stores stays stored.
struct Writer {
    const char* key;
    int (*value)(int round);
};
const Writer kWriters[] = {
    {"mouse_speed", [](int round) { return 1 + round % 20; }},
    {"wheel_scrolllines", [](int round) { return round % 21; }},
    {"doubleclick_time", [](int round) { return 200 + 10 * round; }},
};

TEST(VeltractlStore, ThreeProcessesAtOnceOnOneDataFolder) {
    constexpr int kRounds = 20;
    CliRunner cli;
    int runs = 0;
    int failures = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < kRounds; ++round) {
        std::vector<CliProcess> processes;
        for (const Writer& writer : kWriters) {
            processes.push_back(
                cli.Start({"--demo", "set",
                           std::string(writer.key) + "=" + std::to_string(writer.value(round))}));
        }
        for (std::size_t i = 0; i < processes.size(); ++i) {
            const CliResult result = cli.Finish(processes[i]);
            ++runs;
            if (result.exit_code != 0) {
                ++failures;
                ADD_FAILURE() << "round " << round << ", " << kWriters[i].key << ": exit "
                              << result.exit_code << ": " << result.err;
            }
        }
        ExpectFullStore(StoreFile(cli), "round " + std::to_string(round));
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const fs::path file = StoreFile(cli);
    for (const Writer& writer : kWriters) {
        EXPECT_EQ(Query(file, std::string("SELECT value FROM t_configdata WHERE profile = 1 AND "
                                          "key = '") +
                                  writer.key + "'"),
                  writer.value(kRounds - 1))
            << writer.key;
    }
    std::printf("%d rounds, %d runs, %d failed, %d profiles, %d settings rows, %.1f s\n", kRounds,
                runs, failures, Query(file, "SELECT count(*) FROM t_profile_data"),
                Query(file, "SELECT count(*) FROM t_configdata"), seconds);
}

struct Damage {
    const char* name;
    const char* says;
    void (*apply)(const fs::path& file);
};
const Damage kDamages[] = {
    {"truncated", "damaged (",
     [](const fs::path& file) { fs::resize_file(file, fs::file_size(file) / 2); }},
    {"random bytes", "damaged (not a database)",
     [](const fs::path& file) {
         std::string bytes(40000, '\0');
         for (std::size_t i = 0; i < bytes.size(); ++i) {
             bytes[i] = static_cast<char>((i * 2654435761u) >> 11);
         }
         WriteFile(file, bytes);
     }},
    {"zero bytes", "damaged (an empty file)", [](const fs::path& file) { WriteFile(file, ""); }},
    {"tables missing", "damaged (tables missing: t_configdata)",
     [](const fs::path& file) {
         SQLiteDB db;
         db.Open(file.c_str(), {}, SQLITE_OPEN_READWRITE);
         db.Exec("DROP TABLE t_configdata");
     }},
};

TEST(VeltractlStore, DamagedStoreIsNamedAndResetKeepsIt) {
    for (const Damage& damage : kDamages) {
        CliRunner cli;
        ASSERT_EQ(cli.Run({"--demo", "set", "mouse_speed=4"}).exit_code, 0) << damage.name;
        const fs::path file = StoreFile(cli);
        damage.apply(file);
        const std::string bytes = ReadFile(file);

        const CliResult get = cli.Run({"get", "mouse_speed"});
        EXPECT_EQ(get.exit_code, 1) << damage.name;
        EXPECT_NE(get.err.find("the profile store " + file.string() + " is " + damage.says),
                  std::string::npos)
            << damage.name << ": " << get.err;
        EXPECT_NE(get.err.find("veltractl reset --yes"), std::string::npos) << get.err;
        EXPECT_EQ(ReadFile(file), bytes) << damage.name;

        const CliResult reset = cli.Run({"--demo", "reset", "--yes"});
        EXPECT_EQ(reset.exit_code, 0) << damage.name << ": " << reset.err;
        const std::vector<fs::path> copies = DamagedCopies(file);
        ASSERT_EQ(copies.size(), 1u) << damage.name;
        EXPECT_EQ(ReadFile(copies[0]), bytes) << damage.name;
        EXPECT_NE(reset.out.find("kept as " + copies[0].string()), std::string::npos) << reset.out;
        ExpectFullStore(file, damage.name);
        EXPECT_EQ(cli.Run({"get", "mouse_speed"}).out, "mouse_speed=10\n") << damage.name;
    }
}

// The way out the message names must work without the mouse at hand: the store is recreated,
// and the command says the mouse itself was not reset.
TEST(VeltractlStore, ResetWithoutAMouseStillRecoversADamagedStore) {
    CliRunner cli;
    ASSERT_EQ(cli.Run({"--demo", "get"}).exit_code, 0);
    const fs::path file = StoreFile(cli);
    WriteFile(file, "");
    cli.SetEnv("VELTRA_HID_BRIDGE", (cli.dir() / "no-peer.sock").string());

    const CliResult reset = cli.Run({"--json", "reset", "--yes"});
    EXPECT_EQ(reset.exit_code, 1) << reset.err;
    EXPECT_NE(reset.err.find("are the defaults again (the damaged store was kept as"),
              std::string::npos)
        << reset.err;
    EXPECT_NE(reset.err.find("the mouse itself was not reset"), std::string::npos) << reset.err;
    EXPECT_NE(reset.out.find("\"error\""), std::string::npos) << reset.out;
    ASSERT_EQ(DamagedCopies(file).size(), 1u);
    EXPECT_EQ(ReadFile(DamagedCopies(file)[0]), "");
    ExpectFullStore(file, "after a reset without a mouse");
}

TEST(VeltractlStore, ResetInAReadOnlyDataFolderFailsAndSaysWhy) {
    CliRunner cli;
    ASSERT_EQ(cli.Run({"--demo", "set", "mouse_speed=4"}).exit_code, 0);
    const fs::path file = StoreFile(cli);
    const std::string bytes = ReadFile(file);
    ReadOnlyFolder read_only(file.parent_path());
    if (!read_only.ready()) {
        GTEST_SKIP() << "cannot bind the data folder read-only here";
    }
    const CliResult reset = cli.Run({"--demo", "reset", "--yes"});
    EXPECT_EQ(reset.exit_code, 1);
    const std::string reason = geteuid() == 0 ? "Read-only file system" : "Permission denied";
    EXPECT_NE(reset.err.find("could not recreate the profile store " + file.string() +
                             ": cannot delete the old file: " + reason),
              std::string::npos)
        << reset.err;
    EXPECT_EQ(reset.out, "");
    EXPECT_EQ(ReadFile(file), bytes);
    EXPECT_EQ(cli.Run({"get", "mouse_speed"}).out, "mouse_speed=4\n");
}

}  // namespace
}  // namespace veltra::test
