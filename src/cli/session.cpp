#include "cli/session.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "cli/output.h"
#include "cli/traffic_tap.h"
#include "config/device_description.h"
#include "config/language.h"
#include "frontend/device_link.h"
#include "frontend/startup.h"
#include "shell/app_folders.h"
#include "shell/settings_key.h"
#include "store/profile_list.h"
#include "store/profile_store.h"

namespace veltra::cli {
namespace {

constexpr int kProfileWordText = 60;
// The demo mouse answers at once; its reads need not wait as long as a real mouse's.
constexpr double kDemoTimeScale = 0.05;

// What is wrong with the store, and for damage the way out: the reset keeps the old file.
std::string StoreProblem(const std::string& path, const StoreHealth& health) {
    if (!health.damaged()) {
        return "cannot read the profile store " + path + " (" + health.detail + ")";
    }
    std::string what = health.detail;
    if (health.condition == StoreCondition::kEmptyFile) {
        what = "an empty file";
    } else if (health.condition == StoreCondition::kNotADatabase) {
        what = "not a database";
    } else if (health.condition == StoreCondition::kMissingTables) {
        what = "tables missing: " + health.detail;
    }
    return "the profile store " + path + " is damaged (" + what +
           "): run \"veltractl reset --yes\" to recreate it; the damaged file is kept beside it";
}

constexpr const char* kBridgeVariable = "VELTRA_HID_BRIDGE";

thread_local bool json_errors = false;

std::string BridgeSocket() {
    const char* bridge = std::getenv(kBridgeVariable);
    return bridge != nullptr ? bridge : "";
}

bool BridgeSelected() {
    return !BridgeSocket().empty();
}

}  // namespace

void SetJsonErrors(bool on) {
    json_errors = on;
}

int UsageError(std::string_view command, std::string_view message) {
    const std::string name = command.empty() ? "veltractl" : "veltractl " + std::string(command);
    Err("%s: %.*s\nRun \"%s --help\" for %s.\n", name.c_str(), static_cast<int>(message.size()),
        message.data(), name.c_str(), command.empty() ? "the usage" : "its usage");
    if (json_errors) {
        Json error = {{"error", message}};
        if (!command.empty()) {
            error["command"] = command;
        }
        PrintJson(error);
    }
    return kExitUsage;
}

namespace {
thread_local WindowHost* current_host = nullptr;
}  // namespace

WindowHostScope::WindowHostScope(WindowHost& host) {
    current_host = &host;
}

WindowHostScope::~WindowHostScope() {
    current_host = nullptr;
}

WindowHost* CurrentWindowHost() {
    return current_host;
}

std::filesystem::path UserPath(std::string_view name) {
    const std::filesystem::path path{std::string(name)};
    if (current_host == nullptr || path.is_absolute()) {
        return path;
    }
    return current_host->folder / path;
}

Answer Confirm(const GlobalOptions& options, const std::string& question) {
    if (options.yes) {
        return Answer::Yes;
    }
    if (current_host != nullptr) {
        switch (current_host->confirm) {
            case InstanceConfirm::Yes:
                return Answer::Yes;
            case InstanceConfirm::No:
                return Answer::No;
            case InstanceConfirm::None:
                return Answer::NoTerminal;
            case InstanceConfirm::Ask:
                break;
        }
        current_host->question = question;
        return Answer::Asked;
    }
    if (!isatty(STDIN_FILENO)) {
        return Answer::NoTerminal;
    }
    return AskOnTerminal(question) ? Answer::Yes : Answer::No;
}

bool AskOnTerminal(const std::string& question) {
    Out("%s [y/N] ", question.c_str());
    FlushOut();
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

void PrintJson(const Json& value) {
    Out("%s\n", EncodeJson(value).c_str());
}

Json SettingJson(const std::optional<std::string>& text) {
    if (!text) {
        return nullptr;
    }
    if (const std::optional<std::int64_t> number = ParseInteger<std::int64_t>(*text)) {
        return *number;
    }
    return *text;
}

std::string ModeName(ConnectionMode mode) {
    struct Name {
        ConnectionMode mode;
        int text_id;
        const char* fallback;
    };
    static constexpr Name kNames[] = {{ConnectionMode::NotConnected, 50, "not connected"},
                                      {ConnectionMode::Wired, 51, "wired"},
                                      {ConnectionMode::Bluetooth, 53, "Bluetooth"},
                                      {ConnectionMode::Receiver, 52, "receiver"}};
    for (const Name& name : kNames) {
        if (name.mode == mode) {
            const std::string text = GetLangText(name.text_id);
            return text.empty() ? name.fallback : text;
        }
    }
    return "mode " + std::to_string(static_cast<int>(mode));
}

std::string ModeToken(ConnectionMode mode) {
    switch (mode) {
        case ConnectionMode::Wired:
            return "wired";
        case ConnectionMode::Bluetooth:
            return "bluetooth";
        case ConnectionMode::Receiver:
            return "receiver";
        case ConnectionMode::NotConnected:
            break;
    }
    return "not_connected";
}

std::string FrameText(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (const std::uint8_t byte : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, text.empty() ? "%02X" : " %02X", byte);
        text += hex;
    }
    return text;
}

Session::Session(const GlobalOptions& options)
    : options_(options),
      host_(CurrentWindowHost()),
      comm_(host_ != nullptr ? *host_->comm : DriverComm::Instance()),
      state_(host_ != nullptr ? host_->state : &own_state_) {}

Session::~Session() {
    // The window's interfaces stay open for its worker.
    if (host_ == nullptr) {
        comm_.CloseAll();
    }
}

ProfileStore& Session::store() {
    return host_ != nullptr ? *host_->store : ProfileStore::Instance();
}

int Session::LoadConfiguration() {
    if (host_ != nullptr) {
        return TakeWindowModel();
    }
    StartupConfiguration configuration;
    if (!LoadStartupConfiguration(configuration, comm_)) {
        return Fail("no device catalogue in " + configuration.config_file.string());
    }
    catalogue_ = std::move(configuration.catalogue);
    const std::optional<ServedModel> served = ChooseServedModel(catalogue_, options_.device_type);
    if (!served) {
        return UnknownDeviceType();
    }
    device_type_ = served->device_type;
    file_stem_ = served->file_stem;
    model_name_ = served->name;
    state_->current_device_type = device_type_;
    return kExitOk;
}

int Session::UnknownDeviceType() const {
    std::string message =
        "unknown device type " + std::to_string(*options_.device_type) + "; the catalogue knows:";
    for (const DeviceModelEntry& model : catalogue_.models) {
        message += " " + std::to_string(model.device_type) + " (" + model.name + ")";
    }
    return UsageError("", message);
}

int Session::TakeWindowModel() {
    // The window has read its configuration and chosen the language and the model; its worker
    // keeps the catalogue of the device link. Only the catalogue's names are read again here.
    catalogue_ = LoadCatalogue();
    const int served = comm_.CurrentDeviceType();
    const std::optional<ServedModel> model = ChooseServedModel(catalogue_, served);
    if (!model) {
        return Fail("the running window serves no model of the device catalogue");
    }
    if (options_.device_type && !ChooseServedModel(catalogue_, options_.device_type)) {
        return UnknownDeviceType();
    }
    if (options_.device_type && *options_.device_type != served) {
        return Fail("the running window serves the " + model->name + " (device type " +
                    std::to_string(served) +
                    "); choose the model in the window, or add --direct to talk to the mouse "
                    "from here");
    }
    device_type_ = served;
    file_stem_ = model->file_stem;
    model_name_ = model->name;
    return kExitOk;
}

void Session::Scan() {
    if (host_ != nullptr) {
        // The window's worker keeps its interfaces open and current through hot-plug.
        tap_ = host_->tap;
        hidraw_ = host_->hidraw;
        records_ = comm_.AllRecords();
        return;
    }
    tap_ = std::make_shared<TrafficTap>();
    DeviceLinkOptions link_options;
    link_options.demo = options_.demo;
    link_options.device_type = device_type_;
    link_options.demo_time_scale = kDemoTimeScale;
    DeviceLink link = MakeDeviceLink(catalogue_, link_options);
    hidraw_ = link.kind == DeviceLinkKind::Platform;
    comm_.SetBackend(MakeTapBackend(std::move(link.backend), tap_));

    comm_.CloseAll();
    comm_.EnumerateDevice();
    comm_.SetCurrentDeviceType(0);
    records_.clear();
    comm_.CollectRecords(records_);
    comm_.SetCurrentDeviceType(device_type_);
}

int Session::OpenStore(DamagedStore damaged) {
    if (host_ != nullptr) {
        // The window's store is open on its model's file already, unless it could not be.
        if (!store().IsOpen()) {
            return Fail("the running window has no profile store of the " + model_name_ +
                        " open; see its window for why");
        }
        ReloadProfiles();
        MakeProtocol();
        return kExitOk;
    }
    const StoreOpening opening = OpenServedStore(store(), {device_type_, model_name_, file_stem_},
                                                 GetLangText(kProfileWordText));
    switch (opening.result) {
        case StoreOpenResult::CannotOpen:
            return Fail("cannot open the profile store " + opening.path.string());
        case StoreOpenResult::Unhealthy:
            if (damaged == DamagedStore::kRefuse) {
                return Fail(StoreProblem(store().Path(), opening.health));
            }
            break;
        case StoreOpenResult::NoProfiles:
            return Fail("the profile store " + store().Path() + " holds no profiles");
        case StoreOpenResult::Opened:
            TakeProfiles(opening.profiles);
            break;
    }
    MakeProtocol();
    return kExitOk;
}

void Session::MakeProtocol() {
    protocol_ = std::make_unique<DeviceProtocol>(
        comm_, store(), *state_, [this](const BatteryInfo& battery) { battery_ = battery; });
}

void Session::ReloadProfiles() {
    TakeProfiles(LoadProfileList(store(), GetLangText(kProfileWordText)));
}

void Session::TakeProfiles(const ProfileList& list) {
    state_->active_profile = list.active_profile;
    profile_names_.clear();
    for (const ProfileListEntry& entry : list.entries) {
        profile_names_.emplace_back(entry.profile_id, entry.display_name);
    }
}

int Session::Connect(DamagedStore damaged) {
    if (const int code = LoadConfiguration(); code != kExitOk) {
        return code;
    }
    Scan();
    return OpenStore(damaged);
}

int Session::RequireMouse() {
    if (comm_.GetConnectionMode() != ConnectionMode::NotConnected) {
        return kExitOk;
    }
    if (const std::string failure = BackendFailure(); !failure.empty()) {
        return Fail(failure);
    }
    std::string message = "no supported mouse is connected";
    if (comm_.GetAttachedMode() != ConnectionMode::NotConnected) {
        message = "the " + model_name_ + " behind its receiver does not answer (is it asleep?)";
    }
    message += " (serving " + model_name_ + ", device type " + std::to_string(device_type_) + ")";
    for (const DeviceRecord& record : records_) {
        if (record.device_type != device_type_) {
            message += "\na " + ModelName(record.device_type) +
                       " is connected: use --device-type " + std::to_string(record.device_type);
            break;
        }
    }
    if (!UnopenedInterfaces().empty()) {
        message += "\nsome interfaces could not be opened: run \"veltractl devices\" for details";
    }
    message += "\nsupported models:";
    for (const DeviceModelEntry& model : catalogue_.models) {
        message += "\n  " + model.name + " (device type " + std::to_string(model.device_type) + ")";
        for (const DeviceModelEntry& mode : catalogue_.modes) {
            if (mode.device_type == model.device_type && mode.name == model.name) {
                char pair[16];
                std::snprintf(pair, sizeof pair, " %04X:%04X", mode.vid & 0xFFFF,
                              mode.pid & 0xFFFF);
                message += pair;
            }
        }
    }
    message += "\nto try the program without a mouse, add --demo";
    return Fail(message);
}

int Session::ReadMouse() {
    if (const int code = RequireMouse(); code != kExitOk) {
        return code;
    }
    if (!protocol().ReadDeviceData()) {
        return Fail("the " + model_name_ + " did not answer the settings read (" +
                    ModeName(comm_.GetConnectionMode()) + ")");
    }
    if (!protocol().ReadStored()) {
        // Going on would show, or write back, settings the mouse no longer has.
        return Fail("the " + model_name_ + " was read, but the profile store " + store().Path() +
                    " cannot store its settings (is it read-only?); nothing was changed");
    }
    return kExitOk;
}

int Session::Fail(const std::string& message) const {
    Err("veltractl: %s\n", message.c_str());
    if (options_.json) {
        PrintJson({{"error", message}});
    }
    return kExitFailure;
}

std::string Session::BackendFailure() const {
    const std::string failure = tap_ ? tap_->BackendFailure() : "";
    if (failure.empty() || !BridgeSelected()) {
        return failure;
    }
    return std::string("the HID bridge ") + kBridgeVariable + "=" + BridgeSocket() +
           " cannot be used: " + failure + "\nstart the bridge peer on that socket, or unset " +
           kBridgeVariable + " to use the HID devices of this computer";
}

std::vector<UnopenedInterface> Session::UnopenedInterfaces() const {
    std::vector<UnopenedInterface> result;
    if (!tap_) {
        return result;
    }
    for (const HidInterfaceInfo& info : tap_->FailedOpens()) {
        if (comm_.IsSupported(info.vendor_id, info.product_id)) {
            result.push_back({info.path, info.vendor_id, info.product_id});
        }
    }
    return result;
}

std::vector<std::vector<std::uint8_t>> Session::TakeWrites() {
    return tap_ ? tap_->TakeWrites() : std::vector<std::vector<std::uint8_t>>{};
}

void Session::ReportWrites(Json& result) {
    Json sent = Json::array();
    for (const std::vector<std::uint8_t>& frame : TakeWrites()) {
        if (options_.verbose && !options_.json) {
            Out("sent: %s\n", FrameText(frame).c_str());
        }
        sent.push_back(FrameText(frame));
    }
    result["sent"] = std::move(sent);
}

std::string Session::ModelName(int device_type) const {
    return veltra::ModelName(catalogue_, device_type);
}

bool Session::HasLighting() const {
    const std::optional<DeviceDescription> description =
        ReadDeviceDescription(DeviceDescriptionPath(ProgramFolder(), file_stem_));
    return description && description->lighting.value_or(false);
}

std::string Session::ProfileName(int profile_id) const {
    for (const auto& [id, name] : profile_names_) {
        if (id == profile_id) {
            return name;
        }
    }
    return {};
}

}  // namespace veltra::cli
