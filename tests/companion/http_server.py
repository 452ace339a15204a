#!/usr/bin/env python3
"""Loopback HTTP server for the companion tests. Usage: http_server.py STATE_DIR LIFETIME_S

Writes "HTTP SILENT DEAD" port numbers to STATE_DIR/ports and its pid to STATE_DIR/pid:
HTTP answers the routes below, SILENT accepts connections and never answers, nothing listens
on DEAD. Stops by itself after LIFETIME_S seconds.
  /text?body=...            200 with the given body
  /status?code=N            that status, empty body
  /big?size=N&length=0|1    200, N bytes: a line "10107=9.9.9.9" then comment lines
                            (length=1: with Content-Length, 0: ended by closing)
  /stall                    200, announces 1000 bytes, sends one line, then stalls 20 s
  /trickle?every=S&count=N  200, then one byte every S seconds, N times (1000 announced if N < 1000)
  /package/NAME?size=N      200, N bytes of the pattern (i * 7 + 3) mod 256
"""
import http.server
import os
import socket
import sys
import threading
import time
import urllib.parse


def pattern(size):
    return bytes((i * 7 + 3) % 256 for i in range(size))


def big_body(size):
    head = b"10107=9.9.9.9\n"
    line = b"#" + b"x" * 62 + b"\n"
    body = head + line * ((size - len(head)) // len(line) + 1)
    return body[:size]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, fmt, *args):
        sys.stderr.write("%s\n" % (fmt % args))

    def send_body(self, body, status=200, length=True):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        if length:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True))
        if url.path == "/text":
            self.send_body(query.get("body", "").encode("utf-8"))
        elif url.path == "/status":
            self.send_body(b"", status=int(query.get("code", "404")))
        elif url.path == "/big":
            self.send_body(big_body(int(query["size"])), length=query.get("length") == "1")
        elif url.path == "/stall":
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.write(b"10107=9.9.9.9\n")
            self.wfile.flush()
            time.sleep(20)
        elif url.path == "/trickle":
            self.send_response(200)
            count = min(int(query.get("count", "40")), 1000000)
            # Longer bodies announce no length (the end is the close), so no size limit stops them.
            if count < 1000:
                self.send_header("Content-Length", "1000")
            self.end_headers()
            for _ in range(count):
                self.wfile.write(b"#")
                self.wfile.flush()
                time.sleep(min(float(query.get("every", "0.25")), 5.0))
        elif url.path.startswith("/package/"):
            self.send_body(pattern(int(query.get("size", "1000"))))
        else:
            self.send_body(b"", status=404)


def main():
    state_dir, lifetime = sys.argv[1], float(sys.argv[2])
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    silent = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    silent.bind(("127.0.0.1", 0))
    silent.listen(64)
    dead = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    dead.bind(("127.0.0.1", 0))
    dead_port = dead.getsockname()[1]
    dead.close()
    ports = "%d %d %d\n" % (server.server_address[1], silent.getsockname()[1], dead_port)
    with open(os.path.join(state_dir, "ports.tmp"), "w") as f:
        f.write(ports)
    os.replace(os.path.join(state_dir, "ports.tmp"), os.path.join(state_dir, "ports"))
    threading.Timer(lifetime, server.shutdown).start()
    server.serve_forever()
    silent.close()


if __name__ == "__main__":
    main()
