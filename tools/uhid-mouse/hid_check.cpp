// hid-check: drives one mouse interface through hidapi the way the device link does, and
// checks what the real kernel stack makes of it. Used inside the kernel test guest.

#include <hidapi/hidapi.h>
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"

namespace {

// Enumeration and removal are asynchronous in the kernel; each wait polls this many times.
constexpr int kPolls = 100;
constexpr useconds_t kPollPauseUs = 50'000;
constexpr int kReadAttempts = 20;
constexpr int kReadTimeoutMs = 100;

struct Options {
    unsigned short vid = 0;
    unsigned short pid = 0;
    unsigned short usage_page = 0;
    unsigned short usage = 0;
    std::uint8_t report_id = 0;
    std::size_t report_size = 64;
    pid_t dpi_pid = 0;
    pid_t replug_pid = 0;
};

int failures = 0;

void Check(bool ok, const char* what) {
    std::printf("hid-check: %s %s\n", ok ? "ok  " : "FAIL", what);
    if (!ok) {
        ++failures;
    }
}

using veltra::ParseInteger;

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view flag = argv[i];
        const std::string_view value = argv[i + 1];
        const auto n = ParseInteger<long>(value, 0);
        // Process ids may exceed 16 bits; every other value is a 16-bit field.
        const bool pid = flag == "--dpi-pid" || flag == "--replug-pid";
        if (!n || *n < 0 || (!pid && *n > 0xFFFF) || *n > INT32_MAX) {
            return std::nullopt;
        }
        const auto u16 = static_cast<unsigned short>(*n);
        if (flag == "--vid") {
            o.vid = u16;
        } else if (flag == "--pid") {
            o.pid = u16;
        } else if (flag == "--usage-page") {
            o.usage_page = u16;
        } else if (flag == "--usage") {
            o.usage = u16;
        } else if (flag == "--report-id" && *n <= 0xFF) {
            o.report_id = static_cast<std::uint8_t>(*n);
        } else if (flag == "--report-size" && *n >= 24 && *n <= 64) {
            o.report_size = static_cast<std::size_t>(*n);
        } else if (flag == "--dpi-pid") {
            o.dpi_pid = static_cast<pid_t>(*n);
        } else if (flag == "--replug-pid") {
            o.replug_pid = static_cast<pid_t>(*n);
        } else {
            return std::nullopt;
        }
    }
    if (argc % 2 == 0 || o.vid == 0 || o.pid == 0) {
        return std::nullopt;
    }
    return o;
}

// Waits for the interface to show up; its path, or empty.
std::string FindInterface(const Options& o) {
    for (int poll = 0; poll < kPolls; ++poll) {
        hid_device_info* list = hid_enumerate(o.vid, o.pid);
        std::string path;
        for (auto* d = list; d != nullptr; d = d->next) {
            std::printf(
                "hid-check: found %s %04x:%04x release %04x usage %04x:%04x interface %d bus %d\n",
                d->path, d->vendor_id, d->product_id, d->release_number, d->usage_page, d->usage,
                d->interface_number, static_cast<int>(d->bus_type));
            if (path.empty() && d->usage_page == o.usage_page && d->usage == o.usage) {
                path = d->path;
            }
        }
        const bool any = list != nullptr;
        hid_free_enumeration(list);
        if (any) {
            return path;
        }
        usleep(kPollPauseUs);
    }
    return {};
}

bool Gone(const Options& o) {
    for (int poll = 0; poll < kPolls; ++poll) {
        hid_device_info* list = hid_enumerate(o.vid, o.pid);
        hid_free_enumeration(list);
        if (list == nullptr) {
            return true;
        }
        usleep(kPollPauseUs);
    }
    return false;
}

// One input report with the report id removed: the 64-byte payload, zero padded. Reports
// must be exactly as long as the interface declares.
std::optional<std::vector<std::uint8_t>> ReadPayload(hid_device* dev, const Options& o) {
    std::vector<std::uint8_t> buf(o.report_size + 1);
    const int n = hid_read_timeout(dev, buf.data(), buf.size(), kReadTimeoutMs);
    if (n <= 0) {
        return std::nullopt;
    }
    const std::size_t offset = o.report_id != 0 ? 1 : 0;
    if (static_cast<std::size_t>(n) != o.report_size + offset ||
        (offset == 1 && buf[0] != o.report_id)) {
        std::printf("hid-check: unexpected report of %d bytes, first byte %02x\n", n, buf[0]);
        return std::vector<std::uint8_t>{};
    }
    std::vector<std::uint8_t> payload(buf.begin() + static_cast<std::ptrdiff_t>(offset),
                                      buf.begin() + n);
    payload.resize(64, 0);
    return payload;
}

// Reads until a report with header 0x55 `marker` `command` arrives.
std::optional<std::vector<std::uint8_t>> Await(hid_device* dev, const Options& o,
                                               std::uint8_t marker, std::uint8_t command) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        const auto payload = ReadPayload(dev, o);
        if (payload && payload->size() == 64 && (*payload)[0] == 0x55 && (*payload)[1] == marker &&
            (*payload)[2] == command) {
            return payload;
        }
    }
    return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> Exchange(hid_device* dev, const Options& o,
                                                  std::uint8_t command) {
    std::vector<std::uint8_t> frame(o.report_size + 1, 0);
    frame[0] = o.report_id;
    frame[1] = 0x55;
    frame[2] = 0xAA;
    frame[3] = command;
    if (hid_write(dev, frame.data(), frame.size()) != static_cast<int>(frame.size())) {
        return std::nullopt;
    }
    return Await(dev, o, 0xAA, command);
}

void CheckExchanges(hid_device* dev, const Options& o, std::uint8_t* active_level) {
    const auto status = Exchange(dev, o, 0x00);
    Check(status && (*status)[3] == 0x1C,
          o.report_id != 0 ? "status request answered in a numbered short-form report"
                           : "status request answered in a 64-byte report");
    const auto config = Exchange(dev, o, 0x01);
    Check(config && ((*config)[3] == 0x20 || (*config)[3] == 0x21) && (*config)[23] != 0,
          "config request answered with an enable mask");
    if (config && active_level != nullptr) {
        *active_level = (*config)[4] >> 5;
    }
}

int Run(const Options& o) {
    if (hid_init() != 0) {
        std::puts("hid-check: FAIL hid_init");
        return 1;
    }
    std::string path = FindInterface(o);
    Check(!path.empty(), "interface enumerated with the expected usage page and usage");
    if (path.empty()) {
        return 1;
    }
    hid_device* dev = hid_open_path(path.c_str());
    Check(dev != nullptr, "interface opened");
    if (dev == nullptr) {
        return 1;
    }
    std::uint8_t level = 0;
    CheckExchanges(dev, o, &level);

    if (o.dpi_pid != 0) {
        Check(kill(o.dpi_pid, SIGUSR1) == 0, "DPI button pressed");
        const auto note = Await(dev, o, 0xBB, 0x01);
        Check(note && ((*note)[4] >> 5) != level, "DPI notification names a new level");
    }

    if (o.replug_pid != 0) {
        Check(kill(o.replug_pid, SIGUSR2) == 0, "unplug requested");
        std::vector<std::uint8_t> buf(o.report_size + 1);
        int n = 0;
        for (int attempt = 0; attempt < kPolls && n >= 0; ++attempt) {
            n = hid_read_timeout(dev, buf.data(), buf.size(), kReadTimeoutMs);
        }
        Check(n < 0, "read fails once the device is unplugged");
        hid_close(dev);
        dev = nullptr;
        Check(Gone(o), "interface left the enumeration");
        path = FindInterface(o);
        Check(!path.empty(), "interface enumerated again after plug");
        if (!path.empty()) {
            dev = hid_open_path(path.c_str());
            Check(dev != nullptr, "interface opened again");
        }
        if (dev != nullptr) {
            CheckExchanges(dev, o, nullptr);
        }
    }
    if (dev != nullptr) {
        hid_close(dev);
    }
    hid_exit();
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const auto options = ParseOptions(argc, argv);
    if (!options) {
        std::fputs(
            "usage: hid-check --vid HEX --pid HEX --usage-page HEX --usage HEX\n"
            "                 [--report-id N] [--report-size N] [--dpi-pid PID]"
            " [--replug-pid PID]\n",
            stderr);
        return 2;
    }
    return Run(*options);
}
