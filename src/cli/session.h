#pragma once

// What every veltractl command shares: the global options, the output conventions (human text
// or one JSON document, exit codes), and the session that prepares the catalogue, the device
// link, the profile store and the protocol the way the window does at start-up.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/json.h"
#include "common/text.h"
#include "config/catalogue.h"
#include "device/device_protocol.h"
#include "device/device_state.h"
#include "device/driver_comm.h"
#include "settings/key_function.h"
#include "shell/instance_channel.h"
#include "store/profile_list.h"

namespace veltra::cli {

class TrafficTap;

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

using Args = std::vector<std::string_view>;

struct GlobalOptions {
    bool json = false;
    bool demo = false;
    bool verbose = false;
    bool yes = false;
    // Talk to the mouse from here even while the window runs.
    bool direct = false;
    std::optional<int> device_type;
};

struct Command {
    std::string_view name;
    std::string_view usage;    // the arguments, as the help shows them
    std::string_view summary;  // one line for the command list
    std::string_view details;  // further help text, may be empty
    int (*run)(const GlobalOptions& options, const Args& args);
    // While the window runs it owns the mouse and the store, so it carries the command out.
    bool through_window = false;
};

// With --json a script always gets one JSON document on stdout, errors included: main turns
// this on before a command runs, and usage errors then also print {"error": ..., "command": ...}.
void SetJsonErrors(bool on);

// Bad usage: "veltractl <command>: <message>" and a pointer to the command's help (the general
// help when `command` is empty); exit 2.
int UsageError(std::string_view command, std::string_view message);

// A command the window carries out for another veltractl (cli/window_route.h): the window's
// device link and working state stand in for the scan and the opening of the store, and file
// names and questions belong to the veltractl that sent it.
struct WindowHost {
    DriverComm* comm = nullptr;
    ProfileStore* store = nullptr;
    // Over the window's backend; it records writes while the command runs.
    std::shared_ptr<TrafficTap> tap;
    bool hidraw = false;
    // The device worker's working state; the command runs on the worker thread.
    DeviceState* state = nullptr;
    // The sender's working folder.
    std::filesystem::path folder;
    InstanceConfirm confirm = InstanceConfirm::None;
    // Set when the command stopped at a confirmation the sender must ask.
    std::string question;
};

// While one lives, commands on this thread are carried out for `host`.
class WindowHostScope {
  public:
    explicit WindowHostScope(WindowHost& host);
    ~WindowHostScope();
    WindowHostScope(const WindowHostScope&) = delete;
    WindowHostScope& operator=(const WindowHostScope&) = delete;
};
// The calling thread's host; null for a command run here.
WindowHost* CurrentWindowHost();

// A file the user named: a relative name is taken from the folder veltractl runs in.
std::filesystem::path UserPath(std::string_view name);

// A question on the terminal, answered with y or yes; --yes answers it without asking. Asked:
// the command runs in the window and stops here; the veltractl that sent it asks.
enum class Answer { Yes, No, NoTerminal, Asked };
Answer Confirm(const GlobalOptions& options, const std::string& question);
// The question on stdout and the user's answer from stdin: true for y or yes.
bool AskOnTerminal(const std::string& question);

// Writes one JSON document on stdout.
void PrintJson(const Json& value);

// A stored setting for --json: a number when the text is a whole number, as the program writes
// them; other text (an imported profile may carry any) as a string; a missing value as null.
Json SettingJson(const std::optional<std::string>& text);

// The connection mode as the window names it (language texts 50..53).
std::string ModeName(ConnectionMode mode);

// A stable name for scripts: "wired", "bluetooth", "receiver" or "not_connected".
std::string ModeToken(ConnectionMode mode);

// Frames as spaced upper-case hex.
std::string FrameText(const std::vector<std::uint8_t>& bytes);

// An interface the scan saw but could not open.
struct UnopenedInterface {
    std::string path;
    int vendor_id = 0;
    int product_id = 0;
};

class Session {
  public:
    explicit Session(const GlobalOptions& options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Caption, language and catalogue, then the device type to serve. kExitOk, or the exit code
    // after the message was printed.
    int LoadConfiguration();
    // The backend (simulated in demo mode) and a scan of every supported interface.
    void Scan();
    // How a command takes a store that fails its health check.
    enum class DamagedStore { kRefuse, kAccept };
    // Opens the model's store and loads its profiles (the five defaults of a new file). A store
    // that is damaged or unreadable is an error, unless the command is the one that recreates it.
    int OpenStore(DamagedStore damaged = DamagedStore::kRefuse);
    // Scan and store; the usual start of a command that talks to the mouse.
    int Connect(DamagedStore damaged = DamagedStore::kRefuse);
    // kExitOk when a mouse of the served model is connected, else the no-mouse message and 1.
    int RequireMouse();
    // RequireMouse, then ReadDeviceData into the active profile.
    int ReadMouse();

    // A failure the user must see: message on stderr (and as {"error":...} with --json); 1.
    int Fail(const std::string& message) const;

    const GlobalOptions& options() const { return options_; }
    const Catalogue& catalogue() const { return catalogue_; }
    int device_type() const { return device_type_; }
    const std::string& model_name() const { return model_name_; }
    const std::string& file_stem() const { return file_stem_; }
    // Whether the served model's description gives it lighting.
    bool HasLighting() const;
    DriverComm& comm() { return comm_; }
    ProfileStore& store();
    DeviceState& state() { return *state_; }
    DeviceProtocol& protocol() { return *protocol_; }
    const std::optional<BatteryInfo>& battery() const { return battery_; }
    // Every supported interface the last scan opened, of every model.
    const std::vector<DeviceRecord>& records() const { return records_; }
    // Supported interfaces the last scan could not open.
    std::vector<UnopenedInterface> UnopenedInterfaces() const;
    // True when the interfaces are real hidraw devices (neither demo nor bridge).
    bool UsesHidraw() const { return hidraw_; }
    // Why the last scan could not reach the devices at all (a bridge peer that is gone, for
    // example), naming the setting that chose that way; empty when it could.
    std::string BackendFailure() const;

    // Frames written to the mouse since the last call, oldest first.
    std::vector<std::vector<std::uint8_t>> TakeWrites();
    // Adds the frames written since the last TakeWrites as "sent" (JSON) or prints them
    // (--verbose).
    void ReportWrites(Json& result);

    // Reloads the profile list after the store was recreated.
    void ReloadProfiles();
    std::string ModelName(int device_type) const;
    std::string ProfileName(int profile_id) const;
    // (profile id, display name) in table order.
    const std::vector<std::pair<int, std::string>>& profiles() const { return profile_names_; }

  private:
    int TakeWindowModel();
    int UnknownDeviceType() const;
    void MakeProtocol();
    void TakeProfiles(const ProfileList& list);

    GlobalOptions options_;
    Catalogue catalogue_;
    int device_type_ = 0;
    std::string model_name_;
    std::string file_stem_;
    WindowHost* host_;
    DriverComm& comm_;
    DeviceState own_state_;
    // The window's working state for a command it carries out, else own_state_.
    DeviceState* state_;
    std::unique_ptr<DeviceProtocol> protocol_;
    std::optional<BatteryInfo> battery_;
    std::vector<DeviceRecord> records_;
    std::shared_ptr<TrafficTap> tap_;
    std::vector<std::pair<int, std::string>> profile_names_;
    bool hidraw_ = false;
};

// The upload slots of the stored macros, as the button codes name them.
MacroSlotTable MacroSlotsOf(ProfileStore& store);

// Command handlers, one group per file.
int RunCatalogue(const GlobalOptions& options, const Args& args);
int RunDevices(const GlobalOptions& options, const Args& args);
int RunStatus(const GlobalOptions& options, const Args& args);
int RunReset(const GlobalOptions& options, const Args& args);
int RunGet(const GlobalOptions& options, const Args& args);
int RunSet(const GlobalOptions& options, const Args& args);
int RunDpi(const GlobalOptions& options, const Args& args);
int RunRate(const GlobalOptions& options, const Args& args);
int RunProfile(const GlobalOptions& options, const Args& args);
int RunKeys(const GlobalOptions& options, const Args& args);
int RunMacros(const GlobalOptions& options, const Args& args);
int RunLighting(const GlobalOptions& options, const Args& args);
int RunUpdate(const GlobalOptions& options, const Args& args);

}  // namespace veltra::cli
