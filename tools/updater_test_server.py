#!/usr/bin/env python3
"""Loopback HTTP server for the updater's tests and benchmark.

    updater_test_server.py [--port N] [--root DIR] [-- COMMAND ARGS...]

Serves the files under DIR on 127.0.0.1. With a command it runs the command
with UPDATER_TEST_PORT and UPDATER_TEST_ROOT in its environment, stops and
exits with the command's status; without --root it then serves a fresh
temporary directory that it removes afterwards. Without a command it serves
until interrupted.

How a file is served is chosen by its query string, or by a sidecar file
"<name>.opts" holding a query string (read on every request, so a test can
switch a fault on and off while the updater runs):

    ranges=0      ignore Range and send no Accept-Ranges
    length=0      no Content-Length; the end of the body is the closed connection
    step=B        send the body B bytes at a time ...
    every=MS      ... pausing MS milliseconds after each step
    drop=OFFSET   close the connection when the body reaches file offset OFFSET
    reset=1       close the connection without answering
    status=N      answer with status N and a short body

Every request is appended to DIR/requests.log as "METHOD PATH RANGE".
"""
import argparse
import http.server
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

# A server that nothing talks to any more has been left behind by a killed test.
IDLE_LIMIT_S = 600


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "updater-test"

    def log_message(self, fmt, *args):
        pass

    def do_HEAD(self):
        self.answer(head=True)

    def do_GET(self):
        self.answer(head=False)

    def answer(self, head):
        self.server.last_request = time.monotonic()
        url = urllib.parse.urlsplit(self.path)
        self.server.record(f"{self.command} {self.path} {self.headers.get('Range', '-')}")
        path = os.path.join(self.server.root, urllib.parse.unquote(url.path).lstrip("/"))
        opts = dict(urllib.parse.parse_qsl(url.query))
        try:
            with open(path + ".opts", encoding="ascii") as f:
                opts.update(urllib.parse.parse_qsl(f.read().strip()))
        except OSError:
            pass
        if opts.get("reset") == "1":
            self.close_connection = True
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\1\0\0\0\0\0\0\0")
            return
        if "status" in opts:
            return self.short(int(opts["status"]))
        if not os.path.isfile(path):
            return self.short(404)
        size = os.path.getsize(path)
        ranges = opts.get("ranges", "1") != "0"
        first, last = 0, size - 1
        status = 200
        wanted = self.headers.get("Range")
        if ranges and wanted:
            m = re.fullmatch(r"bytes=(\d*)-(\d*)", wanted.strip())
            if not m or (m.group(1) == "" and m.group(2) == ""):
                return self.short(416, size)
            if m.group(1) == "":
                first = max(0, size - int(m.group(2)))
            else:
                first = int(m.group(1))
                if m.group(2) != "":
                    last = min(last, int(m.group(2)))
            if first >= size or first > last:
                return self.short(416, size)
            status = 206
        count = last - first + 1
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        if ranges:
            self.send_header("Accept-Ranges", "bytes")
        if status == 206:
            self.send_header("Content-Range", f"bytes {first}-{last}/{size}")
        if opts.get("length", "1") == "0":
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(count))
        self.end_headers()
        if head or count <= 0:
            return
        with open(path, "rb") as f:
            self.body(f, first, count, opts)

    def body(self, f, offset, count, opts):
        step = int(opts.get("step", "0"))
        every = int(opts.get("every", "0")) / 1000.0
        drop = int(opts["drop"]) if "drop" in opts else None
        end = offset + count
        if drop is not None and offset <= drop < end:
            end = drop
        else:
            drop = None
        try:
            if step <= 0:
                self.wfile.flush()
                self.connection.sendfile(f, offset, end - offset)
            else:
                while offset < end:
                    n = min(step, end - offset)
                    f.seek(offset)
                    self.wfile.write(f.read(n))
                    self.wfile.flush()
                    offset += n
                    if offset < end or drop is not None:
                        time.sleep(every)
        except OSError:
            pass
        if drop is not None:
            self.close_connection = True
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\1\0\0\0\0\0\0\0")

    def short(self, status, size=None):
        body = f"{status}\n".encode()
        self.send_response(status)
        if size is not None:
            self.send_header("Content-Range", f"bytes */{size}")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, port, root):
        super().__init__(("127.0.0.1", port), Handler)
        self.root = root
        self.lock = threading.Lock()
        self.last_request = time.monotonic()

    def record(self, line):
        with self.lock, open(os.path.join(self.root, "requests.log"), "a", encoding="utf-8") as f:
            f.write(line + "\n")


def run(command, env):
    """Runs the command with its output passed on, and returns its status as
    soon as it has ended, even while a process it started (Wine's desktop
    process, a stand-in client) still holds the output open."""
    child = subprocess.Popen(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)

    def forward():
        for chunk in iter(lambda: os.read(child.stdout.fileno(), 65536), b""):
            sys.stdout.buffer.write(chunk)
            sys.stdout.buffer.flush()

    copier = threading.Thread(target=forward, daemon=True)
    copier.start()
    status = child.wait()
    copier.join(timeout=0.5)
    return status


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--root")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    root = args.root or tempfile.mkdtemp(prefix="updater-www-")
    server = Server(args.port, os.path.abspath(root))
    threading.Thread(target=server.serve_forever, daemon=True).start()

    def watchdog():
        while time.monotonic() - server.last_request < IDLE_LIMIT_S:
            time.sleep(5)
        os._exit(3)

    threading.Thread(target=watchdog, daemon=True).start()
    port = server.server_address[1]
    try:
        if not command:
            print(f"serving {server.root} on http://127.0.0.1:{port}/", flush=True)
            threading.Event().wait()
        env = dict(os.environ, UPDATER_TEST_PORT=str(port), UPDATER_TEST_ROOT=server.root)
        sys.exit(run(command, env))
    except KeyboardInterrupt:
        pass
    finally:
        server.shutdown()
        server.server_close()
        if not args.root:
            shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
