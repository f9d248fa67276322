#include "device/device_protocol.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "common/text.h"
#include "device/driver_comm.h"
#include "device/macro_upload.h"
#include "settings/key_function.h"
#include "store/profile_store.h"
#include "store/settings_defaults.h"

namespace veltra {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kRetryPause{500};
constexpr milliseconds kResetPause{200};
constexpr milliseconds kReceiverRestartPause{5000};
constexpr milliseconds kChunkPause{10};
constexpr std::size_t kKeyCodeBufferSize = 128;

}  // namespace

DeviceProtocol::DeviceProtocol(DriverComm& comm, ProfileStore& store, DeviceState& state,
                               BatteryDisplay battery_display)
    : comm_(comm), store_(store), state_(state), battery_display_(std::move(battery_display)) {}

bool DeviceProtocol::Exchange(Command command, Frame& answer) {
    answer = BuildCommandFrame(command);
    if (comm_.SetDeviceData(answer, true) == ExchangeResult::Answered) {
        return true;
    }
    if (!comm_.Sleep(kRetryPause)) {
        return false;
    }
    answer = BuildCommandFrame(command);
    return comm_.SetDeviceData(answer, true) == ExchangeResult::Answered;
}

void DeviceProtocol::StoreInt(std::string_view key, int value) {
    if (!store_.SetConfig(state_.active_profile, key, std::to_string(value))) {
        read_stored_ = false;
    }
}

bool DeviceProtocol::ReadDeviceData() {
    read_stored_ = true;
    // The answer's payload starts at frame byte 0 (the exchange drops the report id).
    Frame answer{};
    if (Exchange(Command::ReadStatus, answer)) {
        std::copy(answer.begin() + 4, answer.begin() + 4 + kStatusBlockSize,
                  state_.status_block.begin());
        const BatteryInfo battery = ApplyBatteryRule(state_.status_block);
        if (battery_display_) {
            battery_display_(battery);
        }
    }

    if (!Exchange(Command::ReadConfig, answer) || answer[23] == 0) {
        return false;
    }
    const ConfigFields f = DecodeConfigBlock(std::span<const std::uint8_t>(answer.data(), 64));
    StoreInt(config_key::kReportRate, f.report_rate);
    StoreInt(config_key::kReportRateWireless, f.report_rate);
    StoreInt(config_key::kSleepLight, f.sleep_light);
    StoreInt(config_key::kDpiIndex, f.dpi_index);
    StoreInt(config_key::kSpareTime, f.spare_time);
    StoreInt(config_key::kKeyWakeup, f.key_wakeup);
    StoreInt(config_key::kGameMode, f.game_mode);

    std::copy(answer.begin(), answer.begin() + kConfigTemplateSize, state_.config_template.begin());

    if (answer[6] == 0 && !store_.DeleteKeyAssignments(state_.active_profile)) {
        read_stored_ = false;
    }

    StoreInt(config_key::kDpiFlag, f.dpi_flag);
    for (int i = 0; i < kDpiLevels; ++i) {
        StoreInt(DpiGroupRgbIndexKey(i), f.rgb_index[i]);
        StoreInt(DpiGroupRgbKey(i), static_cast<int>(PaletteColour(f.rgb_index[i])));
    }
    for (int i = 0; i < kDpiLevels; ++i) {
        if (f.dpi_value[i] != 0) {
            StoreInt(DpiGroupValueKey(i), f.dpi_value[i]);
        }
    }
    return true;
}

ConfigFields DeviceProtocol::LoadConfigFields() {
    const auto get = [this](std::string_view key) {
        std::string value;
        store_.GetConfig(state_.active_profile, key, value);
        return static_cast<int>(ParseDecimal(value));
    };
    ConfigFields f;
    f.report_rate = get(config_key::kReportRate);
    f.sleep_light = get(config_key::kSleepLight);
    f.dpi_index = get(config_key::kDpiIndex);
    f.spare_time = get(config_key::kSpareTime);
    f.lightmode = get(config_key::kLightMode);
    f.key_wakeup = get(config_key::kKeyWakeup);
    f.game_mode = get(config_key::kGameMode);
    f.dpi_flag = get(config_key::kDpiFlag);
    for (int i = 0; i < kDpiLevels; ++i) {
        f.rgb_index[i] = get(DpiGroupRgbIndexKey(i));
        f.dpi_value[i] = get(DpiGroupValueKey(i));
    }
    return f;
}

ExchangeResult DeviceProtocol::WriteConfig() {
    Frame frame =
        EncodeSettingsWrite(state_.config_template, LoadConfigFields(), state_.current_device_type);
    return comm_.SetDeviceData(frame, true);
}

ExchangeResult DeviceProtocol::WriteKeys() {
    std::vector<MacroInfo> macros;
    store_.LoadMacros(macros);
    std::vector<int> macro_ids;
    macro_ids.reserve(macros.size());
    for (const MacroInfo& m : macros) {
        macro_ids.push_back(m.macro_id);
    }
    const MacroSlotTable slots(macro_ids);

    std::vector<KeyAssignment> assignments;
    store_.LoadKeyAssignments(state_.active_profile, 0, assignments);
    std::array<std::uint8_t, kKeyCodeBufferSize> codes{};
    for (const KeyAssignment& a : assignments) {
        if (a.key_code < 0 || static_cast<std::size_t>(2 * a.key_code + 1) >= codes.size()) {
            continue;
        }
        const KeyFunction function{static_cast<KeyFunctionType>(a.macro_type), a.macro_value,
                                   a.macro_value2, a.macro_value3, a.macro_desc};
        const KeyFunctionCode code = EncodeKeyFunction(a.key_code, function, slots);
        const std::size_t at = 2 * static_cast<std::size_t>(a.key_code);
        codes[at] = code.class_byte;
        codes[at + 1] = code.code;
        // The rapid-fire parameters spill into the following slot; the protocol has no other
        // place for them.
        if (function.type == KeyFunctionType::RapidFire && at + 3 < codes.size()) {
            codes[at + 2] = code.param1;
            codes[at + 3] = code.param2;
        }
    }
    Frame frame = EncodeKeyWrite(state_.config_template, codes, LoadConfigFields(),
                                 state_.current_device_type);
    return comm_.SetDeviceData(frame, true);
}

ResetOutcome DeviceProtocol::ResetDevice() {
    Frame first = BuildCommandFrame(Command::ResetFirst);
    const ExchangeResult first_result = comm_.SetDeviceData(first, true);
    // The interface is gone or never was: a lone second step would only reach a mouse that
    // missed the first.
    if (!WasSent(first_result)) {
        return {first_result, false};
    }
    // A cancelled pause makes the next exchange end before its write.
    comm_.Sleep(kResetPause);
    Frame second = BuildCommandFrame(Command::ResetSecond);
    const ExchangeResult second_result = comm_.SetDeviceData(second, false);
    if (!WasSent(second_result) || comm_.GetConnectionMode() != ConnectionMode::Receiver) {
        return {second_result, false};
    }
    return {second_result, comm_.Sleep(kReceiverRestartPause)};
}

MacroUploadOutcome DeviceProtocol::UploadMacros() {
    std::vector<MacroInfo> macros;
    store_.LoadMacros(macros);
    std::vector<MacroSource> sources;
    sources.reserve(macros.size());
    for (const MacroInfo& m : macros) {
        MacroSource source;
        source.delay_type = m.delay_type;
        source.delay_time = m.delay_time;
        std::vector<MacroRecord> records;
        store_.LoadMacroRecords(m.macro_id, records);
        std::stable_sort(records.begin(), records.end(),
                         [](const MacroRecord& a, const MacroRecord& b) {
                             return a.record_index < b.record_index;
                         });
        for (const MacroRecord& r : records) {
            source.records.push_back({r.type, r.value, r.desc});
        }
        sources.push_back(std::move(source));
    }
    const MacroImage image = BuildMacroBuffer(sources);
    std::vector<Frame> chunks = BuildMacroChunks(image);
    MacroUploadOutcome outcome;
    outcome.chunks = chunks.size();
    outcome.macros = macros.size();
    outcome.macros_sent = MacrosWithinSendLimit(image);
    for (Frame& chunk : chunks) {
        outcome.result = comm_.SetDeviceData(chunk, true);
        if (!WasSent(outcome.result)) {
            break;
        }
        ++outcome.chunks_sent;
        // A cancelled pause makes the next exchange end before its write.
        comm_.Sleep(kChunkPause);
    }
    return outcome;
}

}  // namespace veltra
