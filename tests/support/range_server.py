#!/usr/bin/env python3
"""Serves a folder over HTTP on 127.0.0.1 with byte ranges, for the tests and the benchmark of scenes on a
server. Usage: range_server.py FOLDER STATE_FOLDER. Writes the port it listens on to STATE_FOLDER/port and,
after every answer, the body bytes served so far to STATE_FOLDER/served."""
import http.server
import os
import re
import sys
import threading

folder, state = sys.argv[1], sys.argv[2]
served = 0
lock = threading.Lock()


def note(n):
    global served
    with lock:
        served += n
        tmp = os.path.join(state, "served.tmp")
        with open(tmp, "w") as f:
            f.write(str(served))
        os.replace(tmp, os.path.join(state, "served"))


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, body):
        path = os.path.join(folder, os.path.basename(self.path.split("?")[0]))
        if not os.path.isfile(path):
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        size = os.path.getsize(path)
        start, end = 0, size - 1
        match = re.fullmatch(r"bytes=(\d+)-(\d*)", self.headers.get("Range", ""))
        if match:
            start = int(match.group(1))
            end = min(size - 1, int(match.group(2))) if match.group(2) else size - 1
            if start >= size:
                self.send_response(416)
                self.send_header("Content-Range", "bytes */%d" % size)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            self.send_response(206)
            self.send_header("Content-Range", "bytes %d-%d/%d" % (start, end, size))
        else:
            self.send_response(200)
        self.send_header("Accept-Ranges", "bytes")
        self.send_header("Content-Length", str(end - start + 1))
        self.end_headers()
        if body:
            with open(path, "rb") as f:
                f.seek(start)
                self.wfile.write(f.read(end - start + 1))
            note(end - start + 1)

    def do_HEAD(self):
        self.answer(False)

    def do_GET(self):
        self.answer(True)


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
note(0)
with open(os.path.join(state, "port.tmp"), "w") as f:
    f.write(str(server.server_address[1]))
os.replace(os.path.join(state, "port.tmp"), os.path.join(state, "port"))
server.serve_forever()
