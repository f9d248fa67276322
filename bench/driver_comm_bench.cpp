#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "device/driver_comm.h"

namespace veltra {
namespace {

// A mouse that answers status and config requests at once, in the standard or short form.
class InstantMouse : public HidDevice {
  public:
    explicit InstantMouse(int output_report_length) : length_(output_report_length) {}

    int Write(std::span<const std::uint8_t> data) override {
        if (data.size() > 3 && data[3] <= 0x01) {
            std::uint8_t* p = answer_.data();
            std::fill(answer_.begin(), answer_.end(), 0);
            const bool short_form = length_ == DriverComm::kShortFormLength;
            if (short_form) {
                *p++ = 0x06;
            }
            p[0] = 0x55;
            p[1] = 0xAA;
            p[2] = data[3];
            p[3] = data[3] == 0 ? 0x1C : 0x20;
            p[4] = 0x80;
            p[5] = 64;
            p[23] = 0x1F;
            pending_ = short_form ? 49 : 64;
        }
        return static_cast<int>(data.size());
    }

    int Read(std::span<std::uint8_t> buffer, int) override {
        const std::size_t n = std::min<std::size_t>(pending_, buffer.size());
        std::memcpy(buffer.data(), answer_.data(), n);
        pending_ = 0;
        return static_cast<int>(n);
    }

    int OutputReportLength() const override { return length_; }

  private:
    int length_;
    std::array<std::uint8_t, 65> answer_{};
    std::size_t pending_ = 0;
};

class InstantBackend : public HidBackend {
  public:
    explicit InstantBackend(std::vector<HidInterfaceInfo> interfaces)
        : interfaces_(std::move(interfaces)) {}
    std::vector<HidInterfaceInfo> Enumerate() override { return interfaces_; }
    std::unique_ptr<HidDevice> Open(const std::string& path) override {
        for (const HidInterfaceInfo& i : interfaces_) {
            if (i.path == path) {
                return std::make_unique<InstantMouse>(i.output_report_length);
            }
        }
        return nullptr;
    }

  private:
    std::vector<HidInterfaceInfo> interfaces_;
};

HidInterfaceInfo Info(int n, std::uint16_t pid, std::uint16_t page, std::uint16_t usage,
                      int length = 65) {
    HidInterfaceInfo info;
    info.path = "/dev/hidraw" + std::to_string(n);
    info.vendor_id = 0x1A2B;
    info.product_id = pid;
    info.usage_page = page;
    info.usage = usage;
    info.output_report_length = length;
    return info;
}

std::unique_ptr<DriverComm> MakeComm(std::vector<HidInterfaceInfo> interfaces, bool real_sleep) {
    auto comm = std::make_unique<DriverComm>(std::make_unique<InstantBackend>(interfaces));
    if (!real_sleep) {
        comm->SetSleeper([](std::chrono::milliseconds) {});
    }
    comm->AddDevice(0x1A2B, 0x00FF, "", 1, ConnectionMode::Wired);
    comm->AddDevice(0x1A2B, 0x00FE, "", 1, ConnectionMode::Receiver);
    comm->EnumerateDevice();
    comm->SetCurrentDeviceType(1);
    return comm;
}

void Exchange(benchmark::State& state, int output_report_length, bool real_sleep) {
    auto comm = MakeComm({Info(0, 0x00FF, 0x00C0, 0x0001, output_report_length)}, real_sleep);
    for (auto _ : state) {
        Frame frame{};
        frame[1] = 0x55;
        frame[2] = 0xAA;
        frame[3] = 0x00;
        if (comm->SetDeviceData(frame, true) != ExchangeResult::Answered) {
            state.SkipWithError("exchange failed");
            break;
        }
        benchmark::DoNotOptimize(frame);
    }
}

void BM_MatchedReadExchange(benchmark::State& state) {
    Exchange(state, 65, false);
}
void BM_MatchedReadExchangeShortForm(benchmark::State& state) {
    Exchange(state, 49, false);
}
void BM_MatchedReadExchangeRealSleep(benchmark::State& state) {
    Exchange(state, 65, true);
}

// Eight interfaces: three wired mouse interfaces, two vendor (Bluetooth) ones, one receiver
// whose mouse answers the probe, one unsupported and one supported pair on a keyboard usage.
void BM_FullScan8(benchmark::State& state) {
    auto comm = MakeComm({Info(0, 0x00FF, 0x00C0, 0x0001), Info(1, 0x00FF, 0x00C0, 0x0001, 49),
                          Info(2, 0x00FF, 0x00C0, 0x0001), Info(3, 0x00FF, 0xFF00, 0x000E),
                          Info(4, 0x00FE, 0xFF00, 0x000E), Info(5, 0x00FE, 0x00C0, 0x0001),
                          Info(6, 0x1111, 0x00C0, 0x0001), Info(7, 0x00FF, 0x0001, 0x0006)},
                         false);
    for (auto _ : state) {
        comm->CloseAll();
        comm->EnumerateDevice();
        comm->SetCurrentDeviceType(1);
        benchmark::DoNotOptimize(comm->GetConnectionMode());
    }
}

BENCHMARK(BM_MatchedReadExchange);
BENCHMARK(BM_MatchedReadExchangeShortForm);
BENCHMARK(BM_MatchedReadExchangeRealSleep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullScan8);

}  // namespace
}  // namespace veltra
