#!/usr/bin/env python3
"""Local HTTP server for the netcourier tests and benchmark.

Listens on 127.0.0.1 at a free port and writes the port to DIR/port. Every request is
answered from DIR/reply.cfg (read again for each request, key=value lines):

    status=200          HTTP status
    body_hex=...        body bytes, hexadecimal
    mode=normal         normal | nolength (no Content-Length, body ends with the connection)
                        | drop (close the connection without an answer)
                        | cutbody (announce the whole body, send half of it, close)
    delay_ms=0          wait before answering
    redirect_to=        when set, every other path gets a 302 to this one

and recorded as one line of DIR/requests.log, written before the answer goes out:

    method TAB path TAB body_hex TAB headers_hex TAB requests_in_flight_on_arrival

GET /__quit stops the server; it also stops by itself after five idle minutes.
"""
import argparse
import os
import socket
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

IDLE_LIMIT = 300


class State:
    lock = threading.Lock()
    in_flight = 0
    last = time.monotonic()


def read_config(path):
    cfg = {"status": "200", "body_hex": "", "mode": "normal", "delay_ms": "0", "redirect_to": ""}
    try:
        with open(path, encoding="latin-1") as f:
            for line in f:
                line = line.strip()
                if "=" in line:
                    k, v = line.split("=", 1)
                    cfg[k.strip()] = v.strip()
    except FileNotFoundError:
        pass
    return cfg


def make_handler(folder):
    class Handler(BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.0"

        def log_message(self, fmt, *args):
            pass

        def hang_up(self):
            self.close_connection = True
            try:
                self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

        def handle_any(self):
            with State.lock:
                State.in_flight += 1
                State.last = time.monotonic()
                in_flight = State.in_flight
            try:
                length = int(self.headers.get("Content-Length") or 0)
                body = self.rfile.read(length) if length > 0 else b""
                if self.path == "/__quit":
                    self.send_response(200)
                    self.send_header("Content-Length", "0")
                    self.end_headers()
                    threading.Thread(target=self.server.shutdown, daemon=True).start()
                    return
                headers = "".join("%s: %s\n" % (k, v) for k, v in self.headers.items())
                record = "\t".join([self.command, self.path, body.hex(),
                                    headers.encode("latin-1", "replace").hex(), str(in_flight)])
                with State.lock:
                    with open(os.path.join(folder, "requests.log"), "a", encoding="latin-1") as f:
                        f.write(record + "\n")
                cfg = read_config(os.path.join(folder, "reply.cfg"))
                delay = int(cfg["delay_ms"]) / 1000.0
                if delay > 0:
                    time.sleep(delay)
                mode = cfg["mode"]
                if mode == "drop":
                    self.hang_up()
                    return
                if cfg["redirect_to"] and self.path != cfg["redirect_to"]:
                    self.send_response(302)
                    self.send_header("Location", cfg["redirect_to"])
                    self.send_header("Content-Length", "0")
                    self.end_headers()
                    return
                data = bytes.fromhex(cfg["body_hex"])
                self.send_response(int(cfg["status"]))
                self.send_header("Content-Type", "text/plain")
                if mode != "nolength":
                    self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                if mode == "cutbody":
                    self.wfile.write(data[:len(data) // 2])
                    self.wfile.flush()
                    self.hang_up()
                    return
                self.wfile.write(data)
            finally:
                with State.lock:
                    State.in_flight -= 1
                    State.last = time.monotonic()

        do_GET = handle_any
        do_POST = handle_any

    return Handler


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--dir", required=True)
    args = ap.parse_args()
    server = ThreadingHTTPServer(("127.0.0.1", 0), make_handler(args.dir))
    server.daemon_threads = True
    tmp = os.path.join(args.dir, "port.tmp")
    with open(tmp, "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(tmp, os.path.join(args.dir, "port"))

    def watchdog():
        while True:
            time.sleep(5)
            with State.lock:
                idle = State.in_flight == 0 and time.monotonic() - State.last > IDLE_LIMIT
            if idle:
                server.shutdown()
                return

    threading.Thread(target=watchdog, daemon=True).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
