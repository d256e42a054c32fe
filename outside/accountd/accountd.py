#!/usr/bin/env python3
"""accountd: a small stand-in for the online account service, over HTTP.

    GET  /ZORodaze/ping.jsp                 -> 200 "OK"
    GET  /ZORodaze/NV?message=<encoded>     -> 200, encoded reply line + CR LF
    POST /ZORodaze/NV?   body <encoded>     -> the same (the client posts code 200)
    GET  /_accountd/control?key=value&...   -> loopback only: switch faults at run time
    GET  /_accountd/mail?to=<address>       -> loopback only: newest mailbox message (JSON)
    GET  /_accountd/reports                 -> loopback only: installation reports received (JSON)

Run `accountd.py --help` for the switches; README.md beside this file has the details.
"""

import argparse
import ipaddress
import json
import os
import signal
import socket
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

HERE = os.path.dirname(os.path.abspath(__file__))
if HERE not in sys.path:
    sys.path.insert(0, HERE)

from service import FORMS, Service  # noqa: E402

PING_PATH = "ZORodaze/ping.jsp"
REQUEST_PATH = "ZORodaze/NV"
CONTROL_PATH = "_accountd/control"
MAIL_PATH = "_accountd/mail"
REPORTS_PATH = "_accountd/reports"
MAX_BODY = 1 << 20
GARBAGE_BODY = b"?? this is not an encoded reply ??\r\n"

FAULT_MODES = ("none", "http", "empty", "garbage", "drop", "status", "delay")
FAULT_ALIASES = {"404": "http", "undecodable": "garbage", "close": "drop", "off": "none"}
FAULT_SCOPES = ("nv", "ping", "all")
FAULT_KEYS = ("mode", "code", "delay", "status", "scope", "count")


class Fault:
    """What the server does wrong, and to which requests."""

    def __init__(self, mode="none", code=404, delay=0.0, status=4, scope="nv", count=0):
        mode = FAULT_ALIASES.get(str(mode).lower(), str(mode).lower())
        if mode not in FAULT_MODES:
            raise ValueError("unknown fault mode %r" % mode)
        if scope not in FAULT_SCOPES:
            raise ValueError("unknown fault scope %r" % scope)
        self.mode = mode
        self.code = int(code)
        if not 100 <= self.code <= 599:
            raise ValueError("HTTP status out of range")
        self.delay = float(delay)
        if self.mode == "delay" and self.delay <= 0:
            self.delay = 2.0
        if not 0 <= self.delay <= 3600:
            raise ValueError("delay out of range")
        self.status = int(status)
        if not 0 <= self.status <= 99:
            raise ValueError("status out of range")
        self.scope = scope
        self.count = int(count)   # how many more requests it hits; 0 = every one

    @classmethod
    def from_pairs(cls, pairs):
        kwargs = {k: v for k, v in pairs.items() if k in FAULT_KEYS}
        return cls(**kwargs)

    @property
    def active(self):
        return self.mode not in ("none", "delay") or self.delay > 0

    def as_dict(self):
        return {k: getattr(self, k) for k in FAULT_KEYS}


def parse_pairs(text):
    """key=value pairs separated by '&' or line ends; '#' starts a comment line."""
    pairs = {}
    for item in text.replace("\r", "\n").replace("&", "\n").split("\n"):
        item = item.strip()
        if not item or item.startswith("#"):
            continue
        key, _, value = item.partition("=")
        pairs[urllib.parse.unquote(key.strip()).lower()] = urllib.parse.unquote(value.strip())
    return pairs


class Settings:
    """Fault and reply form, changeable at run time through the control path or file."""

    def __init__(self, fault, form, control_file=None):
        self.lock = threading.Lock()
        self.start_fault, self.start_form = fault, form
        self.fault, self.form = fault, form
        self.control_file = control_file
        self.control_seen = None
        self.poll_lock = threading.Lock()

    def apply(self, pairs):
        """Change the settings; raises ValueError and changes nothing on bad input."""
        with self.lock:
            fault = Fault.from_pairs(pairs) if any(k in pairs for k in FAULT_KEYS) else self.fault
            form = pairs.get("form", self.form)
            if form not in FORMS:
                raise ValueError("unknown reply form %r" % form)
            if pairs.get("reset"):
                fault, form = self.start_fault, self.start_form
            self.fault, self.form = fault, form

    def poll_control_file(self, log):
        """Apply the control file when it appeared or changed; restore when it went."""
        if not self.control_file:
            return
        with self.poll_lock:
            self._poll_control_file(log)

    def _poll_control_file(self, log):
        try:
            st = os.stat(self.control_file)
            seen = (st.st_mtime_ns, st.st_size)
        except OSError:
            seen = None
        if seen == self.control_seen:
            return
        self.control_seen = seen
        if seen is None:
            with self.lock:
                self.fault, self.form = self.start_fault, self.start_form
            log("control file removed: faults back to the start settings")
            return
        try:
            with open(self.control_file, "r", encoding="latin-1") as f:
                self.apply(parse_pairs(f.read()))
            log("control file applied: %s" % json.dumps(self.snapshot()))
        except (OSError, ValueError) as e:
            log("control file ignored: %s" % e)

    def take_fault(self, kind):
        """The fault that hits this request (kind "nv" or "ping"), or None."""
        with self.lock:
            f = self.fault
            if not f.active or f.scope not in (kind, "all"):
                return None
            if f.count > 0:
                f.count -= 1
                if f.count == 0:
                    self.fault = Fault()
                    return Fault(f.mode, f.code, f.delay, f.status, f.scope)
            return f

    def snapshot(self):
        with self.lock:
            return {"fault": self.fault.as_dict(), "form": self.form}


class Handler(BaseHTTPRequestHandler):
    server_version = "accountd/1.0"
    sys_version = ""
    protocol_version = "HTTP/1.0"
    timeout = 30          # a client that stops sending does not keep a thread forever

    # Plumbing -------------------------------------------------------------------------

    def log_request(self, code="-", size="-"):
        pass    # one line per request is written by guarded()

    def log_message(self, fmt, *args):
        # Only the messages of the base class come here (bad requests and the like).
        self.server.log("%s %s" % (self.client_address[0], fmt % args))

    def is_loopback(self):
        try:
            ip = ipaddress.ip_address(self.client_address[0].split("%")[0])
        except ValueError:
            return False
        mapped = getattr(ip, "ipv4_mapped", None)     # ::ffff:127.0.0.1 on a dual-stack socket
        return (mapped or ip).is_loopback

    def send_body(self, status, body, content_type="text/plain; charset=us-ascii"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-cache")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def send_json(self, status, obj):
        self.send_body(status, (json.dumps(obj, sort_keys=True) + "\r\n").encode("utf-8"),
                       "application/json")

    def read_body(self):
        length = self.headers.get("Content-Length")
        if length is None:
            return b""
        try:
            n = int(length)
        except ValueError:
            return None
        if n < 0 or n > MAX_BODY:
            return None
        return self.rfile.read(n)

    def split_target(self):
        # WinInet may send the object name of a POST without its leading slash.
        path, _, query = self.path.lstrip("/").partition("?")
        return urllib.parse.unquote(path), query

    # Methods -------------------------------------------------------------------------------

    def do_GET(self):
        self.guarded(self.route)

    def do_HEAD(self):
        self.guarded(self.route)

    def do_POST(self):
        self.guarded(self.route)

    def guarded(self, fn):
        started = time.monotonic()
        self.note = ""
        try:
            fn()
        except (ConnectionError, socket.timeout, BrokenPipeError) as e:
            self.note = "connection lost: %s" % e
            self.close_connection = True
        except Exception as e:   # never let one bad request take the server down
            self.note = "internal error: %r" % e
            self.close_connection = True
            try:
                self.send_body(500, b"internal error\r\n")
            except OSError:
                pass
        # The encoded message is not logged: decoded, a log-in would show its password.
        shown = self.path.partition("?")[0] + ("?..." if "?" in self.path else "")
        self.server.log("%s %s %s %s (%d ms)" % (
            self.client_address[0], self.command, shown[:80], self.note,
            (time.monotonic() - started) * 1000))

    def route(self):
        self.server.settings.poll_control_file(self.server.log)
        path, query = self.split_target()
        if path == PING_PATH:
            self.ping()
        elif path == REQUEST_PATH:
            self.account_request(query)
        elif path in (CONTROL_PATH, MAIL_PATH, REPORTS_PATH) and self.is_loopback():
            {CONTROL_PATH: self.control, MAIL_PATH: self.mail,
             REPORTS_PATH: self.reports}[path](query)
        else:
            self.note = "-> 404 unknown path"
            self.send_body(404, b"not found\r\n")

    def fault_before_reply(self, kind):
        """Apply the fault for this request; True when it already answered."""
        fault = self.server.settings.take_fault(kind)
        if fault is None:
            return None
        if fault.delay > 0:
            if self.server.stopping.wait(fault.delay):
                self.note = "-> dropped (server stopping)"
                self.close_connection = True
                return True
        if fault.mode == "http":
            self.note = "-> fault: HTTP %d" % fault.code
            self.send_body(fault.code, b"fault\r\n")
        elif fault.mode == "empty":
            self.note = "-> fault: empty body"
            self.send_body(200, b"")
        elif fault.mode == "garbage":
            self.note = "-> fault: undecodable body"
            self.send_body(200, GARBAGE_BODY)
        elif fault.mode == "drop":
            self.note = "-> fault: connection dropped"
            self.close_connection = True
            try:
                self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
        else:
            return fault if fault.mode == "status" else None
        return True

    def ping(self):
        if self.fault_before_reply("ping") is True:
            return
        self.note = "-> ping OK"
        self.send_body(200, b"OK\r\n")

    def account_request(self, query):
        if self.command == "HEAD":           # a request has effects: it must carry its reply
            self.note = "-> 405 HEAD"
            self.send_body(405, b"")
            return
        encoded = ""
        if self.command == "POST":
            body = self.read_body()
            if body is None:
                self.note = "-> 413 bad body length"
                self.close_connection = True
                self.send_body(413, b"bad body length\r\n")
                return
            encoded = body.decode("latin-1").strip()
        if not encoded:
            encoded = message_from_query(query)
        fault = self.fault_before_reply("nv")
        if fault is True:
            return
        service = self.server.service
        form = self.server.settings.snapshot()["form"]
        if fault is not None:    # "status" fault: a well-formed reply with a fixed status
            self.note = "-> fault: status %d" % fault.status
            self.send_body(200, service.fixed_status_reply(encoded, fault.status, form))
            return
        body, req, status = service.handle_encoded(encoded, form)
        if req is None:
            self.note = "-> refused, status %d" % status
        else:
            self.note = "code %d <%s> -> status %d" % (req.code, req.email, status)
        self.send_body(200, body)

    def control(self, query):
        pairs = parse_pairs(query)
        try:
            self.server.settings.apply(pairs)
        except (ValueError, TypeError) as e:
            self.note = "-> control refused: %s" % e
            self.send_json(400, {"error": str(e)})
            return
        state = self.server.settings.snapshot()
        state["port"] = self.server.server_address[1]
        self.note = "-> control %s" % json.dumps(state)
        self.send_json(200, state)

    def mail(self, query):
        to = parse_pairs(query).get("to", "")
        found = self.server.service.mailbox.newest(to) if to else None
        if not found:
            self.note = "-> no mail"
            self.send_json(404, {"error": "no mail for %s" % to})
            return
        path, fields = found
        fields["File"] = path
        self.note = "-> mail %s" % os.path.basename(path)
        self.send_json(200, fields)

    def reports(self, _query):
        service = self.server.service
        with service.lock:
            rows = service.store.reports()
        listed = [{"Email": r[1], "Received": r[2], "Report": r[3]} for r in rows]
        self.note = "-> %d reports" % len(listed)
        self.send_json(200, {"reports": listed})


def message_from_query(query):
    """The encoded text of a GET: the value of "message", or a bare query."""
    bare = None
    for item in query.split("&"):
        key, eq, value = item.partition("=")
        if eq and key.lower() == "message":
            return urllib.parse.unquote(value, encoding="latin-1")
        if not eq and bare is None:
            bare = urllib.parse.unquote(item, encoding="latin-1")
    return bare or ""


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, service, settings, quiet=False):
        if ":" in address[0]:
            self.address_family = socket.AF_INET6
        self.service = service
        self.settings = settings
        self.quiet = quiet
        self.stopping = threading.Event()
        self.log_lock = threading.Lock()
        super().__init__(address, Handler)

    def log(self, text):
        if self.quiet:
            return
        with self.log_lock:
            try:
                sys.stderr.write("%s accountd: %s\n" % (time.strftime("%H:%M:%S"), text))
                sys.stderr.flush()
            except (OSError, ValueError):
                pass

    def handle_error(self, request, client_address):
        self.log("%s error: %r" % (client_address[0], sys.exc_info()[1]))


def parse_args(argv):
    p = argparse.ArgumentParser(description="Account-service stand-in (HTTP).")
    p.add_argument("--host", default="127.0.0.1", help="address to listen on (default 127.0.0.1)")
    p.add_argument("--port", type=int, default=8765, help="port; 0 picks a free one (default 8765)")
    p.add_argument("--port-file", help="write the port in use to this file once listening")
    p.add_argument("--data", default="accountd-data",
                   help="data folder: accounts.sqlite, mailbox/ (default ./accountd-data)")
    p.add_argument("--fault", default="none",
                   help="fault mode: none, http (alias 404), empty, garbage (alias undecodable), "
                        "drop, status, delay")
    p.add_argument("--http-status", type=int, default=404, help="status of the http fault (404)")
    p.add_argument("--delay", type=float, default=0.0, help="seconds to wait before answering")
    p.add_argument("--fault-status", type=int, default=4, help="service status of the status fault (4)")
    p.add_argument("--fault-scope", default="nv", choices=FAULT_SCOPES,
                   help="requests the fault hits: nv (account requests), ping, all (default nv)")
    p.add_argument("--fault-count", type=int, default=0,
                   help="the fault hits this many requests, then switches off (0 = all)")
    p.add_argument("--form", default="mixed", choices=FORMS,
                   help="reply status form: plain \"0\", dotted \"104.00\", mixed (default)")
    p.add_argument("--control-file",
                   help="key=value file re-read on every request (default <data>/control.txt)")
    p.add_argument("--fixed-secret", help="mail this PIN/password instead of random ones (tests)")
    p.add_argument("-q", "--quiet", action="store_true", help="no request log on stderr")
    return p.parse_args(argv)


def main(argv=None):
    args = parse_args(argv)
    try:
        fault = Fault(args.fault, args.http_status, args.delay, args.fault_status,
                      args.fault_scope, args.fault_count)
    except ValueError as e:
        print("accountd: %s" % e, file=sys.stderr)
        return 2

    def say(text):
        print(text, flush=True)

    data = os.path.abspath(args.data)
    service = Service(data, form=args.form, fixed_secret=args.fixed_secret, echo=say)
    control_file = args.control_file or os.path.join(data, "control.txt")
    settings = Settings(fault, args.form, control_file)
    try:
        server = Server((args.host, args.port), service, settings, quiet=args.quiet)
    except OSError as e:
        print("accountd: cannot listen on %s:%d: %s" % (args.host, args.port, e), file=sys.stderr)
        service.close()
        return 1
    port = server.server_address[1]
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)

    stop = threading.Event()

    def on_signal(signum, frame):
        stop.set()

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)

    thread = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2},
                              name="accountd-serve", daemon=True)
    thread.start()
    say("accountd listening on http://%s:%d (data %s)" % (args.host, port, data))
    if fault.active:
        say("accountd fault: %s" % json.dumps(fault.as_dict()))
    while not stop.wait(0.5):
        pass
    server.stopping.set()
    server.shutdown()
    server.server_close()
    service.close()
    say("accountd stopped")
    return 0


if __name__ == "__main__":
    sys.exit(main())
