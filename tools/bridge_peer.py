#!/usr/bin/env python3
"""A bridge peer: serves one simulated wired mouse over the bridge protocol (version 1).

The program connects to the Unix socket named by VELTRA_HID_BRIDGE and sends one JSON object
per line; every request gets exactly one answer line, in order. This peer is the reference for
anyone writing a device model in another language.

    tools/bridge_peer.py /tmp/veltra.sock                # a mouse that answers
    tools/bridge_peer.py /tmp/veltra.sock --replay cap.jsonl   # serve a capture back

The mouse has the wired identity of the first model in the program's catalogue (config.xml in
$VELTRA_PROGRAM_FOLDER, else data/config.xml beside this script's folder), so that the program
recognises it; --vid and --pid choose another.

Plug and unplug: SIGUSR1 toggles the mouse, or send {"op":"plug"} / {"op":"unplug"}. Connections
that sent {"op":"watch"} receive {"event":"arrival"|"removal","path":...} lines.
--exit-after-writes N makes the peer vanish mid-way, as a crashed one would: it ends without an
answer when write N + 1 arrives.

Standard library only.
"""

import argparse
import json
import os
import signal
import socketserver
import sys
import threading
import time
import xml.etree.ElementTree as ElementTree

VERSION = 1
MAX_LINE = 1 << 20

STATUS_LENGTH = 0x1C
CONFIG_LENGTH = 0x20


def catalogue_files():
    """The configuration files the program itself would read, in order of preference."""
    files = []
    folder = os.environ.get("VELTRA_PROGRAM_FOLDER")
    if folder:
        files.append(os.path.join(folder, "config.xml"))
    here = os.path.dirname(os.path.abspath(__file__))
    files.append(os.path.normpath(os.path.join(here, os.pardir, "data", "config.xml")))
    files.append(os.path.join(here, "config.xml"))
    return files


def catalogue_identity():
    """(vid, pid) as hexadecimal text of the first catalogue model's wired mode (its first mode
    when it has no wired one), or None when no catalogue can be read."""
    for path in catalogue_files():
        try:
            root = ElementTree.parse(path).getroot()
        except (OSError, ElementTree.ParseError):
            continue
        for mouse in root.iter("mouse"):
            modes = [m for m in mouse.findall("mode") if m.get("vid") and m.get("pid")]
            wired = [m for m in modes if m.get("value") == "0"] or modes
            if wired:
                return wired[0].get("vid"), wired[0].get("pid")
    return None


def default_status():
    """Status block, payload bytes 4..31: external power, 75 percent."""
    block = bytearray(28)
    block[0] = 0x80
    block[1] = 75
    return block


def default_config():
    """Config block, payload bytes 4..63."""
    block = bytearray(60)
    block[0] = (1 << 5) | (2 << 2) | 0  # level 1 active, idle-light code 2, 1000 Hz
    block[1] = 0x01 | 0x04  # sleep code 1, lighting on
    block[23 - 4] = 0x1F  # DPI levels 0..4 in the cycle
    for i, dpi in enumerate([400, 800, 1600, 3200, 6400, 800, 1600]):
        block[28 - 4 + i] = dpi // 50
    block[35 - 4] = 128  # level 7: 12800 DPI in units of 100
    return block


class Firmware:
    """Answers commands 0x00 (status) and 0x01 (config); applies 0x02 writes and resets."""

    def __init__(self):
        self.status = default_status()
        self.config = default_config()

    def handle(self, payload):
        """Takes one request payload (64 bytes); returns the answer payloads to queue."""
        if len(payload) < 4 or payload[0] != 0x55 or payload[1] != 0xAA:
            return []
        command = payload[2]
        if command == 0x00:
            return [bytes([0x55, 0xAA, 0x00, STATUS_LENGTH]) + bytes(self.status) + bytes(32)]
        if command == 0x01:
            return [bytes([0x55, 0xAA, 0x01, CONFIG_LENGTH]) + bytes(self.config)]
        if command == 0x02 and len(payload) >= 64:
            self.config[:] = payload[4:64]
        elif command in (0x03, 0x04):
            self.config = default_config()
        return []


class Mouse:
    def __init__(self, args):
        self.path = args.path
        self.info = {
            "path": args.path,
            "vendor_id": int(args.vid, 16),
            "product_id": int(args.pid, 16),
            "release_number": 0x0100,
            "usage_page": 0x00C0,
            "usage": 0x0001,
            "output_report_length": 65,
        }
        self.firmware = Firmware()
        self.plugged = not args.unplugged
        self.writes_left = args.exit_after_writes
        self.inputs = []
        self.handles = set()
        self.next_handle = 1
        self.lock = threading.Condition()
        self.watchers = []


class LiveModel:
    def __init__(self, mouse):
        self.mouse = mouse

    def answer(self, request):
        m = self.mouse
        op = request.get("op")
        with m.lock:
            if op == "enumerate":
                return {"interfaces": [m.info] if m.plugged else []}
            if op == "open":
                if not m.plugged or request.get("path") != m.path:
                    return {"handle": -1}
                handle = m.next_handle
                m.next_handle += 1
                m.handles.add(handle)
                return {"handle": handle}
            if op == "close":
                m.handles.discard(request.get("handle"))
                return {"result": 0}
            if op in ("plug", "unplug"):
                set_plugged(m, op == "plug")
                return {"result": 0}
        if op == "write":
            return self.write(request)
        if op == "read":
            return self.read(request)
        return {"error": "unknown op"}

    def write(self, request):
        m = self.mouse
        try:
            data = bytes.fromhex(request.get("data", ""))
        except ValueError:
            return {"result": -1}
        with m.lock:
            if m.writes_left is not None:
                if m.writes_left <= 0:
                    os._exit(0)
                m.writes_left -= 1
            if not m.plugged or request.get("handle") not in m.handles or not data:
                return {"result": -1}
            m.inputs.extend(m.firmware.handle(data[1:65]))
            m.lock.notify_all()
        return {"result": len(data)}

    def read(self, request):
        m = self.mouse
        length = max(0, int(request.get("length", 0)))
        deadline = time.monotonic() + max(0, int(request.get("timeout_ms", 0))) / 1000.0
        with m.lock:
            while True:
                if not m.plugged or request.get("handle") not in m.handles:
                    return {"result": -1}
                if m.inputs:
                    return {"data": m.inputs.pop(0)[:length].hex()}
                left = deadline - time.monotonic()
                if left <= 0:
                    return {"data": ""}
                m.lock.wait(left)


def set_plugged(mouse, plugged):
    """Called with the lock held."""
    if mouse.plugged == plugged:
        return
    mouse.plugged = plugged
    if not plugged:
        mouse.handles.clear()
        mouse.inputs.clear()
    event = {"event": "arrival" if plugged else "removal", "path": mouse.path}
    for watcher in list(mouse.watchers):
        watcher.send(event)
    mouse.lock.notify_all()


class ReplayModel:
    """Serves a capture made with VELTRA_HID_RECORD: each request takes the next recorded
    exchange of the same kind (same path for open, same handle otherwise)."""

    def __init__(self, capture_path):
        self.entries = []
        with open(capture_path, encoding="utf-8") as f:
            for line in f:
                try:
                    entry = json.loads(line)
                except ValueError:
                    continue
                if isinstance(entry, dict) and isinstance(entry.get("request"), dict) \
                        and isinstance(entry.get("answer"), dict):
                    self.entries.append((entry["request"], entry["answer"]))
        self.cursor = 0
        self.lock = threading.Lock()

    @staticmethod
    def same(recorded, request):
        if recorded.get("op") != request.get("op"):
            return False
        if request.get("op") == "open":
            return recorded.get("path") == request.get("path")
        if "handle" in request:
            return recorded.get("handle") == request.get("handle")
        return True

    def answer(self, request):
        op = request.get("op")
        with self.lock:
            for i in range(self.cursor, len(self.entries)):
                recorded, answer = self.entries[i]
                if self.same(recorded, request):
                    self.cursor = i + 1
                    if op == "read" and "data" in answer:
                        length = max(0, int(request.get("length", 0)))
                        return {"data": answer["data"][: 2 * length]}
                    return answer
        if op == "enumerate":
            return {"interfaces": []}
        if op == "open":
            return {"handle": -1}
        if op == "write":
            return {"result": len(request.get("data", "")) // 2}
        if op == "read":
            return {"data": ""}
        if op == "close":
            return {"result": 0}
        return {"error": "unknown op"}


class Connection(socketserver.StreamRequestHandler):
    def setup(self):
        super().setup()
        self.send_lock = threading.Lock()

    def send(self, message):
        data = (json.dumps(message, separators=(",", ":")) + "\n").encode("utf-8")
        with self.send_lock:
            try:
                self.wfile.write(data)
                self.wfile.flush()
            except OSError:
                pass

    def handle(self):
        server = self.server
        try:
            while True:
                line = self.rfile.readline(MAX_LINE)
                if not line:
                    break
                try:
                    request = json.loads(line)
                except ValueError:
                    self.send({"error": "bad request"})
                    continue
                if not isinstance(request, dict):
                    self.send({"error": "bad request"})
                    continue
                op = request.get("op")
                if op == "hello":
                    self.send({"version": VERSION})
                elif op == "watch":
                    # Under the lock, so that no event can slip in before the confirmation.
                    with server.mouse.lock:
                        server.mouse.watchers.append(self)
                        self.send({"watching": True})
                else:
                    self.send(server.model.answer(request))
        finally:
            with server.mouse.lock:
                if self in server.mouse.watchers:
                    server.mouse.watchers.remove(self)


class Server(socketserver.ThreadingUnixStreamServer):
    daemon_threads = True


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("socket", help="Unix socket path to listen on")
    parser.add_argument("--replay", metavar="FILE", help="serve a recorded capture back")
    parser.add_argument("--path", default="bridge:mouse0", help="the interface path reported")
    parser.add_argument("--vid", help="vendor id, hexadecimal (default: from the catalogue)")
    parser.add_argument("--pid", help="product id, hexadecimal (default: from the catalogue)")
    parser.add_argument("--unplugged", action="store_true", help="start with the mouse unplugged")
    parser.add_argument("--exit-after-writes", type=int, metavar="N",
                        help="end the process when write N + 1 arrives, without answering it")
    args = parser.parse_args()
    if args.vid is None or args.pid is None:
        identity = catalogue_identity()
        if identity is None:
            parser.error("no catalogue found (" + ", ".join(catalogue_files()) +
                         "); give --vid and --pid")
        args.vid = args.vid or identity[0]
        args.pid = args.pid or identity[1]
    for name in ("vid", "pid"):
        try:
            value = int(getattr(args, name), 16)
        except ValueError:
            value = -1
        if not 0 <= value <= 0xFFFF:
            parser.error("--%s takes a hexadecimal number up to FFFF" % name)

    if os.path.exists(args.socket):
        os.unlink(args.socket)
    server = Server(args.socket, Connection)
    server.mouse = Mouse(args)
    server.model = ReplayModel(args.replay) if args.replay else LiveModel(server.mouse)

    def toggle(_signum, _frame):
        # Not in the handler itself: the lock may be held by the interrupted thread.
        threading.Thread(target=toggle_now, daemon=True).start()

    def toggle_now():
        with server.mouse.lock:
            set_plugged(server.mouse, not server.mouse.plugged)

    def stop(_signum, _frame):
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGUSR1, toggle)
    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    try:
        server.serve_forever()
    finally:
        server.server_close()
        if os.path.exists(args.socket):
            os.unlink(args.socket)
    return 0


if __name__ == "__main__":
    sys.exit(main())
