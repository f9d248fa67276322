#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_process.h"
#include "common/json.h"
#include "config/catalogue.h"
#include "device/device_protocol.h"
#include "device/driver_comm.h"
#include "device/recording_backend.h"
#include "sim/simulated_backend.h"
#include "store/profile_list.h"
#include "store/profile_store.h"
#include "store/sqlite_db.h"
#include "support/bridge_peer_process.h"
#include "support/process.h"

namespace veltra::test {
namespace {

const std::filesystem::path kProgramFolder = VELTRA_BIN_DIR;

JsonValue ParseOut(const CliResult& result) {
    std::optional<JsonValue> value = ParseJson(result.out);
    EXPECT_TRUE(value.has_value()) << "not one JSON document: " << result.out;
    return value.value_or(JsonValue());
}

// The data of every write a VELTRA_HID_RECORD capture holds, in order.
std::vector<std::string> RecordedWrites(const std::filesystem::path& capture) {
    std::vector<std::string> writes;
    if (!std::filesystem::exists(capture)) {
        return writes;
    }
    std::istringstream lines(ReadFile(capture));
    for (std::string line; std::getline(lines, line);) {
        const std::optional<JsonValue> entry = ParseJson(line);
        const JsonValue* request = entry ? entry->Find("request") : nullptr;
        if (request != nullptr && request->GetString("op") == "write") {
            writes.push_back(request->GetString("data").value_or(""));
        }
    }
    return writes;
}

// Writes whose payload carries command 0x02 (settings or key codes).
std::vector<std::string> ConfigWrites(const std::vector<std::string>& writes) {
    std::vector<std::string> result;
    for (const std::string& data : writes) {
        if (data.size() >= 8 && data.substr(2, 6) == "55aa02") {
            result.push_back(data);
        }
    }
    return result;
}

// The store file of the first model, once a run of `cli` created it.
std::filesystem::path StoreFile(const CliRunner& cli) {
    std::error_code error;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(cli.dir() / "data", error)) {
        if (entry.path().filename() == "veltra_v1_data_test.db") {
            return entry.path();
        }
    }
    return {};
}

std::string Joined(const std::vector<std::string>& args) {
    std::string joined;
    for (const std::string& arg : args) {
        joined += arg + " ";
    }
    return joined;
}

std::size_t SentLines(const std::string& out) {
    std::size_t count = 0;
    for (std::size_t at = out.find("sent: "); at != std::string::npos;
         at = out.find("sent: ", at + 1)) {
        ++count;
    }
    return count;
}

sim::DemoDeviceIds ShippedDemoIds() {
    const Catalogue catalogue = ReadCatalogue(kProgramFolder / "config.xml", {});
    sim::DemoDeviceIds ids;
    for (const DeviceModelEntry& mode : catalogue.modes) {
        if (mode.device_type == 101 && mode.connection_mode == 0) {
            ids.wired_vendor_id = static_cast<std::uint16_t>(mode.vid);
            ids.wired_product_id = static_cast<std::uint16_t>(mode.pid);
        } else if (mode.device_type == 101 && mode.connection_mode == 2) {
            ids.receiver_vendor_id = static_cast<std::uint16_t>(mode.vid);
            ids.receiver_product_id = static_cast<std::uint16_t>(mode.pid);
        }
    }
    return ids;
}

TEST(VeltractlDemo, StatusShowsTheSimulatedMouseInTextAndJson) {
    CliRunner cli;
    const CliResult text = cli.Run({"--demo", "status"});
    ASSERT_EQ(text.exit_code, 0) << text.err;
    EXPECT_NE(text.out.find("Veltra V1 (device type 101)"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("76%, charging"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("DPI levels"), std::string::npos);

    const CliResult json = cli.Run({"--demo", "--json", "status"});
    ASSERT_EQ(json.exit_code, 0) << json.err;
    const JsonValue status = ParseOut(json);
    EXPECT_EQ(status.Find("model")->GetInt("device_type"), 101);
    EXPECT_EQ(status.GetString("mode"), "wired");
    EXPECT_EQ(status.Find("battery")->GetInt("level"), 76);
    EXPECT_TRUE(status.Find("battery")->Find("charging")->AsBool());
    EXPECT_EQ(status.Find("profile")->GetInt("id"), 1);
    const JsonValue& settings = *status.Find("settings");
    ASSERT_EQ(settings.Find("dpi_levels")->AsArray().size(), 8u);
    for (const char* key : {"report_rate", "report_rate_hz", "sleep_light", "spare_time",
                            "key_wakeup", "game_mode", "lightmode", "dpi_flag", "dpi_index"}) {
        EXPECT_TRUE(settings.GetInt(key).has_value()) << key;
    }
    // The store now holds what the mouse reported.
    const CliResult get = cli.Run({"--json", "get", "dpi_index"});
    ASSERT_EQ(get.exit_code, 0) << get.err;
    EXPECT_EQ(ParseOut(get).Find("settings")->GetString("dpi_index"),
              std::to_string(*settings.GetInt("dpi_index")));
}

TEST(VeltractlDemo, SetSendsOneSettingsWriteEqualToTheProtocolsOwn) {
    CliRunner cli;
    const std::filesystem::path capture = cli.dir() / "capture.jsonl";
    cli.SetEnv("VELTRA_HID_RECORD", capture.string());
    const CliResult set =
        cli.Run({"--demo", "--json", "set", "dpi_index=3", "game_mode=1", "dpi_group2_value=1800"});
    ASSERT_EQ(set.exit_code, 0) << set.err;
    const std::vector<std::string> writes = ConfigWrites(RecordedWrites(capture));
    ASSERT_EQ(writes.size(), 1u);
    const JsonValue result = ParseOut(set);
    EXPECT_EQ(result.Find("stored")->GetString("game_mode"), "1");
    ASSERT_EQ(result.Find("sent")->AsArray().size(), 1u);

    // The same steps in-process: a fresh demo mouse, read, store, WriteConfig.
    TempDir folder;
    const std::filesystem::path reference = folder / "reference.jsonl";
    sim::BackendOptions options;
    options.time_scale = 0.05;
    DriverComm comm(std::make_unique<RecordingBackend>(
        std::move(sim::MakeDemoBackend(ShippedDemoIds(), options).backend), reference.string()));
    RebuildDriverCatalogue(ReadCatalogue(kProgramFolder / "config.xml", {}), comm);
    comm.EnumerateDevice();
    comm.SetCurrentDeviceType(101);
    ProfileStore store;
    std::filesystem::create_directories(folder / "db");
    ASSERT_TRUE(store.SwitchDeviceModel(folder.path(), "veltra_v1", 101));
    DeviceState state;
    state.current_device_type = 101;
    state.active_profile = LoadProfileList(store, "Profile").active_profile;
    DeviceProtocol protocol(comm, store, state);
    ASSERT_TRUE(protocol.ReadDeviceData());
    store.SetConfig(state.active_profile, "dpi_index", "3");
    store.SetConfig(state.active_profile, "game_mode", "1");
    store.SetConfig(state.active_profile, "dpi_group2_value", "1800");
    protocol.WriteConfig();
    const std::vector<std::string> expected = ConfigWrites(RecordedWrites(reference));
    ASSERT_EQ(expected.size(), 1u);
    EXPECT_EQ(writes[0], expected[0]);

    const CliResult get = cli.Run({"get", "dpi_index", "game_mode", "dpi_group2_value"});
    EXPECT_EQ(get.out, "dpi_index=3\ngame_mode=1\ndpi_group2_value=1800\n");
}

TEST(VeltractlDemo, ProfileSelectChangesTheActiveProfileAndSendsNothing) {
    CliRunner cli;
    const std::filesystem::path capture = cli.dir() / "capture.jsonl";
    cli.SetEnv("VELTRA_HID_RECORD", capture.string());
    const CliResult select = cli.Run({"--demo", "profile", "select", "3"});
    ASSERT_EQ(select.exit_code, 0) << select.err;
    EXPECT_TRUE(RecordedWrites(capture).empty());

    const CliResult list = cli.Run({"--json", "profile", "list"});
    ASSERT_EQ(list.exit_code, 0) << list.err;
    const JsonValue profiles = ParseOut(list);
    EXPECT_EQ(profiles.GetInt("active"), 3);
    EXPECT_EQ(profiles.Find("profiles")->AsArray().size(), 5u);

    // Later writes come from the newly active profile.
    const CliResult set = cli.Run({"--demo", "--json", "set", "sleep_light=5"});
    ASSERT_EQ(set.exit_code, 0) << set.err;
    EXPECT_EQ(ParseOut(set).GetInt("profile"), 3);
}

TEST(VeltractlDemo, KeySetStoresAndSendsTheButtonCodes) {
    CliRunner cli;
    const std::filesystem::path capture = cli.dir() / "capture.jsonl";
    cli.SetEnv("VELTRA_HID_RECORD", capture.string());
    const CliResult set = cli.Run({"--demo", "keys", "set", "1", "mouse-button", "3"});
    ASSERT_EQ(set.exit_code, 0) << set.err;
    const std::vector<std::string> writes = ConfigWrites(RecordedWrites(capture));
    ASSERT_EQ(writes.size(), 1u);
    // Frame byte 7 is payload byte 6, the key mask: slot 1 carries a code now.
    EXPECT_EQ(std::stoi(writes[0].substr(14, 2), nullptr, 16) & 0x02, 0x02);

    const CliResult list = cli.Run({"--json", "keys", "list"});
    ASSERT_EQ(list.exit_code, 0) << list.err;
    const JsonValue keys = ParseOut(list);
    const JsonValue& key1 = keys.Find("keys")->AsArray().at(1);
    EXPECT_TRUE(key1.Find("assigned")->AsBool());
    EXPECT_EQ(key1.GetString("type"), "mouse-button");
    EXPECT_EQ(key1.GetInt("value"), 3);
}

TEST(VeltractlDemo, SetStoresTheRowsTheWindowWritesTogether) {
    CliRunner cli;
    const CliResult set = cli.Run(
        {"--demo", "set", "report_rate=2", "dpi_group4_rgbindex=12", "dpi_group5_rgb=#00FF00"});
    ASSERT_EQ(set.exit_code, 0) << set.err;
    const CliResult get = cli.Run({"get", "report_rate", "report_rate_wireless", "dpi_group4_rgb",
                                   "dpi_group5_rgb", "dpi_group5_rgbindex"});
    // Palette 12 is 0xFF007F; green is 0x00FF00 (palette 6) in 0x00BBGGRR order.
    EXPECT_EQ(get.out,
              "report_rate=2\nreport_rate_wireless=2\ndpi_group4_rgb=16711807\n"
              "dpi_group5_rgb=65280\ndpi_group5_rgbindex=6\n");
}

TEST(VeltractlDemo, ResetRecreatesTheProfilesAndSendsBothResetCommands) {
    CliRunner cli;
    ASSERT_EQ(cli.Run({"profile", "select", "4"}).exit_code, 0);
    ASSERT_EQ(cli.Run({"--demo", "set", "button_respondtime=15"}).exit_code, 0);

    const CliResult reset = cli.Run({"--demo", "--json", "reset", "--yes"});
    ASSERT_EQ(reset.exit_code, 0) << reset.err;
    const JsonValue result = ParseOut(reset);
    std::vector<std::string> commands;
    for (const JsonValue& frame : result.Find("sent")->AsArray()) {
        commands.push_back(frame.AsString().substr(9, 2));
    }
    EXPECT_EQ(commands, (std::vector<std::string>{"04", "03"}));
    EXPECT_EQ(result.GetInt("profile"), 1);
    EXPECT_EQ(cli.Run({"get", "button_respondtime"}).out, "button_respondtime=8\n");
}

TEST(VeltractlUsage, BadUsageExitsTwoWithAMessage) {
    CliRunner cli;
    const std::filesystem::path capture = cli.dir() / "capture.jsonl";
    cli.SetEnv("VELTRA_HID_RECORD", capture.string());
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"--demo", "set"},
        {"--demo", "set", "dpi_index"},
        {"--demo", "set", "no_such_key=1"},
        {"--demo", "set", "version=2"},
        {"--demo", "set", "dpi_index=8"},
        {"--demo", "set", "game_mode=yes"},
        {"--demo", "set", "dpi_group1_rgb=123"},
        {"--demo", "dpi", "8", "800"},
        {"--demo", "dpi", "2", "6425"},
        {"--demo", "dpi", "7", "1050"},
        {"--demo", "dpi", "1", "12050"},
        {"--demo", "dpi", "2", "0"},
        {"--demo", "rate", "300"},
        {"profile", "select", "9"},
        {"profile"},
        {"--demo", "keys", "set", "7", "mouse-button", "1"},
        {"--demo", "keys", "set", "1", "teleport", "1"},
        {"get", "no_such_key"},
        {"--device-type", "999", "status"},
        {"--device-type"},
        {"status", "extra"},
    };
    for (const std::vector<std::string>& args : cases) {
        const CliResult result = cli.Run(args);
        std::string joined;
        for (const std::string& arg : args) {
            joined += arg + " ";
        }
        EXPECT_EQ(result.exit_code, 2) << joined;
        EXPECT_FALSE(result.err.empty()) << joined;
    }
    EXPECT_TRUE(RecordedWrites(capture).empty());

    const CliResult rate = cli.Run({"--demo", "rate", "300"});
    EXPECT_NE(rate.err.find("125, 250, 500, 1000"), std::string::npos) << rate.err;
    const CliResult help = cli.Run({"set", "--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_NE(help.out.find("usage: veltractl [options] set KEY=VALUE"), std::string::npos);
}

TEST(VeltractlBridge, NoMouseExitsOneNamingTheKnownModelsAndStoresNothing) {
    BridgePeerProcess peer({"--unplugged", "--vid", "3554", "--pid", "F5D5"});
    ASSERT_TRUE(peer.ready());
    CliRunner cli;
    cli.SetEnv("VELTRA_HID_BRIDGE", peer.socket_path());
    const CliResult status = cli.Run({"status"});
    EXPECT_EQ(status.exit_code, 1);
    EXPECT_NE(status.err.find("no supported mouse is connected"), std::string::npos) << status.err;
    EXPECT_NE(status.err.find("Veltra V1 (device type 101)"), std::string::npos);
    EXPECT_NE(status.err.find("Veltra P3 (device type 301)"), std::string::npos);
    EXPECT_TRUE(status.out.empty()) << status.out;

    const CliResult json = cli.Run({"--json", "set", "dpi_index=5"});
    EXPECT_EQ(json.exit_code, 1);
    EXPECT_TRUE(ParseOut(json).GetString("error").has_value());
    // Device type 101 belongs to the family whose default active level is 0.
    EXPECT_EQ(cli.Run({"get", "dpi_index"}).out, "dpi_index=0\n");

    EXPECT_EQ(cli.Run({"devices"}).exit_code, 1);
}

TEST(VeltractlBridge, DrivesThePeersMouse) {
    BridgePeerProcess peer({"--vid", "3554", "--pid", "F5D5"});
    ASSERT_TRUE(peer.ready());
    CliRunner cli;
    cli.SetEnv("VELTRA_HID_BRIDGE", peer.socket_path());

    const CliResult devices = cli.Run({"--json", "devices"});
    ASSERT_EQ(devices.exit_code, 0) << devices.err;
    const JsonValue found = ParseOut(devices);
    const JsonValue::Array& list = found.Find("devices")->AsArray();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].GetInt("device_type"), 101);
    EXPECT_EQ(list[0].GetString("mode"), "wired");
    EXPECT_EQ(list[0].GetString("path"), "bridge:mouse0");

    // The peer's mouse keeps what it is sent, so a second process reads it back.
    const CliResult rate = cli.Run({"rate", "250"});
    ASSERT_EQ(rate.exit_code, 0) << rate.err;
    const CliResult status = cli.Run({"--json", "status"});
    ASSERT_EQ(status.exit_code, 0) << status.err;
    const JsonValue settings = *ParseOut(status).Find("settings");
    EXPECT_EQ(settings.GetInt("report_rate_hz"), 250);
    EXPECT_EQ(ParseOut(status).Find("battery")->GetInt("level"), 75);
}

TEST(VeltractlBridge, APeerGoneMidWayFailsTheCommandThatCouldNotSend) {
    struct Case {
        std::vector<std::string> args;
        int writes_answered;  // by the peer before it vanishes
        std::string message;
        std::size_t sent;  // frames that went out after the reads
    };
    const std::vector<Case> cases = {
        {{"--verbose", "reset", "--yes"},
         1,
         "the factory-reset commands did not reach the Veltra V1: the mouse's interface refused",
         1},
        {{"--verbose", "macros", "upload"}, 1, "the upload stopped after 1 of 3 parts", 1},
        // The status and config reads come first.
        {{"--verbose", "set", "dpi_index=2"},
         2,
         "stored the settings in profile 1, but they did not reach the Veltra V1",
         0},
        {{"--verbose", "keys", "set", "1", "mouse-button", "3"},
         2,
         "the button codes did not reach the Veltra V1",
         0},
    };
    for (const Case& c : cases) {
        BridgePeerProcess peer({"--vid", "3554", "--pid", "F5D5", "--exit-after-writes",
                                std::to_string(c.writes_answered)});
        ASSERT_TRUE(peer.ready());
        CliRunner cli;
        cli.SetEnv("VELTRA_HID_BRIDGE", peer.socket_path());
        const CliResult result = cli.Run(c.args);
        EXPECT_EQ(result.exit_code, 1) << Joined(c.args) << result.out << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        // Only frames the interface took are shown as sent, and no success line follows.
        EXPECT_EQ(SentLines(result.out), c.sent) << result.out;
        for (const char* success : {"was reset", "uploaded", "sent the"}) {
            EXPECT_EQ(result.out.find(success), std::string::npos) << result.out;
        }
    }

    BridgePeerProcess peer({"--vid", "3554", "--pid", "F5D5", "--exit-after-writes", "0"});
    ASSERT_TRUE(peer.ready());
    CliRunner cli;
    cli.SetEnv("VELTRA_HID_BRIDGE", peer.socket_path());
    const CliResult json = cli.Run({"--json", "--yes", "reset"});
    EXPECT_EQ(json.exit_code, 1);
    EXPECT_NE(ParseOut(json).GetString("error").value_or("").find("did not reach"),
              std::string::npos)
        << json.out;
}

TEST(VeltractlStore, ChangesAReadOnlyStoreRefusesAreNeitherSentNorReportedDone) {
    const std::optional<std::vector<std::string>> unprivileged = UnprivilegedPrefix();
    if (!unprivileged) {
        GTEST_SKIP() << "running as root without setpriv: no user the file modes bind";
    }
    CliRunner cli;
    ASSERT_EQ(cli.Run({"keys", "list"}).exit_code, 0);  // creates the store
    const std::filesystem::path store = StoreFile(cli);
    ASSERT_FALSE(store.empty());
    namespace fs = std::filesystem;
    const fs::perms readable =
        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    const fs::perms listable =
        readable | fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    fs::permissions(cli.dir().path(), listable | fs::perms::owner_write);
    fs::permissions(store, readable);
    fs::permissions(store.parent_path(), listable);
    const fs::path captures = cli.dir() / "captures";
    fs::create_directory(captures);
    fs::permissions(captures, fs::perms::all);
    const fs::path capture = captures / "capture.jsonl";
    cli.SetEnv("VELTRA_HID_RECORD", capture.string());
    cli.SetPrefix(*unprivileged);
    const std::string before = ReadFile(store);

    const std::vector<std::vector<std::string>> cases = {
        {"--demo", "keys", "set", "1", "mouse-button", "3"},
        {"--demo", "keys", "reset", "1"},
        {"--demo", "keys", "reset"},
        {"--demo", "set", "dpi_index=2"},
    };
    for (const std::vector<std::string>& args : cases) {
        const CliResult result = cli.Run(args);
        EXPECT_EQ(result.exit_code, 1) << Joined(args) << result.err;
        EXPECT_NE(result.err.find("cannot store"), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "") << Joined(args);
    }
    const CliResult json = cli.Run({"--demo", "--json", "keys", "set", "2", "mouse-button", "1"});
    EXPECT_EQ(json.exit_code, 1);
    EXPECT_TRUE(ParseOut(json).GetString("error").has_value()) << json.out;

    // The mouse was read for every command, and written to by none.
    EXPECT_FALSE(RecordedWrites(capture).empty());
    EXPECT_TRUE(ConfigWrites(RecordedWrites(capture)).empty());
    EXPECT_EQ(ReadFile(store), before);
}

TEST(VeltractlStore, KeyChangesWithoutTheKeyTableFailAndSendNothing) {
    CliRunner cli;
    ASSERT_EQ(cli.Run({"keys", "list"}).exit_code, 0);
    const std::filesystem::path store = StoreFile(cli);
    ASSERT_FALSE(store.empty());
    {
        SQLiteDB db;
        ASSERT_TRUE(db.Open(store.c_str(), {}, SQLITE_OPEN_READWRITE));
        ASSERT_EQ(db.Exec("DROP TABLE t_key_macro_data"), SQLITE_OK);
    }
    const std::filesystem::path capture = cli.dir() / "capture.jsonl";
    cli.SetEnv("VELTRA_HID_RECORD", capture.string());
    const CliResult set = cli.Run({"--demo", "keys", "set", "1", "mouse-button", "3"});
    EXPECT_EQ(set.exit_code, 1);
    EXPECT_NE(set.err.find("cannot store the button assignment"), std::string::npos) << set.err;
    EXPECT_EQ(set.out, "");
    const CliResult reset = cli.Run({"--demo", "--json", "keys", "reset", "1"});
    EXPECT_EQ(reset.exit_code, 1);
    EXPECT_TRUE(ParseOut(reset).GetString("error").has_value()) << reset.out;
    EXPECT_TRUE(ConfigWrites(RecordedWrites(capture)).empty());
}

TEST(VeltractlInstall, AccessRuleCoversEveryCataloguePairForTheSeatUserOnly) {
    const std::string rule = ReadFile(std::filesystem::path(VELTRA_BIN_DIR) / ".." / "data" /
                                      "udev" / "70-veltra-mouse.rules");
    const Catalogue catalogue = ReadCatalogue(kProgramFolder / "config.xml", {});
    ASSERT_FALSE(catalogue.modes.empty());
    for (const DeviceModelEntry& mode : catalogue.modes) {
        char pair[16];
        std::snprintf(pair, sizeof pair, "*:%04X:%04X.*", mode.vid, mode.pid);
        const std::string line =
            std::string("SUBSYSTEM==\"hidraw\", KERNELS==\"") + pair + "\", TAG+=\"uaccess\"";
        EXPECT_NE(rule.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(rule.find("MODE"), std::string::npos);
}

TEST(VeltractlBridge, AnotherModelsMouseIsNamedAndServedOnRequest) {
    BridgePeerProcess peer({"--vid", "3554", "--pid", "F5A1"});
    ASSERT_TRUE(peer.ready());
    CliRunner cli;
    cli.SetEnv("VELTRA_HID_BRIDGE", peer.socket_path());
    // Nothing stored: the first model of the catalogue is served, as in the window.
    const CliResult status = cli.Run({"status"});
    EXPECT_EQ(status.exit_code, 1);
    EXPECT_NE(status.err.find("a Veltra P3 is connected: use --device-type 301"), std::string::npos)
        << status.err;

    const CliResult served = cli.Run({"--json", "--device-type", "301", "status"});
    ASSERT_EQ(served.exit_code, 0) << served.err;
    EXPECT_EQ(ParseOut(served).Find("model")->GetString("name"), "Veltra P3");
}

}  // namespace
}  // namespace veltra::test
