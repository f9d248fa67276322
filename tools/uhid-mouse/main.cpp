// uhid-mouse: presents one interface of a mouse of the family to the kernel through /dev/uhid,
// for tests of the real HID stack.
//
//   SIGUSR1  press the DPI button (the mouse sends its notification)
//   SIGUSR2  unplug, then plug again after --replug-ms
//   SIGTERM  unplug and exit 0
//
// With --frames-out every payload the mouse receives is written there as a line of hex.

#include <fcntl.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "common/text.h"
#include "interface_kind.h"
#include "responder.h"
#include "uhid_mouse.h"

namespace {

using namespace veltra::uhid;
using Clock = std::chrono::steady_clock;

struct Options {
    InterfaceKind kind = InterfaceKind::Wired;
    DeviceIdentity identity;
    int replug_ms = 1000;
    std::string frames_out;
};

void Usage() {
    std::fputs(
        "usage: uhid-mouse --vid HEX --pid HEX [--kind wired|short|bluetooth]\n"
        "                  [--release HEX] [--bus usb|bluetooth] [--phys TEXT] [--name TEXT]\n"
        "                  [--replug-ms N] [--frames-out PATH]\n",
        stderr);
}

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options o;
    bool have_vid = false;
    bool have_pid = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view flag = argv[i];
        if (i + 1 >= argc) {
            return std::nullopt;
        }
        const std::string_view value = argv[++i];
        if (flag == "--kind") {
            const auto kind = ParseInterfaceKind(value);
            if (!kind) {
                return std::nullopt;
            }
            o.kind = *kind;
        } else if (flag == "--vid" || flag == "--pid" || flag == "--release") {
            const auto n = veltra::ParseInteger<std::uint16_t>(value, 16);
            if (!n) {
                return std::nullopt;
            }
            if (flag == "--vid") {
                o.identity.vendor_id = *n;
                have_vid = true;
            } else if (flag == "--pid") {
                o.identity.product_id = *n;
                have_pid = true;
            } else {
                o.identity.release = *n;
            }
        } else if (flag == "--bus") {
            if (value == "usb") {
                o.identity.bus = BUS_USB;
            } else if (value == "bluetooth") {
                o.identity.bus = BUS_BLUETOOTH;
            } else {
                return std::nullopt;
            }
        } else if (flag == "--phys") {
            o.identity.phys = value;
        } else if (flag == "--name") {
            o.identity.name = value;
        } else if (flag == "--frames-out") {
            o.frames_out = value;
        } else if (flag == "--replug-ms") {
            const auto n = veltra::ParseInteger<int>(value);
            if (!n || *n < 0) {
                return std::nullopt;
            }
            o.replug_ms = *n;
        } else {
            return std::nullopt;
        }
    }
    if (!have_vid || !have_pid) {
        return std::nullopt;
    }
    return o;
}

int Run(const Options& options) {
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2}) {
        sigaddset(&signals, s);
    }
    // Blocked before anything else so that a signal sent right after start is never lost.
    if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) {
        std::perror("uhid-mouse: sigprocmask");
        return 1;
    }
    const int sig_fd = signalfd(-1, &signals, SFD_CLOEXEC);
    const int uhid_fd = ::open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (sig_fd < 0 || uhid_fd < 0) {
        std::perror("uhid-mouse: open");
        return 1;
    }

    std::ofstream frame_log;
    if (!options.frames_out.empty()) {
        frame_log.open(options.frames_out, std::ios::out | std::ios::trunc);
        if (!frame_log) {
            std::fprintf(stderr, "uhid-mouse: cannot write %s\n", options.frames_out.c_str());
            return 1;
        }
    }
    FirmwareResponder responder({}, frame_log.is_open() ? &frame_log : nullptr);
    UhidMouse mouse(uhid_fd, LayoutFor(options.kind), options.identity, responder);
    if (!mouse.Plug()) {
        std::perror("uhid-mouse: UHID_CREATE2");
        return 1;
    }
    std::fprintf(stderr, "uhid-mouse: plugged %04x:%04x\n", options.identity.vendor_id,
                 options.identity.product_id);

    std::optional<Clock::time_point> replug_at;
    int status = 0;
    bool running = true;
    while (running) {
        int timeout = -1;
        if (replug_at) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(*replug_at - Clock::now());
            timeout = static_cast<int>(std::max<long long>(0, left.count()));
        }
        pollfd fds[] = {{uhid_fd, POLLIN, 0}, {sig_fd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeout);
        if (ready < 0 && errno != EINTR) {
            std::perror("uhid-mouse: poll");
            status = 1;
            break;
        }
        if (replug_at && Clock::now() >= *replug_at) {
            replug_at.reset();
            if (!mouse.Plug()) {
                std::perror("uhid-mouse: UHID_CREATE2");
                status = 1;
                break;
            }
            std::fputs("uhid-mouse: plugged again\n", stderr);
        }
        if (ready <= 0) {
            continue;
        }
        if (fds[0].revents & (POLLERR | POLLHUP)) {
            std::fputs("uhid-mouse: /dev/uhid closed\n", stderr);
            status = 1;
            break;
        }
        if ((fds[0].revents & POLLIN) && !mouse.HandleEvent()) {
            std::perror("uhid-mouse: read");
            status = 1;
            break;
        }
        if (fds[1].revents & POLLIN) {
            signalfd_siginfo info{};
            if (::read(sig_fd, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) {
                continue;
            }
            switch (info.ssi_signo) {
                case SIGUSR1:
                    std::fputs(mouse.PressDpiButton() ? "uhid-mouse: DPI button\n"
                                                      : "uhid-mouse: DPI button ignored\n",
                               stderr);
                    break;
                case SIGUSR2:
                    if (mouse.plugged() && mouse.Unplug()) {
                        std::fputs("uhid-mouse: unplugged\n", stderr);
                        replug_at = Clock::now() + std::chrono::milliseconds(options.replug_ms);
                    }
                    break;
                default:
                    running = false;
                    break;
            }
        }
    }
    mouse.Unplug();
    ::close(uhid_fd);
    ::close(sig_fd);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const auto options = ParseOptions(argc, argv);
    if (!options) {
        Usage();
        return 2;
    }
    return Run(*options);
}
