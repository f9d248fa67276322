#!/usr/bin/env python3
"""A web server for the update tests: serves the files of one folder over HTTP or HTTPS.

    tests/support/update_server.py FOLDER [--tls CERT KEY]

It listens on 127.0.0.1 on a free port and prints that port as its first line on stdout. It
serves until it is killed or its stdin closes, so that it never outlives the test that started
it.

A request's query changes how a file is delivered; flags combine:

    ?cut             announces the whole length, sends half the file and closes the connection
    ?nolength        no Content-Length: the body ends when the connection closes
    ?chunked         no Content-Length: chunked transfer coding
    ?slow            1 KiB every 100 ms
    ?hold            sends half the file, then nothing until the client goes away
    ?status=N        answers with HTTP status N and no file
    ?redirect=URL    answers 302 with Location URL
    ?echo-headers    the body is the request's header lines

The same flags may lead the path as folders named "~flag" ("/~slow/file.zip"), for clients that
are given only a base address.

A request in proxy form ("GET http://any.host/file") is served like its path, so the server
also stands in for a proxy named by http_proxy.

Standard library only.
"""

import argparse
import functools
import http.server
import os
import select
import ssl
import sys
import threading
import time
import urllib.parse

TRICKLE_SIZE = 1024
TRICKLE_PAUSE = 0.1
HOLD_LIMIT = 120.0


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        pass

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        flags = urllib.parse.parse_qs(url.query, keep_blank_values=True)
        path = url.path
        # Leading "/~flag" folders are flags too, for clients that only take a base address.
        while path.startswith("/~"):
            flag, _, rest = path[2:].partition("/")
            flags.setdefault(flag, [""])
            path = "/" + rest
        if "status" in flags:
            self.send_error(int(flags["status"][0]))
        elif "redirect" in flags:
            self.send_response(302)
            self.send_header("Location", flags["redirect"][0])
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif "echo-headers" in flags:
            self.send_body(str(self.headers).encode("latin-1"), flags)
        else:
            path = self.translate_path(path)
            if not os.path.isfile(path):
                self.send_error(404)
                return
            with open(path, "rb") as f:
                self.send_body(f.read(), flags)

    def send_body(self, body, flags):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if "chunked" in flags:
            self.send_header("Transfer-Encoding", "chunked")
        elif "nolength" in flags:
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if "cut" in flags or "hold" in flags:
            body = body[: len(body) // 2]
        try:
            self.send_pieces(body, flags)
            if "hold" in flags:
                self.wait_for_client()
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            pass
        if "cut" in flags or "hold" in flags:
            self.close_connection = True

    def send_pieces(self, body, flags):
        chunked = "chunked" in flags
        size = TRICKLE_SIZE if "slow" in flags else max(len(body), 1)
        for start in range(0, len(body), size):
            piece = body[start : start + size]
            if chunked:
                piece = b"%x\r\n%s\r\n" % (len(piece), piece)
            self.wfile.write(piece)
            if "slow" in flags:
                time.sleep(TRICKLE_PAUSE)
        if chunked and "cut" not in flags and "hold" not in flags:
            self.wfile.write(b"0\r\n\r\n")

    def wait_for_client(self):
        deadline = time.monotonic() + HOLD_LIMIT
        while time.monotonic() < deadline:
            readable, _, _ = select.select([self.connection], [], [], TRICKLE_PAUSE)
            if readable and not self.connection.recv(1):
                return


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, handler, tls):
        super().__init__(("127.0.0.1", 0), handler)
        self.tls = tls

    def handle_error(self, request, client_address):
        # Clients that give up mid-way are what several tests are about.
        if not isinstance(sys.exc_info()[1], (ConnectionError, ssl.SSLError)):
            super().handle_error(request, client_address)

    def finish_request(self, request, client_address):
        # The handshake happens on the request's own thread, so a client that refuses the
        # certificate does not hold up the others.
        if self.tls is not None:
            try:
                request = self.tls.wrap_socket(request, server_side=True)
            except (ssl.SSLError, OSError):
                return
        try:
            super().finish_request(request, client_address)
        finally:
            if self.tls is not None:
                try:
                    request.unwrap()
                except (ssl.SSLError, OSError, ValueError):
                    pass
                request.close()


def exit_when_stdin_closes():
    sys.stdin.buffer.read()
    os._exit(0)


def main():
    parser = argparse.ArgumentParser(description="Serves a folder for the update tests.")
    parser.add_argument("folder")
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"))
    args = parser.parse_args()

    tls = None
    if args.tls:
        tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        tls.load_cert_chain(args.tls[0], args.tls[1])
    handler = functools.partial(Handler, directory=args.folder)
    server = Server(handler, tls)
    print(server.server_address[1], flush=True)
    threading.Thread(target=exit_when_stdin_closes, daemon=True).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
