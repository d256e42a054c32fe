"""Helpers for the accountd tests: a server on a free port, and a small client."""

import http.client
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

import codec

HERE = os.path.dirname(os.path.abspath(__file__))
ACCOUNTD = os.path.join(os.path.dirname(HERE), "accountd.py")

RECORD = ("LXK|2.9|15| | | | |Mr.|Mr.| |John|Smith| |Smith| |1 Main St| | |Springfield|IL| "
          "|62701|US| |WXP| |English|2026120701010101|I|1|1;2;|")


def first_field(reply):
    """The status as the wizard reads it from a reply line (its first-field rule)."""
    text = reply.strip()
    if not text.endswith("|"):
        text += "|"
    pieces = [p.strip() for p in text.split("|")[:-1]]
    f0 = pieces[0] if pieces else ""
    if f0.count(".") == 1:
        lead = ""
        for c in f0:
            if not c.isdigit():
                break
            lead += c
        if lead and int(lead) >= 100:
            after = f0.split(".", 1)[1][:2]
            if after.isdigit():
                f0 = str(int(after))
    return f0, pieces


def request_line(code, email, data, app="LXK"):
    return ("%s;2.9;15;1;%d;|%s|%s" % (app, code, email, data)).encode("latin-1")


class Server:
    """accountd in a child process on a free port, with its own data folder."""

    def __init__(self, *args, data=None):
        self.data = data or tempfile.mkdtemp(prefix="accountd-test-")
        self.owns_data = data is None
        self.port_file = os.path.join(self.data, "port")
        if os.path.exists(self.port_file):
            os.remove(self.port_file)
        self.proc = subprocess.Popen(
            [sys.executable, ACCOUNTD, "--port", "0", "--port-file", self.port_file,
             "--data", self.data] + list(args),
            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        deadline = time.monotonic() + 10
        while not os.path.exists(self.port_file):
            if self.proc.poll() is not None or time.monotonic() > deadline:
                self.stop()
                raise RuntimeError("accountd did not start: %s" % self.proc.stderr.read())
            time.sleep(0.02)
        with open(self.port_file) as f:
            self.port = int(f.read())

    def stop(self, sig=signal.SIGTERM, timeout=10):
        """Stops the child; returns (exit code, stdout, stderr)."""
        if self.proc.poll() is None:
            self.proc.send_signal(sig)
        try:
            out, err = self.proc.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            out, err = self.proc.communicate()
        return self.proc.returncode, out.decode("latin-1"), err.decode("latin-1")

    def cleanup(self):
        self.stop()
        if self.owns_data:
            shutil.rmtree(self.data, ignore_errors=True)

    # Client side -------------------------------------------------------------------

    def http(self, method, target, body=None, timeout=10):
        """(status, body bytes) of one exchange."""
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        try:
            conn.request(method, target, body=body,
                         headers={"user-agent": "null ", "content-type": "Application/Octet"})
            resp = conn.getresponse()
            return resp.status, resp.read()
        finally:
            conn.close()

    def send(self, code, email, data, post=False, app="LXK"):
        """Sends one request as the client does; returns the decoded reply text."""
        encoded = codec.encode(request_line(code, email, data, app))
        if post:
            status, body = self.raw_post("ZORodaze/NV?", encoded)
        else:
            status, body = self.http("GET", "/ZORodaze/NV?message=" + encoded)
        if status != 200:
            raise AssertionError("HTTP status %d" % status)
        if not body.endswith(b"\r\n"):
            raise AssertionError("reply does not end in CR LF: %r" % body)
        return codec.decode(body[:-2]).decode("latin-1").strip()

    def raw_post(self, target, encoded):
        """A POST whose object name is written exactly as given (no leading slash added)."""
        payload = encoded.encode("ascii")
        head = ("POST %s HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nuser-agent: null \r\n"
                "content-type: Application/Octet\r\nContent-Length: %d\r\n\r\n"
                % (target, self.port, len(payload))).encode("ascii")
        return raw_exchange(self.port, head + payload)

    def control(self, query):
        status, body = self.http("GET", "/_accountd/control?" + query)
        return status, json.loads(body.decode("utf-8"))

    def mail(self, address):
        status, body = self.http("GET", "/_accountd/mail?to=" + address)
        return json.loads(body.decode("utf-8")) if status == 200 else None

    def reports(self):
        status, body = self.http("GET", "/_accountd/reports")
        return json.loads(body.decode("utf-8"))["reports"] if status == 200 else None


def raw_exchange(port, payload, timeout=10):
    """Sends raw bytes, reads until the server closes; returns (status or None, body)."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        s.sendall(payload)
        s.shutdown(socket.SHUT_WR)
        chunks = []
        while True:
            try:
                chunk = s.recv(65536)
            except ConnectionResetError:
                break
            if not chunk:
                break
            chunks.append(chunk)
    data = b"".join(chunks)
    if not data:
        return None, b""
    head, _, body = data.partition(b"\r\n\r\n")
    try:
        status = int(head.split(b" ", 2)[1])
    except (IndexError, ValueError):
        status = None
    return status, body
