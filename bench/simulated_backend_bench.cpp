#include <benchmark/benchmark.h>

#include <vector>

#include "sim/simulated_backend.h"

namespace {

using veltra::sim::BackendOptions;
using veltra::sim::Link;
using veltra::sim::SimulatedBackend;

// One status exchange as a host does it on a cable mouse that answers at once.
void BM_StatusExchange(benchmark::State& state) {
    SimulatedBackend backend(BackendOptions{.time_scale = 0, .record_traffic = false});
    const int mouse = backend.AddMouse(veltra::sim::FirmwareOptions{.record_frames = false});
    auto device = backend.Open(backend.ProtocolPath(backend.Plug(mouse, Link::Wired, 0x1A2B, 1)));
    std::vector<std::uint8_t> frame(65, 0);
    frame[1] = 0x55;
    frame[2] = 0xAA;
    std::vector<std::uint8_t> buffer(65);
    for (auto _ : state) {
        device->Write(frame);
        benchmark::DoNotOptimize(device->Read(buffer, 100));
    }
}
BENCHMARK(BM_StatusExchange);

// Enumerating and opening every interface of four plugged devices (twelve interfaces).
void BM_EnumerateAndOpen(benchmark::State& state) {
    SimulatedBackend backend(BackendOptions{.time_scale = 0, .record_traffic = false});
    const int mouse = backend.AddMouse();
    for (std::uint16_t pid = 1; pid <= 4; ++pid) {
        backend.Plug(mouse, pid % 2 ? Link::Wired : Link::Receiver, 0x1A2B, pid);
    }
    for (auto _ : state) {
        for (const auto& info : backend.Enumerate()) {
            benchmark::DoNotOptimize(backend.Open(info.path));
        }
    }
}
BENCHMARK(BM_EnumerateAndOpen);

}  // namespace
