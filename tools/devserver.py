#!/usr/bin/python3
"""A local development deployment of the web side the programs talk to.

Serves on 127.0.0.1 only:
  /version.html          the version page (UTF-8) with 版本【】, 下载地址【】, 更新内容【】
  /shuju.txt             the template catalogue (GBK, CR LF)
  /preview/<n>.html      a preview page per template
  /aosbegin.php          the rendering service: draws the four lines on a placard GIF
  /pic/<name>.gif        the rendered pictures
  /download/kelvane.exe  the new client file (--client-file), with byte ranges
  /lifk.html             the feedback page

Every request's raw bytes are recorded. Tests steer it through
  GET /_control/set?key=value...   version, second_version (a further 版本【】 after
                                   the three values), markers (on|off), reply
                                   (ok|nomarkers), delay_ms, catalogue_lines, title
                                   (the first template's name), down (on|off: every
                                   other path closes the connection at once)
  GET /_control/requests           the recorded requests as JSON (latin-1 strings)
  GET /_control/raw                the same as raw bytes: per request its decimal
                                   length, a line feed and the bytes
  GET /_control/reset              forget the requests and restore the defaults
  GET /_control/quit               stop the server
"""

import argparse
import hashlib
import io
import json
import os
import socket
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

try:
    from PIL import Image, ImageDraw, ImageFont
except ImportError:  # the placard then is a plain one-colour GIF
    Image = None

FONT = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"

TEMPLATES = [
    "熊猫举牌", "小黄人举牌", "唐僧举牌", "悟空举牌", "兔子举牌", "企鹅举牌",
    "柴犬举牌", "猫咪举牌", "宇航员举牌", "古风美女举牌", "卡通男孩举牌", "元宝举牌",
]

DEFAULTS = {
    "version": "1.3",
    "second_version": "",
    "title": "",
    "markers": "on",
    "reply": "ok",
    "delay_ms": "0",
    "catalogue_lines": "0",
    "down": "off",
    "notes": "修复了若干问题</p><p>新增模板</p><p>速度更快</p><p>界面更新",
}


class State:
    def __init__(self, client_file):
        self.lock = threading.Lock()
        self.settings = dict(DEFAULTS)
        self.requests = []
        self.pictures = {}
        self.client_file = client_file

    def get(self, key):
        with self.lock:
            return self.settings[key]


class RecordingReader(io.RawIOBase):
    """Reads the socket and keeps the request's raw bytes."""

    def __init__(self, sock):
        self.sock = sock
        self.seen = bytearray()

    def readable(self):
        return True

    def readinto(self, b):
        try:
            n = self.sock.recv_into(b)
        except OSError:
            return 0
        self.seen += bytes(b[:n])
        return n


def gbk(text):
    return text.encode("gbk")


def render_placard(lines):
    """A figure holding a sign with the four lines, as a GIF."""
    w, h = 240, 260
    if Image is None:
        return (b"GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04"
                b"\x00\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;")
    img = Image.new("RGB", (w, h), (250, 246, 236))
    d = ImageDraw.Draw(img)
    d.rectangle([30, 16, 210, 150], fill=(255, 255, 255), outline=(120, 80, 40), width=4)
    font = ImageFont.truetype(FONT, 22)
    for i, line in enumerate(lines):
        tw = d.textlength(line, font=font)
        d.text(((w - tw) / 2, 24 + i * 31), line, font=font, fill=(30, 30, 30))
    d.line([70, 150, 70, 185], fill=(120, 80, 40), width=5)
    d.line([170, 150, 170, 185], fill=(120, 80, 40), width=5)
    d.ellipse([100, 160, 140, 200], fill=(255, 220, 180), outline=(60, 40, 20), width=2)
    d.line([120, 200, 120, 235], fill=(60, 60, 160), width=6)
    d.line([120, 205, 70, 185], fill=(60, 60, 160), width=5)
    d.line([120, 205, 170, 185], fill=(60, 60, 160), width=5)
    d.line([120, 235, 100, 258], fill=(60, 60, 60), width=5)
    d.line([120, 235, 140, 258], fill=(60, 60, 60), width=5)
    out = io.BytesIO()
    img.convert("P", palette=Image.ADAPTIVE).save(out, "GIF")
    return out.getvalue()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "devserver"

    def setup(self):
        super().setup()
        self.recorder = RecordingReader(self.connection)
        self.rfile = io.BufferedReader(self.recorder)

    def log_message(self, fmt, *args):
        pass

    @property
    def state(self):
        return self.server.state

    def base(self):
        host, port = self.server.server_address[:2]
        return "http://%s:%d" % (host, port)

    def send(self, status, body, ctype="text/html; charset=utf-8", extra=()):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        for k, v in extra:
            self.send_header(k, v)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def record(self, body):
        raw = bytes(self.recorder.seen)
        self.recorder.seen.clear()
        with self.state.lock:
            self.state.requests.append({"raw": raw.decode("latin-1"), "path": self.path,
                                        "method": self.command,
                                        "body": body.decode("latin-1")})

    def handle_any(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length > 0 else b""
        url = urllib.parse.urlsplit(self.path)
        if url.path.startswith("/_control/"):
            self.recorder.seen.clear()
            return self.control(url)
        self.record(body)
        if self.state.get("down") == "on":
            self.close_connection = True
            self.connection.shutdown(socket.SHUT_RDWR)
            return
        delay = int(self.state.get("delay_ms"))
        if delay:
            time.sleep(min(delay, 30000) / 1000.0)
        route = {
            "/version.html": self.version_page,
            "/shuju.txt": self.catalogue,
            "/aosbegin.php": self.render,
            "/lifk.html": self.feedback,
            "/download/kelvane.exe": self.client_file,
        }.get(url.path)
        if route:
            return route(url)
        if url.path.startswith("/preview/"):
            return self.preview(url)
        if url.path.startswith("/pic/"):
            return self.picture(url)
        self.send(404, b"not found", "text/plain")

    do_GET = do_POST = do_HEAD = handle_any

    def control(self, url):
        cmd = url.path[len("/_control/"):]
        if cmd == "set":
            with self.state.lock:
                for k, v in urllib.parse.parse_qsl(url.query, keep_blank_values=True):
                    if k in self.state.settings:
                        self.state.settings[k] = v
            return self.send(200, b"ok", "text/plain")
        if cmd == "requests":
            with self.state.lock:
                data = json.dumps(self.state.requests, ensure_ascii=True).encode()
            return self.send(200, data, "application/json")
        if cmd == "raw":
            with self.state.lock:
                raws = [r["raw"].encode("latin-1") for r in self.state.requests]
            data = b"".join(b"%d\n%s" % (len(r), r) for r in raws)
            return self.send(200, data, "application/octet-stream")
        if cmd == "quit":
            self.send(200, b"bye", "text/plain")
            threading.Thread(target=self.server.shutdown, daemon=True).start()
            return
        if cmd == "reset":
            with self.state.lock:
                self.state.settings = dict(DEFAULTS)
                self.state.requests = []
            return self.send(200, b"ok", "text/plain")
        self.send(404, b"unknown control", "text/plain")

    def version_page(self, url):
        s = self.state
        if s.get("markers") == "on":
            marked = "<p>版本【%s】</p><p>下载地址【%s/download/kelvane.exe】</p><p>更新内容【%s】</p>" % (
                s.get("version"), self.base(), s.get("notes"))
            if s.get("second_version"):
                marked += "<p>旧版本【%s】</p>" % s.get("second_version")
        else:
            marked = "<p>版本 %s</p>" % s.get("version")
        page = "<html><head><meta charset=\"utf-8\"><title>版本信息</title></head><body>%s</body></html>" % marked
        self.send(200, page.encode("utf-8"))

    def catalogue(self, url):
        count = int(self.state.get("catalogue_lines")) or len(TEMPLATES)
        lines = []
        for i in range(count):
            name = TEMPLATES[i % len(TEMPLATES)] + ("" if i < len(TEMPLATES) else str(i))
            if i == 0 and self.state.get("title"):
                name = self.state.get("title")
            lines.append("%s----%s/preview/%d.html---%s/gen.php?type=sign&id=%d" % (
                name, self.base(), i + 1, self.base(), i + 1))
            if i == 2:
                lines.append("   ")  # blank lines between records
            if i == 6:
                lines.append("")
        text = "\r\n".join(lines) + "\r\n"
        self.send(200, gbk(text), "text/plain; charset=gbk")

    def preview(self, url):
        n = url.path[len("/preview/"):].split(".")[0]
        page = "<html><body><h1>模板 %s 预览</h1></body></html>" % n
        self.send(200, page.encode("utf-8"))

    def render(self, url):
        query = dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True))
        lines = [query.get("text%d" % i, "") for i in range(1, 5)]
        if self.state.get("reply") != "ok":
            return self.send(200, b"<status>busy</status>", "text/xml")
        name = hashlib.sha1(("%s|%s" % (query.get("id", ""), "|".join(lines))).encode("utf-8")).hexdigest()[:16]
        with self.state.lock:
            if name not in self.state.pictures:
                self.state.pictures[name] = render_placard(lines)
        reply = ("<status><outputimg>./pic/%s.gif</outputimg><srcimg>./tpl/%s.gif</srcimg></status>"
                 % (name, query.get("id", "")))
        self.send(200, reply.encode("ascii"), "text/xml")

    def picture(self, url):
        name = url.path[len("/pic/"):].split(".")[0]
        with self.state.lock:
            data = self.state.pictures.get(name)
        if data is None:
            return self.send(404, b"no such picture", "text/plain")
        self.send(200, data, "image/gif")

    def feedback(self, url):
        self.send(200, "<html><body><h1>留言反馈</h1></body></html>".encode("utf-8"))

    def client_file(self, url):
        path = self.state.client_file
        if not path or not os.path.isfile(path):
            return self.send(404, b"no client file", "text/plain")
        with open(path, "rb") as f:
            data = f.read()
        rng = self.headers.get("Range", "")
        if rng.startswith("bytes="):
            first, _, last = rng[6:].partition("-")
            start = int(first or 0)
            end = min(int(last) if last else len(data) - 1, len(data) - 1)
            if start > end:
                return self.send(416, b"", "application/octet-stream",
                                 [("Content-Range", "bytes */%d" % len(data))])
            return self.send(206, data[start:end + 1], "application/octet-stream",
                             [("Content-Range", "bytes %d-%d/%d" % (start, end, len(data))),
                              ("Accept-Ranges", "bytes")])
        self.send(200, data, "application/octet-stream", [("Accept-Ranges", "bytes")])


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--port", type=int, default=0, help="0 picks a free port")
    ap.add_argument("--port-file", help="write the chosen port here once listening")
    ap.add_argument("--client-file", help="file served as /download/kelvane.exe")
    ap.add_argument("--version", default=DEFAULTS["version"])
    ap.add_argument("--lifetime", type=float, default=0,
                    help="stop after this many seconds (a bound for tests), 0 for never")
    args = ap.parse_args()
    DEFAULTS["version"] = args.version
    server = ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
    server.state = State(args.client_file)
    port = server.server_address[1]
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write(str(port))
        os.replace(tmp, args.port_file)
    print("devserver: http://127.0.0.1:%d" % port, flush=True)
    if args.lifetime > 0:
        timer = threading.Timer(args.lifetime, server.shutdown)
        timer.daemon = True
        timer.start()
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
