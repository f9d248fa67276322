#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <optional>
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
#include "settings/key_function.h"
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

TEST(VeltractlProfileFile, ExportAndImportRestoreTheProfileAndSendOnlyWhenAsked) {
    CliRunner cli;
    const std::filesystem::path capture = cli.dir() / "capture.jsonl";
    cli.SetEnv("VELTRA_HID_RECORD", capture.string());
    // Each demo run first reads a fresh simulated mouse into the profile, which takes its report
    // rate and, as it holds no button codes, clears the buttons: settings the read leaves alone
    // show what the file carries.
    ASSERT_EQ(cli.Run({"--demo", "set", "button_respondtime=12", "mouse_speed=15"}).exit_code, 0);
    ASSERT_EQ(cli.Run({"--demo", "keys", "set", "3", "key-combination", "Ctrl+C"}).exit_code, 0);

    const std::filesystem::path file = cli.dir() / "saved.xml";
    const CliResult exported = cli.Run({"--json", "profile", "export", file.string()});
    ASSERT_EQ(exported.exit_code, 0) << exported.err;
    EXPECT_EQ(ParseOut(exported),
              (Json{{"file", file.string()}, {"profile", 1}, {"name", "Profile  1"}}));
    EXPECT_TRUE(ReadFile(file).starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"));

    ASSERT_EQ(cli.Run({"--demo", "set", "button_respondtime=4", "mouse_speed=3"}).exit_code, 0);
    const std::size_t before_import = RecordedWrites(capture).size();
    const CliResult imported = cli.Run({"--json", "profile", "import", file.string()});
    ASSERT_EQ(imported.exit_code, 0) << imported.err;
    Json result = ParseOut(imported);
    EXPECT_EQ(result["keys"], 1);
    EXPECT_EQ(result["settings"]["button_respondtime"], 12);
    EXPECT_EQ(result["corrected"], Json::array());
    EXPECT_EQ(RecordedWrites(capture).size(), before_import);
    const CliResult get = cli.Run({"--json", "get", "button_respondtime", "mouse_speed"});
    EXPECT_EQ(ParseOut(get)["settings"], (Json{{"button_respondtime", 12}, {"mouse_speed", 15}}))
        << get.out;
    const CliResult text = cli.Run({"profile", "import", file.string()});
    EXPECT_NE(text.out.find(": 1 button assignments, 0 lighting effects,"), std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("(or use --send)"), std::string::npos) << text.out;

    // --send reads the mouse, stores the file over what it read and sends both writes.
    ASSERT_EQ(cli.Run({"--demo", "set", "button_respondtime=4"}).exit_code, 0);
    const std::size_t before_send = ConfigWrites(RecordedWrites(capture)).size();
    const CliResult sent =
        cli.Run({"--demo", "--json", "profile", "import", file.string(), "--send"});
    ASSERT_EQ(sent.exit_code, 0) << sent.err;
    EXPECT_EQ(ParseOut(sent)["sent"].size(), 2u);
    EXPECT_EQ(ConfigWrites(RecordedWrites(capture)).size(), before_send + 2);
    EXPECT_EQ(ParseOut(cli.Run({"--json", "get", "button_respondtime"}))["settings"],
              (Json{{"button_respondtime", 12}}));
}

TEST(VeltractlProfileFile, AFileThatCannotBeUsedExitsOneAndChangesNothing) {
    CliRunner cli;
    ASSERT_EQ(cli.Run({"profile", "list"}).exit_code, 0);
    const Json before = ParseOut(cli.Run({"--json", "get"}));
    const std::filesystem::path garbage = cli.dir() / "garbage.xml";
    WriteFile(garbage, "<profile><profileinfo name=\"x\">");
    const std::filesystem::path empty = cli.dir() / "empty.xml";
    WriteFile(empty, "<profile><profileinfo name=\"x\"/></profile>");
    const struct {
        std::filesystem::path file;
        std::string reason;
    } cases[] = {
        {garbage, "the file is not a well-formed XML document"},
        {empty, "the file holds no settings for this model"},
        {cli.dir() / "missing.xml", "the file cannot be read"},
    };
    for (const auto& c : cases) {
        const CliResult text = cli.Run({"profile", "import", c.file.string()});
        EXPECT_EQ(text.exit_code, 1);
        EXPECT_EQ(text.err, "veltractl: cannot import " + c.file.string() + ": " + c.reason +
                                "; nothing was changed\n");
        const CliResult json = cli.Run({"--json", "profile", "import", c.file.string()});
        EXPECT_EQ(json.exit_code, 1);
        EXPECT_TRUE(StringMember(ParseOut(json), "error").has_value());
    }
    EXPECT_EQ(ParseOut(cli.Run({"--json", "get"})), before);
    const CliResult unwritable =
        cli.Run({"profile", "export", (cli.dir() / "no" / "such" / "folder.xml").string()});
    EXPECT_EQ(unwritable.exit_code, 1);
    EXPECT_NE(unwritable.err.find("the file cannot be written"), std::string::npos);
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

// The function stored for a button of the active profile (profile 1 here), with its text.
std::optional<KeyFunction> StoredFunction(const CliRunner& cli, int key_code) {
    const std::filesystem::path file = StoreFile(cli);
    ProfileStore store;
    KeyAssignment row;
    if (file.empty() || !store.OpenDeviceStore(file.parent_path().parent_path(), "veltra_v1") ||
        !store.LoadKeyAssignment(1, 0, key_code, row)) {
        return std::nullopt;
    }
    return KeyFunction{static_cast<KeyFunctionType>(row.macro_type), row.macro_value,
                       row.macro_value2, row.macro_value3, row.macro_desc};
}

// The code bytes a key write carries for a button slot (two bytes each, from frame byte 8), as
// the recorded lower-case hex.
std::string SlotHex(const std::string& write, int key_code, int bytes = 2) {
    return write.substr(static_cast<std::size_t>(16 + 4 * key_code),
                        static_cast<std::size_t>(2 * bytes));
}

std::string Hex(const KeyFunctionCode& code, int bytes = 2) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%02x%02x%02x%02x", code.class_byte, code.code, code.param1,
                  code.param2);
    return std::string(hex, static_cast<std::size_t>(2 * bytes));
}

// One fresh runner per command, each recording the mouse traffic to capture.jsonl in its folder,
// all running at once: the simulated mouse's pacing, not work, takes their time.
struct Recorded {
    std::unique_ptr<CliRunner> cli = std::make_unique<CliRunner>();
    CliResult result;

    std::vector<std::string> ConfigWrites() const {
        return test::ConfigWrites(RecordedWrites(cli->dir() / "capture.jsonl"));
    }
};

std::vector<Recorded> RunEachAtOnce(const std::vector<std::vector<std::string>>& commands) {
    std::vector<Recorded> runs(commands.size());
    std::vector<CliProcess> processes;
    for (std::size_t i = 0; i < commands.size(); ++i) {
        runs[i].cli->SetEnv("VELTRA_HID_RECORD", (runs[i].cli->dir() / "capture.jsonl").string());
        processes.push_back(runs[i].cli->Start(commands[i]));
    }
    for (std::size_t i = 0; i < commands.size(); ++i) {
        runs[i].result = runs[i].cli->Finish(processes[i]);
    }
    return runs;
}

TEST(VeltractlKeys, KeyCombinationsByNameStoreTheWindowsRowAndSendItsCode) {
    const struct {
        const char* combo;
        KeyFunction expected;  // as the key field builds it
        const char* sent;
    } cases[] = {
        {"Ctrl+Win+Alt+A", MakeKeyCombination(true, false, true, true, 'A', "A"), "5d04"},
        {"Windows", MakeKeyCombination(false, false, false, false, 91, "Windows"), "5800"},
        {"Shift", MakeKeyCombination(false, true, false, false, 0, ""), "5200"},
        {"win+tab", MakeKeyCombination(false, false, false, true, 9, "Tab"), "582b"},
        {"Ctrl + Shift + page up", MakeKeyCombination(true, true, false, false, 33, "Page Up"),
         "534b"},
        {"Ctrl+Num +", MakeKeyCombination(true, false, false, false, 107, "Num +"), "5157"},
        {"Alt+F13", MakeKeyCombination(false, false, true, false, 124, "F13"), "5468"},
        {"RWindows", MakeKeyCombination(false, false, false, false, 92, "RWindows"), "5800"},
    };
    std::vector<std::vector<std::string>> commands;
    for (const auto& c : cases) {
        commands.push_back({"--demo", "keys", "set", "2", "key-combination", c.combo});
    }
    const std::vector<Recorded> runs = RunEachAtOnce(commands);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const auto& c = cases[i];
        ASSERT_EQ(runs[i].result.exit_code, 0) << c.combo << runs[i].result.err;
        EXPECT_EQ(StoredFunction(*runs[i].cli, 2), c.expected) << c.combo;
        const std::vector<std::string> writes = runs[i].ConfigWrites();
        ASSERT_EQ(writes.size(), 1u) << c.combo;
        EXPECT_EQ(SlotHex(writes[0], 2), c.sent) << c.combo;
        EXPECT_EQ(SlotHex(writes[0], 2), Hex(EncodeKeyFunction(2, c.expected, {}))) << c.combo;
    }
}

TEST(VeltractlKeys, EveryOtherKindByName) {
    const struct {
        std::vector<std::string> function;
        int key_code;
        const char* sent;  // the slot's bytes, rapid fire with its two parameters
        KeyFunctionType type;
        int value, value2, value3;
    } cases[] = {
        {{"rapid-fire", "right", "255", "10"},
         1,
         "7002ff0a",
         KeyFunctionType::RapidFire,
         1026,
         10,
         255},
        {{"rapid-fire", "Z", "1", "10"}, 1, "711d010a", KeyFunctionType::RapidFire, 2138, 10, 1},
        {{"rapid-fire", "key:left", "3", "40"},
         3,
         "71500328",
         KeyFunctionType::RapidFire,
         2085,
         40,
         3},
        {{"rapid-fire", "BACK", "2", "7"}, 0, "70050207", KeyFunctionType::RapidFire, 1029, 7, 2},
        {{"multimedia", "volume UP"}, 4, "90e9", KeyFunctionType::Multimedia, 6, 0, 0},
        {{"system-shortcut", "8"}, 4, "542b", KeyFunctionType::SystemShortcut, 8, 0, 0},
        {{"device-function", "dpi +"}, 5, "d001", KeyFunctionType::DeviceFunction, 2, 0, 0},
        {{"disabled"}, 0, "1000", KeyFunctionType::Disabled, 1, 0, 0},
        {{"device-code-06"}, 3, "0600", KeyFunctionType::DeviceCode06, 1, 0, 0},
        {{"11", "1"}, 3, "0600", KeyFunctionType::DeviceCode06, 1, 0, 0},
        {{"device-code-12", "255"}, 3, "12ff", KeyFunctionType::DeviceCode12, 255, 0, 0},
        {{"2", "104", "4"}, 2, "5468", KeyFunctionType::KeyCombination, 104, 4, 0},
    };
    std::vector<std::vector<std::string>> commands;
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--demo", "keys", "set", std::to_string(c.key_code)};
        args.insert(args.end(), c.function.begin(), c.function.end());
        commands.push_back(std::move(args));
    }
    const std::vector<Recorded> runs = RunEachAtOnce(commands);
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const auto& c = cases[i];
        const std::string args = Joined(commands[i]);
        ASSERT_EQ(runs[i].result.exit_code, 0) << args << runs[i].result.err;
        const std::optional<KeyFunction> stored = StoredFunction(*runs[i].cli, c.key_code);
        ASSERT_TRUE(stored.has_value()) << args;
        EXPECT_EQ(stored->type, c.type) << args;
        EXPECT_EQ(stored->value, c.value) << args;
        EXPECT_EQ(stored->value2, c.value2) << args;
        EXPECT_EQ(stored->value3, c.value3) << args;
        const std::vector<std::string> writes = runs[i].ConfigWrites();
        ASSERT_EQ(writes.size(), 1u) << args;
        const int bytes = static_cast<int>(std::string(c.sent).size() / 2);
        EXPECT_EQ(SlotHex(writes[0], c.key_code, bytes), c.sent) << args;

        // The text the window would store: the list's entry, the language's rapid-fire text...
        const Json keys = ParseOut(runs[i].cli->Run({"--json", "keys", "list"}));
        const std::string shown = keys["keys"].at(c.key_code).value("description", "");
        if (c.type == KeyFunctionType::DeviceCode12) {
            EXPECT_EQ(stored->desc, "") << args;
        } else {
            EXPECT_FALSE(stored->desc.empty()) << args;
            EXPECT_EQ(stored->desc, shown) << args;
        }
    }
    // The raw form of a key combination is described as the key field would describe it.
    CliRunner cli;
    ASSERT_EQ(cli.Run({"--demo", "keys", "set", "1", "2", "4", "3"}).exit_code, 0);
    EXPECT_EQ(StoredFunction(cli, 1), MakeKeyCombination(true, true, false, false, 'A', "A"));
    ASSERT_EQ(
        cli.Run({"--demo", "keys", "set", "1", "mouse-button", "7", "--desc", "Aim"}).exit_code, 0);
    EXPECT_EQ(StoredFunction(cli, 1)->desc, "Aim");
}

TEST(VeltractlKeys, MacrosMustBeStoredAndAreDescribedByTheirListName) {
    CliRunner cli;
    const std::filesystem::path capture = cli.dir() / "capture.jsonl";
    cli.SetEnv("VELTRA_HID_RECORD", capture.string());
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--demo", "keys", "set", "1", "macro", "1"},
          std::vector<std::string>{"--demo", "--json", "keys", "set", "1", "4", "1"}}) {
        const CliResult missing = cli.Run(args);
        EXPECT_EQ(missing.exit_code, 2) << Joined(args);
        const std::string message = missing.err.empty()
                                        ? StringMember(ParseOut(missing), "error").value_or("")
                                        : missing.err;
        EXPECT_NE(message.find("macro 1 is not stored"), std::string::npos) << message;
    }
    // Refused before the mouse was read: the scan's probe (command 0) is all it saw.
    for (const std::string& write : RecordedWrites(capture)) {
        EXPECT_EQ(write.substr(2, 6), "55aa00") << write;
    }
    EXPECT_FALSE(StoredFunction(cli, 1).has_value());

    int second = 0;
    {
        ProfileStore store;
        ASSERT_TRUE(store.OpenDeviceStore(StoreFile(cli).parent_path().parent_path(), "veltra_v1"));
        ASSERT_GT(store.AddMacro("Burst"), 0);
        second = store.AddMacro("Custom2");
        ASSERT_GT(second, 0);
    }
    const CliResult set = cli.Run({"--demo", "keys", "set", "1", "macro", std::to_string(second)});
    ASSERT_EQ(set.exit_code, 0) << set.err;
    const std::optional<KeyFunction> stored = StoredFunction(cli, 1);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, KeyFunctionType::MacroFunction);
    EXPECT_EQ(stored->value, second);
    // The macro list shows "Custom" as the language's word for it (English: "Custom").
    EXPECT_EQ(stored->desc, "Custom2");
    const std::vector<std::string> writes = ConfigWrites(RecordedWrites(capture));
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(SlotHex(writes[0], 1), "ff01");  // the second macro's upload slot
}

const std::filesystem::path kMacroData = std::filesystem::path(VELTRA_TEST_DATA_DIR) / "macro";

TEST(VeltractlMacros, StoreChangesAndFilesLeaveTheMouseAloneUntilTheUpload) {
    CliRunner cli;
    const std::filesystem::path capture = cli.dir() / "capture.jsonl";
    cli.SetEnv("VELTRA_HID_RECORD", capture.string());
    const CliResult created = cli.Run({"--demo", "--json", "macros", "new"});
    ASSERT_EQ(created.exit_code, 0) << created.err;
    EXPECT_EQ(ParseOut(created), (Json{{"id", 1}, {"name", "Custom 1"}}));
    const CliResult named = cli.Run({"--demo", "macros", "new", "Burst"});
    EXPECT_EQ(named.out, "created macro 2 \"Burst\"\n");

    const std::filesystem::path reference = kMacroData / "exported.xml";
    const CliResult imported =
        cli.Run({"--demo", "--json", "macros", "import", reference.string()});
    ASSERT_EQ(imported.exit_code, 0) << imported.err;
    EXPECT_EQ(ParseOut(imported),
              (Json{{"file", reference.string()}, {"id", 3}, {"name", "Eigene3"}, {"steps", 6}}));
    Json shown = ParseOut(cli.Run({"--demo", "--json", "macros", "show", "3"}));
    EXPECT_EQ(shown["delay_time"], 25);
    EXPECT_EQ(shown["slot"], 2);
    ASSERT_EQ(shown["steps"].size(), 6u);
    EXPECT_EQ(
        shown["steps"][0],
        (Json{{"index", 0}, {"text", "\xE2\x86\x93  A"}, {"type", "key-down"}, {"value", 4}}));

    // The export writes exactly the named file, with the window's bytes.
    const std::filesystem::path file = cli.dir() / "again.xml";
    ASSERT_EQ(cli.Run({"macros", "export", "3", file.string()}).exit_code, 0);
    EXPECT_EQ(ReadFile(file), ReadFile(reference));
    EXPECT_TRUE(RecordedWrites(capture).empty());

    // Deleting a macro a button plays gives the button back its factory function.
    ASSERT_EQ(cli.Run({"--demo", "keys", "set", "1", "macro", "2"}).exit_code, 0);
    ASSERT_TRUE(StoredFunction(cli, 1).has_value());
    const std::size_t before_delete = RecordedWrites(capture).size();
    const CliResult deleted = cli.Run({"--demo", "macros", "delete", "2"});
    ASSERT_EQ(deleted.exit_code, 0) << deleted.err;
    EXPECT_NE(deleted.out.find("1 buttons went back to their factory function"), std::string::npos)
        << deleted.out;
    EXPECT_NE(deleted.out.find("\"veltractl macros upload\" sends the change"), std::string::npos);
    EXPECT_FALSE(StoredFunction(cli, 1).has_value());
    EXPECT_EQ(RecordedWrites(capture).size(), before_delete);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"macros", "delete", "2"},
          std::vector<std::string>{"macros", "show", "2"},
          std::vector<std::string>{"macros", "export", "x", file.string()}}) {
        const CliResult missing = cli.Run(args);
        EXPECT_EQ(missing.exit_code, 2) << Joined(args);
        EXPECT_NE(missing.err.find("is not stored; stored macros: 1, 3"), std::string::npos)
            << missing.err;
    }

    // The upload sends the macros, then the button codes that name them by slot.
    const CliResult upload = cli.Run({"--demo", "--json", "macros", "upload"});
    ASSERT_EQ(upload.exit_code, 0) << upload.err;
    Json sent = ParseOut(upload)["sent"];
    ASSERT_GE(sent.size(), 2u);
    EXPECT_TRUE(sent.back().get<std::string>().starts_with("00 55 AA 02")) << sent;
    EXPECT_TRUE(sent.front().get<std::string>().starts_with("00 55 AA 06")) << sent;
}

TEST(VeltractlMacros, ARefusedFileExitsOneAndChangesNothing) {
    CliRunner cli;
    ASSERT_EQ(cli.Run({"macros", "new"}).exit_code, 0);
    const std::string before = cli.Run({"--json", "macros", "list"}).out;
    const std::string good = ReadFile(kMacroData / "exported.xml");
    const std::filesystem::path truncated = cli.dir() / "truncated.xml";
    WriteFile(truncated, good.substr(0, good.size() - 40));
    const std::filesystem::path unknown = cli.dir() / "unknown.xml";
    WriteFile(unknown,
              "<macro><macroinfo/><macroitems><item type=\"1\"/><item type=\"40\"/>"
              "</macroitems></macro>");
    const struct {
        std::filesystem::path file;
        std::string reason;
    } cases[] = {
        {truncated, "the file is not a well-formed XML document"},
        {unknown, "the file holds a step type no mouse plays"},
        {cli.dir() / "missing.xml", "the file cannot be read"},
    };
    for (const auto& c : cases) {
        const CliResult text = cli.Run({"macros", "import", c.file.string()});
        EXPECT_EQ(text.exit_code, 1);
        EXPECT_EQ(text.err, "veltractl: cannot import " + c.file.string() + ": " + c.reason +
                                "; nothing was changed\n");
        const CliResult json = cli.Run({"--json", "macros", "import", c.file.string()});
        EXPECT_EQ(json.exit_code, 1);
        EXPECT_TRUE(StringMember(ParseOut(json), "error").has_value());
    }
    EXPECT_EQ(cli.Run({"--json", "macros", "list"}).out, before);
    const CliResult unwritable =
        cli.Run({"macros", "export", "1", (cli.dir() / "no" / "folder.xml").string()});
    EXPECT_EQ(unwritable.exit_code, 1);
    EXPECT_NE(unwritable.err.find("the file cannot be written"), std::string::npos);
}

TEST(VeltractlKeys, FunctionsTheWindowCouldNotGiveAreRefusedUntouched) {
    CliRunner cli;
    ASSERT_EQ(cli.Run({"--demo", "keys", "set", "1", "mouse-button", "3"}).exit_code, 0);
    const std::filesystem::path capture = cli.dir() / "capture.jsonl";
    cli.SetEnv("VELTRA_HID_RECORD", capture.string());
    const std::vector<std::vector<std::string>> cases = {
        {"1", "mouse-button", "8"},       // description only: no click
        {"1", "1", "8"},                  // the same by number
        {"1", "1", "3", "1"},             // a value the type does not use
        {"1", "mouse-button", "3", "0"},  // a named type takes its own operands
        {"1", "multimedia", "9"},
        {"1", "multimedia", "Louder"},
        {"1", "system-shortcut", "0"},
        {"1", "device-function", "4"},
        {"1", "device-function-extended", "0"},  // stores no row at all
        {"1", "device-code-12", "256"},
        {"1", "10", "2"},
        {"1", "disabled", "1"},
        {"1", "2", "3", "1"},   // usage 3 is no key
        {"1", "2", "4", "16"},  // flags beyond the four modifiers
        {"1", "2", "0", "0"},
        {"1", "key-combination", "Ctrl+Nothing"},
        {"1", "key-combination", "A+Ctrl"},
        {"1", "key-combination", "Ctrl+Ctrl+A"},
        {"1", "key-combination", "Ctrl+"},
        {"1", "key-combination", ""},
        {"1", "rapid-fire", "right", "0", "10"},
        {"1", "rapid-fire", "right", "300", "10"},
        {"1", "rapid-fire", "right", "1", "256"},
        {"1", "rapid-fire", "right", "1", "x"},
        {"1", "rapid-fire", "thumb", "1", "10"},
        {"1", "rapid-fire", "right", "1"},
        {"1", "8", "1030", "10", "1"},  // rapid-fire button 6
        {"1", "8", "2055", "10", "1"},  // virtual key 7 has no usage
        {"1", "8", "2714", "10", "1"},  // a virtual key beyond one byte
        {"1", "8", "3137", "10", "1"},  // kind 3
        {"1", "12", "1"},
        {"1", "0", "1"},
    };
    for (const std::vector<std::string>& function : cases) {
        std::vector<std::string> args = {"--demo", "keys", "set"};
        args.insert(args.end(), function.begin(), function.end());
        const CliResult result = cli.Run(args);
        EXPECT_EQ(result.exit_code, 2) << Joined(args) << result.out;
        EXPECT_NE(result.err.find("veltractl keys: "), std::string::npos) << Joined(args);
    }
    const CliResult count =
        cli.Run({"--demo", "keys", "set", "1", "rapid-fire", "left", "300", "1"});
    EXPECT_NE(count.err.find("count 300 is outside 1..255"), std::string::npos) << count.err;
    const CliResult list = cli.Run({"--demo", "keys", "set", "1", "mouse-button", "9"});
    EXPECT_NE(list.err.find("2 (Right click)"), std::string::npos) << list.err;
    // Neither the mouse nor the store saw any of it.
    EXPECT_TRUE(RecordedWrites(capture).empty());
    const std::optional<KeyFunction> kept = StoredFunction(cli, 1);
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(kept->value, 3);
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
        {"profile", "export"},
        {"profile", "import", "a.xml", "b.xml"},
        {"profile", "export", "a.xml", "--send"},
        {"macros", "new", " "},
        {"macros", "show"},
        {"macros", "export", "1"},
        {"macros", "import", "a.xml", "b.xml"},
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
        // The status and config reads come first.
        {{"--verbose", "macros", "upload"}, 3, "the upload stopped after 1 of 3 parts", 1},
        {{"--verbose", "macros", "upload"},
         5,
         "the macros were uploaded, but the button codes did not reach the Veltra V1",
         3},
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
