#!/usr/bin/env python3
"""A small web server for the download tests. It serves the files below ROOT and, on purpose,
misbehaves under a few path prefixes:

  /status/CODE/...    answers with that status and a short body
  /redirect/PATH      302 to /PATH
  /loop/PATH          302 to itself, for ever
  /cut/PATH           announces the whole file, sends half of it, closes
  /stall/PATH         announces the whole file, sends a tenth of it, then nothing
  /trickle/PATH       sends the file in 20 pieces, 50 ms apart
  /slowscript/PATH    a ".lrc" as /trickle/ does, anything else at once
  /big/N/NAME         N bytes of a repeating pattern, sent as fast as the client reads

Usage: test_http_server.py ROOT   (listens on a free port of 127.0.0.1 and prints it)
"""
import http.server
import os
import sys
import threading
import time
import urllib.parse

ROOT = os.path.abspath(sys.argv[1])
STOP = threading.Event()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def file_bytes(self, rel):
        path = os.path.normpath(os.path.join(ROOT, urllib.parse.unquote(rel)))
        if not path.startswith(ROOT) or not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def head(self, code, length, extra=()):
        self.send_response(code)
        self.send_header("Content-Length", str(length))
        self.send_header("Content-Type", "application/octet-stream")
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()

    def small(self, code, body=b"", extra=()):
        self.head(code, len(body), extra)
        self.wfile.write(body)

    def do_GET(self):
        path = urllib.parse.urlsplit(self.path).path
        parts = path.lstrip("/").split("/", 1)
        kind, rest = parts[0], parts[1] if len(parts) > 1 else ""
        if kind == "status":
            code = int(rest.split("/", 1)[0])
            self.small(code, b"<html>error page</html>")
        elif kind == "redirect":
            self.small(302, extra=[("Location", "/" + rest)])
        elif kind == "loop":
            self.small(302, extra=[("Location", path)])
        elif kind == "big":
            size, _ = rest.split("/", 1)
            self.send_big(int(size))
        elif kind == "slowscript" and not rest.endswith(".lrc"):
            data = self.file_bytes(rest)
            if data is None:
                return self.small(404, b"missing")
            self.small(200, data)
        elif kind in ("cut", "stall", "trickle", "slowscript"):
            data = self.file_bytes(rest)
            if data is None:
                return self.small(404, b"missing")
            self.send_partly(kind, data)
        else:
            data = self.file_bytes(path.lstrip("/"))
            if data is None:
                return self.small(404, b"missing")
            self.small(200, data)

    def send_big(self, size):
        self.head(200, size)
        chunk = bytes(range(256)) * 1024
        sent = 0
        while sent < size:
            piece = chunk[:min(len(chunk), size - sent)]
            self.wfile.write(piece)
            sent += len(piece)

    def send_partly(self, kind, data):
        self.head(200, len(data))
        if kind == "cut":
            self.wfile.write(data[:len(data) // 2])
            self.wfile.flush()
            self.close_connection = True
        elif kind == "stall":
            self.wfile.write(data[:len(data) // 10])
            self.wfile.flush()
            STOP.wait(600)
            self.close_connection = True
        else:
            step = max(1, (len(data) + 19) // 20)
            for i in range(0, len(data), step):
                self.wfile.write(data[i:i + step])
                self.wfile.flush()
                time.sleep(0.05)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


server = Server(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
