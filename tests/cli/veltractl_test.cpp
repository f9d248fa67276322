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
#include "device/driver_catalogue.h"
#include "device/driver_comm.h"
#include "device/recording_backend.h"
#include "sim/simulated_backend.h"
#include "store/profile_list.h"
#include "store/profile_store.h"
#include "store/sqlite_db.h"
#include "support/bridge_peer_process.h"
#include "support/process.h"
#include "support/scripted_peer.h"

namespace veltra::test {
namespace {

const std::filesystem::path kProgramFolder = VELTRA_BIN_DIR;

Json ParseOut(const CliResult& result) {
    std::optional<Json> value = DecodeJson(result.out);
    EXPECT_TRUE(value.has_value()) << "not one JSON document: " << result.out;
    return value.value_or(Json());
}

// The data of every write a VELTRA_HID_RECORD capture holds, in order.
std::vector<std::string> RecordedWrites(const std::filesystem::path& capture) {
    std::vector<std::string> writes;
    if (!std::filesystem::exists(capture)) {
        return writes;
    }
    std::istringstream lines(ReadFile(capture));
    for (std::string line; std::getline(lines, line);) {
        const std::optional<Json> entry = DecodeJson(line);
        const Json* request = entry ? FindMember(*entry, "request") : nullptr;
        if (request != nullptr && StringMember(*request, "op") == "write") {
            writes.push_back(StringMember(*request, "data").value_or(""));
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
    // The window's unit texts for these times say seconds; the text mode uses them too.
    EXPECT_NE(text.out.find("idle light:      15s (sleep_light=2)"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("sleep after:     60s (spare_time=1)"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Veltra V1 (device type 101)"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("76%, charging"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("DPI levels"), std::string::npos);

    const CliResult json = cli.Run({"--demo", "--json", "status"});
    ASSERT_EQ(json.exit_code, 0) << json.err;
    Json status = ParseOut(json);
    EXPECT_EQ(status["model"]["device_type"], 101);
    EXPECT_EQ(status["mode"], "wired");
    EXPECT_EQ(status["battery"]["level"], 76);
    EXPECT_EQ(status["battery"]["charging"], true);
    EXPECT_EQ(status["profile"]["id"], 1);
    Json& settings = status["settings"];
    ASSERT_EQ(settings["dpi_levels"].size(), 8u);
    for (const char* key :
         {"report_rate", "report_rate_hz", "sleep_light", "sleep_light_seconds", "spare_time",
          "spare_time_seconds", "key_wakeup", "game_mode", "lightmode", "dpi_flag", "dpi_index"}) {
        EXPECT_TRUE(IntMember(settings, key).has_value()) << key;
    }
    EXPECT_EQ(settings["sleep_light_seconds"], 15);
    EXPECT_EQ(settings["spare_time_seconds"], 60);
    // The store now holds what the mouse reported; get gives numbers as status does.
    const CliResult get = cli.Run({"--json", "get", "dpi_index", "sleep_light"});
    ASSERT_EQ(get.exit_code, 0) << get.err;
    EXPECT_EQ(ParseOut(get)["settings"], (Json{{"dpi_index", settings["dpi_index"]},
                                               {"sleep_light", settings["sleep_light"]}}));
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
    Json result = ParseOut(set);
    EXPECT_EQ(result["stored"],
              (Json{{"dpi_index", 3}, {"game_mode", 1}, {"dpi_group2_value", 1800}}));
    ASSERT_EQ(result["sent"].size(), 1u);

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
    Json profiles = ParseOut(list);
    EXPECT_EQ(profiles["active"], 3);
    EXPECT_EQ(profiles["profiles"].size(), 5u);

    // Later writes come from the newly active profile.
    const CliResult set = cli.Run({"--demo", "--json", "set", "sleep_light=5"});
    ASSERT_EQ(set.exit_code, 0) << set.err;
    EXPECT_EQ(ParseOut(set)["profile"], 3);
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
    Json keys = ParseOut(list);
    Json& key1 = keys["keys"].at(1);
    EXPECT_EQ(key1["assigned"], true);
    EXPECT_EQ(key1["type"], "mouse-button");
    EXPECT_EQ(key1["value"], 3);
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

TEST(VeltractlDemo, LightingSetStoresTheEffectAndSendsOneSettingsWrite) {
    CliRunner cli;
    const std::filesystem::path capture = cli.dir() / "capture.jsonl";
    cli.SetEnv("VELTRA_HID_RECORD", capture.string());
    const CliResult set = cli.Run(
        {"--demo", "--json", "lighting", "set", "1", "brightness=80", "speed=10", "color=#00FF00"});
    ASSERT_EQ(set.exit_code, 0) << set.err;
    EXPECT_EQ(ConfigWrites(RecordedWrites(capture)).size(), 1u);
    Json result = ParseOut(set);
    EXPECT_EQ(result["profile"], 1);
    EXPECT_EQ(result["sent"].size(), 1u);
    EXPECT_EQ(result["effect"], (Json{{"mode", 1},
                                      {"name", "Static"},
                                      {"active", true},
                                      {"brightness", 80},
                                      {"speed", 10},
                                      {"colour", "#00FF00"},
                                      {"offers", {"brightness", "speed", "colour"}}}));

    // The list reads the store only: one active effect, and each shows what it offers.
    const CliResult list = cli.Run({"--json", "lighting", "list"});
    ASSERT_EQ(list.exit_code, 0) << list.err;
    Json effects = ParseOut(list);
    EXPECT_EQ(effects["active"], 1);
    ASSERT_EQ(effects["effects"].size(), 7u);
    int active = 0;
    for (const Json& effect : effects["effects"]) {
        active += effect.value("active", false) ? 1 : 0;
    }
    EXPECT_EQ(active, 1);
    EXPECT_EQ(effects["effects"][0],
              (Json{{"mode", 0}, {"name", "Off"}, {"active", false}, {"offers", Json::array()}}));
    const Json& breathing = effects["effects"][2];
    EXPECT_EQ(FindMember(breathing, "brightness"), nullptr);
    EXPECT_EQ(breathing["speed"], 127);
    EXPECT_EQ(breathing["colour"], "#FF0000");

    // Another effect becomes the active one; the first keeps its values.
    ASSERT_EQ(cli.Run({"--demo", "lighting", "set", "5"}).exit_code, 0);
    const CliResult text = cli.Run({"lighting", "list"});
    ASSERT_EQ(text.exit_code, 0) << text.err;
    EXPECT_NE(text.out.find("\n  1  Static  "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("brightness 80  speed 10  colour #00FF00\n"), std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("\n* 5  Single-colour marquee"), std::string::npos) << text.out;
    EXPECT_EQ(ConfigWrites(RecordedWrites(capture)).size(), 2u);
}

TEST(VeltractlDemo, LightingOnAModelWithoutLightingFailsAndTouchesNothing) {
    CliRunner cli;
    const std::filesystem::path capture = cli.dir() / "capture.jsonl";
    cli.SetEnv("VELTRA_HID_RECORD", capture.string());
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--device-type", "301", "lighting", "list"},
          {"--device-type", "301", "--demo", "lighting", "set", "1", "brightness=3"}}) {
        const CliResult result = cli.Run(args);
        EXPECT_EQ(result.exit_code, 1) << Joined(args);
        EXPECT_NE(result.err.find("Veltra P3 (device type 301) has no lighting"), std::string::npos)
            << result.err;
        std::vector<std::string> json_args = {"--json"};
        json_args.insert(json_args.end(), args.begin(), args.end());
        const CliResult json = cli.Run(json_args);
        EXPECT_EQ(json.exit_code, 1);
        EXPECT_TRUE(StringMember(ParseOut(json), "error").has_value()) << json.out;
    }
    EXPECT_TRUE(RecordedWrites(capture).empty());
    EXPECT_TRUE(StoreFile(cli).empty());
}

TEST(VeltractlDemo, ResetRecreatesTheProfilesAndSendsBothResetCommands) {
    CliRunner cli;
    ASSERT_EQ(cli.Run({"profile", "select", "4"}).exit_code, 0);
    ASSERT_EQ(cli.Run({"--demo", "set", "button_respondtime=15"}).exit_code, 0);

    const CliResult reset = cli.Run({"--demo", "--json", "reset", "--yes"});
    ASSERT_EQ(reset.exit_code, 0) << reset.err;
    Json result = ParseOut(reset);
    std::vector<std::string> commands;
    for (const Json& frame : result["sent"]) {
        commands.push_back(frame.get<std::string>().substr(9, 2));
    }
    EXPECT_EQ(commands, (std::vector<std::string>{"04", "03"}));
    EXPECT_EQ(result["profile"], 1);
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
        {"--demo", "lighting"},
        {"--demo", "lighting", "list", "all"},
        {"--demo", "lighting", "set"},
        {"--demo", "lighting", "set", "7"},
        {"--demo", "lighting", "set", "static"},
        {"--demo", "lighting", "set", "1", "brightness=256"},
        {"--demo", "lighting", "set", "1", "speed=-1"},
        {"--demo", "lighting", "set", "1", "colour=red"},
        {"--demo", "lighting", "set", "1", "colour=#1000000"},
        {"--demo", "lighting", "set", "1", "glow=3"},
        {"--demo", "lighting", "set", "1", "speed=3", "speed=4"},
        {"--demo", "lighting", "set", "2", "brightness=3"},
        {"--demo", "lighting", "set", "0", "colour=#FFFFFF"},
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

        // With --json the same error is one JSON object on stdout.
        std::vector<std::string> json_args = {"--json"};
        json_args.insert(json_args.end(), args.begin(), args.end());
        const CliResult json = cli.Run(json_args);
        EXPECT_EQ(json.exit_code, 2) << joined;
        EXPECT_TRUE(StringMember(ParseOut(json), "error").has_value()) << joined << json.out;
    }
    // Also when --json follows the mistake.
    const CliResult late = cli.Run({"--device-type", "x", "status", "--json"});
    EXPECT_EQ(late.exit_code, 2);
    EXPECT_EQ(ParseOut(late), (Json{{"error", "--device-type needs a number, not \"x\""}}));
    const CliResult in_command = cli.Run({"--demo", "set", "dpi_index=8", "--json"});
    EXPECT_EQ(in_command.exit_code, 2);
    EXPECT_EQ(ParseOut(in_command)["command"], "set");
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
    EXPECT_TRUE(StringMember(ParseOut(json), "error").has_value());
    // Device type 101 belongs to the family whose default active level is 0.
    EXPECT_EQ(cli.Run({"get", "dpi_index"}).out, "dpi_index=0\n");

    EXPECT_EQ(cli.Run({"devices"}).exit_code, 1);
}

TEST(VeltractlBridge, DrivesThePeersMouse) {
    // By default the peer serves the first model of the shipped catalogue.
    BridgePeerProcess peer;
    ASSERT_TRUE(peer.ready());
    CliRunner cli;
    cli.SetEnv("VELTRA_HID_BRIDGE", peer.socket_path());

    const CliResult devices = cli.Run({"--json", "devices"});
    ASSERT_EQ(devices.exit_code, 0) << devices.err;
    Json found = ParseOut(devices);
    Json& list = found["devices"];
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]["device_type"], 101);
    EXPECT_EQ(list[0]["mode"], "wired");
    EXPECT_EQ(list[0]["path"], "bridge:mouse0");

    // The peer's mouse keeps what it is sent, so a second process reads it back.
    const CliResult rate = cli.Run({"rate", "250"});
    ASSERT_EQ(rate.exit_code, 0) << rate.err;
    const CliResult status = cli.Run({"--json", "status"});
    ASSERT_EQ(status.exit_code, 0) << status.err;
    Json settings = ParseOut(status)["settings"];
    EXPECT_EQ(settings["report_rate_hz"], 250);
    EXPECT_EQ(ParseOut(status)["battery"]["level"], 75);
}

// Each way a bridge can fail is named with the variable, its value and what failed, instead of
// the advice for a missing mouse.
TEST(VeltractlBridge, AnUnusableBridgeIsNamedWithWhatFailed) {
    const auto expect_named = [](const std::string& socket, const std::string& failure) {
        CliRunner cli;
        cli.SetEnv("VELTRA_HID_BRIDGE", socket);
        const std::string named = "VELTRA_HID_BRIDGE=" + socket + " cannot be used: " + failure;
        const CliResult status = cli.Run({"status"});
        EXPECT_EQ(status.exit_code, 1);
        EXPECT_NE(status.err.find(named), std::string::npos) << status.err;
        EXPECT_EQ(status.err.find("--demo"), std::string::npos) << status.err;

        const CliResult devices = cli.Run({"--json", "devices"});
        EXPECT_EQ(devices.exit_code, 1);
        const std::string error = StringMember(ParseOut(devices), "error").value_or("");
        EXPECT_NE(error.find(named), std::string::npos) << devices.out;
    };
    TempDir dir;
    expect_named((dir / "none.sock").string(), "cannot connect: No such file or directory");

    ScriptedPeer garbage([](const Json&) -> std::optional<std::string> { return "hello?"; });
    expect_named(garbage.path(), "the peer answered something other than a JSON object");

    ScriptedPeer closing([](const Json&) { return ScriptedPeer::kHangUp; });
    expect_named(closing.path(), "the peer closed the connection");

    ScriptedPeer newer(
        [](const Json&) -> std::optional<std::string> { return R"({"version":2})"; });
    expect_named(newer.path(), "the peer speaks bridge protocol version 2, not 1");
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
    EXPECT_NE(StringMember(ParseOut(json), "error").value_or("").find("did not reach"),
              std::string::npos)
        << json.out;
}

TEST(VeltractlStore, ChangesAReadOnlyStoreRefusesAreNeitherSentNorReportedDone) {
    const std::optional<std::vector<std::string>> unprivileged = UnprivilegedPrefix();
    if (!unprivileged) {
        GTEST_SKIP() << "running as root without setpriv: no user the file modes bind";
    }
    CliRunner cli;
    ASSERT_EQ(cli.Run({"keys", "list"}).exit_code, 0);      // creates the store
    ASSERT_EQ(cli.Run({"lighting", "list"}).exit_code, 0);  // and the lighting effects
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
    ASSERT_TRUE(cli.UseCopyOfTheProgram());
    const std::string before = ReadFile(store);

    const std::vector<std::vector<std::string>> cases = {
        {"--demo", "keys", "set", "1", "mouse-button", "3"},
        {"--demo", "keys", "reset", "1"},
        {"--demo", "keys", "reset"},
        {"--demo", "set", "dpi_index=2"},
        {"--demo", "status"},
        {"--demo", "lighting", "set", "1", "brightness=3"},
    };
    for (const std::vector<std::string>& args : cases) {
        const CliResult result = cli.Run(args);
        EXPECT_EQ(result.exit_code, 1) << Joined(args) << result.err;
        EXPECT_NE(result.err.find("cannot store"), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "") << Joined(args);
    }
    const CliResult json = cli.Run({"--demo", "--json", "keys", "set", "2", "mouse-button", "1"});
    EXPECT_EQ(json.exit_code, 1);
    EXPECT_TRUE(StringMember(ParseOut(json), "error").has_value()) << json.out;

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
    // The store's check at opening names the missing table before anything is changed.
    EXPECT_NE(set.err.find("tables missing: t_key_macro_data"), std::string::npos) << set.err;
    EXPECT_EQ(set.out, "");
    const CliResult reset = cli.Run({"--demo", "--json", "keys", "reset", "1"});
    EXPECT_EQ(reset.exit_code, 1);
    EXPECT_TRUE(StringMember(ParseOut(reset), "error").has_value()) << reset.out;
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
    EXPECT_EQ(ParseOut(served)["model"]["name"], "Veltra P3");
}

}  // namespace
}  // namespace veltra::test
