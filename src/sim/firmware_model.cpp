#include "sim/firmware_model.h"

#include <algorithm>

namespace veltra::sim {

namespace {

constexpr std::uint8_t kMagic0 = 0x55;
constexpr std::uint8_t kMagic1 = 0xAA;

constexpr std::uint8_t kReadStatus = 0x00;
constexpr std::uint8_t kReadConfig = 0x01;
constexpr std::uint8_t kWriteConfig = 0x02;
constexpr std::uint8_t kRestart = 0x03;
constexpr std::uint8_t kFactoryReset = 0x04;
constexpr std::uint8_t kMacroChunk = 0x06;

constexpr std::uint8_t kStatusLength = 0x1C;
constexpr std::uint8_t kChunkLength = 0x06;
constexpr int kChunkData = 58;

// Config block positions.
constexpr int kModeByte = 4;
constexpr int kPowerByte = 5;
constexpr int kKeyMaskByte = 6;
constexpr int kKeySlotByte = 7;
constexpr int kEnableMaskByte = 23;
constexpr int kColourPlaneByte = 24;
constexpr int kDpiByte = 28;

// What the sensor and firmware report beside the battery; the host keeps it without reading it.
constexpr std::array<std::uint8_t, 3> kStatusTail = {0x01, 0x05, 0x33};

constexpr std::array<int, kDpiLevels> kFactoryColours = {1, 2, 3, 6, 8, 11, 13, 0};
constexpr std::array<std::uint8_t, kDpiLevels> kFactoryDpiCodes = {8, 16, 32, 48, 64, 96, 128, 100};

bool HasHeader(std::span<const std::uint8_t> payload) {
    return payload.size() >= 4 && payload[0] == kMagic0 && payload[1] == kMagic1;
}

}  // namespace

FirmwareModel::FirmwareModel(FirmwareOptions options)
    : options_(options), config_(FactoryConfigBlock(options.config_length)) {}

Payload FirmwareModel::FactoryConfigBlock(std::uint8_t config_length) {
    Payload block{};
    block[0] = kMagic0;
    block[1] = kMagic1;
    block[2] = kReadConfig;
    block[3] = config_length;
    // Level 1 active, idle light code 2, 1000 Hz; sleep code 1 with the lighting on.
    block[kModeByte] = (1 << 5) | (2 << 2) | 0;
    block[kPowerByte] = (1 << 2) | 1;
    const std::array<std::uint8_t, 4> calibration = {0x03, 0x00, 0x10, 0x01};
    std::copy(calibration.begin(), calibration.end(), block.begin() + 19);
    block[kEnableMaskByte] = 0x1F;
    for (int level = 0; level < kDpiLevels; ++level) {
        for (int plane = 0; plane < 4; ++plane) {
            if ((kFactoryColours[level] >> plane) & 1) {
                block[kColourPlaneByte + plane] |= static_cast<std::uint8_t>(1 << level);
            }
        }
        block[kDpiByte + level] = kFactoryDpiCodes[level];
    }
    // Sensor tuning the host never interprets but must carry over unchanged.
    for (std::size_t i = 36; i < kPayloadSize - 1; ++i) {
        block[i] = static_cast<std::uint8_t>(i);
    }
    return block;
}

std::vector<Payload> FirmwareModel::Receive(std::span<const std::uint8_t> payload) {
    payload = payload.first(std::min(payload.size(), kPayloadSize));
    if (options_.record_frames) {
        received_.emplace_back(payload.begin(), payload.end());
    }
    if (!HasHeader(payload)) {
        ++rejected_;
        return {};
    }
    const std::uint8_t command = payload[2];
    switch (command) {
        case kReadStatus:
            return {StatusBlock()};
        case kReadConfig:
            return {config_};
        case kWriteConfig:
            ++config_writes_;
            ApplyConfigWrite(payload);
            break;
        case kRestart:
            ++restarts_;
            break;
        case kFactoryReset:
            FactoryReset();
            break;
        case kMacroChunk:
            ApplyMacroChunk(payload);
            break;
        default:
            ++rejected_;
            return {};
    }
    if (options_.acknowledge_writes) {
        return {Acknowledgement(command)};
    }
    return {};
}

std::vector<Payload> FirmwareModel::ReceiveViaReceiver(std::span<const std::uint8_t> payload) {
    if (!asleep_) {
        return Receive(payload);
    }
    if (!HasHeader(payload) || (payload[2] != kReadStatus && payload[2] != kReadConfig)) {
        return {};
    }
    Payload answer;
    answer.fill(0xFF);
    answer[0] = kMagic0;
    answer[1] = kMagic1;
    answer[2] = payload[2];
    answer[3] = payload[2] == kReadStatus ? kStatusLength : options_.config_length;
    return {answer};
}

Payload FirmwareModel::StatusBlock() const {
    Payload block{};
    block[0] = kMagic0;
    block[1] = kMagic1;
    block[2] = kReadStatus;
    block[3] = kStatusLength;
    block[4] =
        static_cast<std::uint8_t>((external_power_ ? 0x80 : 0) | (charge_complete_ ? 0x40 : 0));
    block[5] = battery_level_;
    std::copy(kStatusTail.begin(), kStatusTail.end(), block.begin() + 6);
    return block;
}

int FirmwareModel::ReportRateCode() const {
    return config_[kModeByte] & 3;
}
int FirmwareModel::IdleLightCode() const {
    return (config_[kModeByte] >> 2) & 7;
}
int FirmwareModel::ActiveDpiLevel() const {
    return config_[kModeByte] >> 5;
}
int FirmwareModel::SleepCode() const {
    return config_[kPowerByte] & 3;
}
bool FirmwareModel::LightingEnabled() const {
    return (config_[kPowerByte] >> 2) & 1;
}
bool FirmwareModel::KeyWakeup() const {
    return (config_[kPowerByte] >> 3) & 1;
}
bool FirmwareModel::GameMode() const {
    return (config_[kPowerByte] >> 4) & 1;
}
std::uint8_t FirmwareModel::KeyMask() const {
    return config_[kKeyMaskByte];
}
std::uint8_t FirmwareModel::DpiEnableMask() const {
    return config_[kEnableMaskByte];
}

std::array<std::uint8_t, 2> FirmwareModel::KeySlot(int slot) const {
    if (slot < 0 || slot >= kKeySlots) {
        return {0, 0};
    }
    return {config_[kKeySlotByte + 2 * slot], config_[kKeySlotByte + 2 * slot + 1]};
}

int FirmwareModel::ColourIndex(int level) const {
    if (level < 0 || level >= kDpiLevels) {
        return 0;
    }
    int index = 0;
    for (int plane = 0; plane < 4; ++plane) {
        index |= ((config_[kColourPlaneByte + plane] >> level) & 1) << plane;
    }
    return index;
}

int FirmwareModel::DpiValue(int level) const {
    if (level < 0 || level >= kDpiLevels) {
        return 0;
    }
    return config_[kDpiByte + level] * (level == kDpiLevels - 1 ? 100 : 50);
}

void FirmwareModel::SetPower(bool external_power, bool charge_complete) {
    external_power_ = external_power;
    charge_complete_ = charge_complete;
}

Payload FirmwareModel::PressDpiButton() {
    asleep_ = false;
    const int current = ActiveDpiLevel();
    for (int step = 1; step <= kDpiLevels; ++step) {
        const int level = (current + step) % kDpiLevels;
        if ((DpiEnableMask() >> level) & 1) {
            config_[kModeByte] =
                static_cast<std::uint8_t>((config_[kModeByte] & 0x1F) | (level << 5));
            break;
        }
    }
    return Notification();
}

Payload FirmwareModel::ChangeReportRate(int code) {
    asleep_ = false;
    config_[kModeByte] = static_cast<std::uint8_t>((config_[kModeByte] & ~3) | (code & 3));
    return Notification();
}

void FirmwareModel::ReplaceConfigBlock(const Payload& block) {
    std::copy(block.begin() + 4, block.end(), config_.begin() + 4);
}

Payload FirmwareModel::Notification() const {
    Payload report{};
    report[0] = kMagic0;
    report[1] = options_.notification_marker;
    report[2] = kReadConfig;
    report[4] = config_[kModeByte];
    return report;
}

Payload FirmwareModel::Acknowledgement(std::uint8_t command) const {
    Payload report{};
    report[0] = kMagic0;
    report[1] = kMagic1;
    report[2] = command;
    return report;
}

void FirmwareModel::ApplyConfigWrite(std::span<const std::uint8_t> payload) {
    const std::uint8_t length = payload[3];
    if (length != 0x20 && length != 0x21) {
        ++rejected_;
        return;
    }
    // Only the announced data bytes count; a short-form report may not even carry all of them.
    const std::size_t end = std::min<std::size_t>(4 + length, payload.size());
    const std::uint8_t enable_mask = config_[kEnableMaskByte];
    std::copy(payload.begin() + 4, payload.begin() + static_cast<std::ptrdiff_t>(end),
              config_.begin() + 4);
    config_[kPowerByte] &= 0x1F;
    // A cycle without any level would leave the DPI button nothing to select.
    if (config_[kEnableMaskByte] == 0) {
        config_[kEnableMaskByte] = enable_mask;
    }
}

void FirmwareModel::ApplyMacroChunk(std::span<const std::uint8_t> payload) {
    if (payload.size() < 6 || payload[3] != kChunkLength) {
        ++rejected_;
        return;
    }
    const std::uint8_t low = payload[4];
    const std::uint8_t high = payload[5];
    const auto data = payload.subspan(6);
    auto store = [this, data](int offset, int count) {
        if (offset >= static_cast<int>(kMacroBufferSize)) {
            return;
        }
        const auto n = std::min({static_cast<std::size_t>(count), data.size(),
                                 kMacroBufferSize - static_cast<std::size_t>(offset)});
        std::copy_n(data.begin(), n, macro_.begin() + offset);
    };

    // Offset 0 always opens a new upload: the image is rebuilt from scratch.
    if (low == 0 && high == 0) {
        macro_.fill(0);
        upload_ = MacroUploadState{true, false, 1, 0};
        store(0, kChunkData);
        return;
    }
    const int offset = kChunkData * upload_.chunks;
    if (!upload_.in_progress || low != (offset & 0xFF)) {
        ++rejected_;
        upload_.in_progress = false;
        return;
    }
    // The last chunk replaces the offset's high byte by its valid-byte count; chunks come in
    // order, so the expected offset tells the two apart (except where they coincide, where the
    // chunk is taken as a full one).
    if (high == (offset >> 8)) {
        store(offset, kChunkData);
        ++upload_.chunks;
    } else if (high < kChunkData) {
        store(offset, high);
        ++upload_.chunks;
        upload_.in_progress = false;
        upload_.complete = true;
        upload_.length = offset + high;
    } else {
        ++rejected_;
        upload_.in_progress = false;
    }
}

void FirmwareModel::FactoryReset() {
    config_ = FactoryConfigBlock(options_.config_length);
    macro_.fill(0);
    upload_ = MacroUploadState{};
    ++factory_resets_;
}

}  // namespace veltra::sim
