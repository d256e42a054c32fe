"""accountd over HTTP: the wizard's requests end to end, faults, stopping."""

import os
import signal
import socket
import threading
import time
import unittest
from types import SimpleNamespace

import codec
from tests.support import RECORD, Server, first_field, raw_exchange, request_line

EMAIL = "jane@example.com"


class WizardRoadTest(unittest.TestCase):
    """One server for the whole road of a sign-up, as the wizard walks it."""

    @classmethod
    def setUpClass(cls):
        cls.srv = Server("--form", "mixed")

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def test_ping_and_unknown_paths(self):
        self.assertEqual(self.srv.http("GET", "/ZORodaze/ping.jsp"), (200, b"OK\r\n"))
        self.assertEqual(self.srv.http("GET", "/ZORodaze/other.jsp")[0], 404)
        self.assertEqual(self.srv.http("GET", "/")[0], 404)
        self.assertEqual(self.srv.http("DELETE", "/ZORodaze/NV?message=abc")[0], 501)

    def test_sign_up_road(self):
        s = self.srv
        status, fields = first_field(s.send(104, EMAIL, "English|"))
        self.assertEqual((status, len(fields)), ("10", 2))
        s.send(102, EMAIL, " ")                           # the page logs out right after
        mail = s.mail(EMAIL)
        self.assertEqual(mail["Kind"], "pin")
        self.assertTrue(os.path.isfile(mail["File"]))
        pin = mail["Secret"]
        self.assertEqual(first_field(s.send(100, EMAIL, "nope|"))[0], "8")
        self.assertEqual(s.send(100, EMAIL, pin + "|"), "100.00|")      # mixed: dotted for 100
        self.assertEqual(first_field(s.send(112, EMAIL, RECORD)), ("0", ["0"]))
        self.assertEqual(first_field(s.send(116, EMAIL, "US|555 123 4567|"))[0], "0")
        self.assertEqual(first_field(s.send(116, EMAIL, "US|555 123 4567|"))[0], "24")
        self.assertEqual(first_field(s.send(118, EMAIL, "US|555 123 4567|"))[0], "0")
        self.assertEqual(s.reports(), [])
        self.assertEqual(first_field(s.send(310, "anonymous@norvanta.com", "2.9;15; ;x|"))[0], "0")
        self.assertEqual([(r["Email"], r["Report"]) for r in s.reports()],
                         [("anonymous@norvanta.com", "2.9;15; ;x|")])
        self.assertEqual(first_field(s.send(102, EMAIL, " "))[0], "0")
        # A second run of the wizard: the address is known and its details come back.
        status, fields = first_field(s.send(104, EMAIL, "English|"))
        self.assertEqual((status, len(fields), fields[5], fields[6], fields[16]),
                         ("0", 19, "John", "Smith", "US"))
        self.assertEqual(first_field(s.send(108, EMAIL, "English|"))[0], "0")
        self.assertEqual(s.mail(EMAIL)["Kind"], "password")

    def test_post_code_200_in_both_object_name_forms(self):
        s = self.srv
        self.assertEqual(s.send(200, EMAIL, "a|b|", post=True), "200.00|%s|a|b|" % EMAIL)
        encoded = codec.encode(request_line(200, EMAIL, "c|"))
        for target in ("/ZORodaze/NV?", "/ZORodaze/NV"):
            status, body = s.raw_post(target, encoded)
            self.assertEqual(status, 200)
            self.assertEqual(codec.decode(body[:-2]), ("200.00|%s|c|" % EMAIL).encode())
        # A POST without a body falls back to the message in the query.
        status, body = s.http("POST", "/ZORodaze/NV?message=" + encoded, body=b"")
        self.assertEqual(codec.decode(body[:-2]), ("200.00|%s|c|" % EMAIL).encode())

    def test_refusals_and_garbage(self):
        s = self.srv
        for target in ("/ZORodaze/NV?message=has%20blank", "/ZORodaze/NV?message=", "/ZORodaze/NV",
                       "/ZORodaze/NV?message=%ff%fe"):
            status, body = s.http("GET", target)
            self.assertEqual(status, 200, target)
            self.assertEqual(codec.decode(body[:-2]), b"1|", target)
        self.assertEqual(first_field(s.send(104, EMAIL, "English|", app="ZZZ"))[0], "26")
        self.assertEqual(first_field(s.send(123, EMAIL, "x|"))[0], "25")
        # Junk on the socket never takes the server down.
        for junk in (b"\x00\xff\xfe garbage\r\n\r\n", b"GET\r\n\r\n", b"GET / HTTP/9.9\r\n\r\n",
                     b"POST /ZORodaze/NV? HTTP/1.0\r\nContent-Length: -5\r\n\r\n",
                     b"POST /ZORodaze/NV? HTTP/1.0\r\nContent-Length: 99999999999\r\n\r\n",
                     b"GET /ZORodaze/NV?message=" + b"a" * 70000 + b" HTTP/1.0\r\n\r\n", b""):
            status, _ = raw_exchange(s.port, junk)
            self.assertTrue(status is None or status >= 400, junk[:30])
        with socket.create_connection(("127.0.0.1", s.port)) as half:
            half.sendall(b"GET /ZORodaze/ping.jsp HTTP/1.0\r\n")    # and then nothing
            self.assertEqual(s.http("GET", "/ZORodaze/ping.jsp")[0], 200)  # others still served
        self.assertEqual(s.http("GET", "/ZORodaze/ping.jsp")[0], 200)
        self.assertIsNone(s.proc.poll())


    def test_parallel_sign_ups(self):
        addresses = ["user%02d@example.net" % i for i in range(24)]
        replies = {}

        def sign_up(address):
            replies[address] = first_field(self.srv.send(104, address, "English|"))

        threads = [threading.Thread(target=sign_up, args=(a,)) for a in addresses]
        for t in threads:
            t.start()
        for t in threads:
            t.join(30)
        self.assertEqual(sorted(replies), addresses)
        for address, (status, fields) in replies.items():
            self.assertEqual((status, fields[1]), ("10", address))
        files = [self.srv.mail(a)["File"] for a in addresses]
        self.assertEqual(len(set(os.path.basename(f)[:6] for f in files)), len(addresses))
        self.assertEqual(self.srv.http("HEAD", "/ZORodaze/ping.jsp"), (200, b""))
        self.assertEqual(self.srv.http("HEAD", "/ZORodaze/NV?message=abc")[0], 405)


class FaultTest(unittest.TestCase):
    def start(self, *args):
        srv = Server(*args)
        self.addCleanup(srv.cleanup)
        return srv

    def assert_faults(self, srv, kind, expect_ping_ok=True):
        """Checks that an account request meets the fault `kind`."""
        encoded = codec.encode(request_line(104, EMAIL, "English|"))
        if kind == "http":
            self.assertEqual(srv.http("GET", "/ZORodaze/NV?message=" + encoded)[0], 404)
        elif kind == "empty":
            self.assertEqual(srv.http("GET", "/ZORodaze/NV?message=" + encoded), (200, b""))
        elif kind == "garbage":
            status, body = srv.http("GET", "/ZORodaze/NV?message=" + encoded)
            self.assertEqual(status, 200)
            self.assertTrue(body.endswith(b"\r\n"))
            self.assertRaises(codec.CodecError, codec.decode, body[:-2])
        elif kind == "drop":
            req = ("GET /ZORodaze/NV?message=%s HTTP/1.1\r\nHost: x\r\n\r\n" % encoded).encode()
            self.assertEqual(raw_exchange(srv.port, req), (None, b""))
        elif kind == "status":
            self.assertEqual(first_field(srv.send(104, EMAIL, "English|"))[0], "4")
        if expect_ping_ok:
            self.assertEqual(srv.http("GET", "/ZORodaze/ping.jsp")[0], 200)

    def test_fault_modes_from_the_command_line(self):
        for mode in ("http", "empty", "garbage", "drop", "status"):
            srv = self.start("--fault", mode)
            self.assert_faults(srv, mode)
            srv.cleanup()
        srv = self.start("--fault", "404", "--fault-scope", "all")
        self.assertEqual(srv.http("GET", "/ZORodaze/ping.jsp")[0], 404)
        srv = self.start("--fault", "http", "--http-status", "503", "--fault-count", "1")
        self.assertEqual(srv.http("GET", "/ZORodaze/NV?message=x")[0], 503)
        self.assertEqual(first_field(srv.send(104, EMAIL, "English|"))[0], "10")   # used up
        srv = self.start("--fault", "status", "--fault-status", "4", "--form", "dotted")
        self.assertEqual(srv.send(116, EMAIL, "US|1234567|"), "116.04|")

    def test_delay(self):
        srv = self.start("--delay", "1.0")
        started = time.monotonic()
        self.assertEqual(first_field(srv.send(104, EMAIL, "English|"))[0], "10")
        self.assertGreaterEqual(time.monotonic() - started, 0.9)
        started = time.monotonic()
        self.assertEqual(srv.http("GET", "/ZORodaze/ping.jsp")[0], 200)   # scope nv: ping not held
        self.assertLess(time.monotonic() - started, 0.9)

    def test_switching_at_run_time(self):
        srv = self.start()
        for mode in ("http", "empty", "garbage", "drop", "status"):
            status, state = srv.control("mode=" + mode)
            self.assertEqual((status, state["fault"]["mode"]), (200, mode))
            self.assertEqual(state["port"], srv.port)
            self.assert_faults(srv, mode)
        srv.control("mode=none")
        self.assertEqual(first_field(srv.send(104, EMAIL, "English|"))[0], "10")
        # count: the fault hits once and then the server is healthy again.
        srv.control("mode=empty&count=1")
        self.assert_faults(srv, "empty")
        self.assertEqual(first_field(srv.send(104, EMAIL, "English|"))[0], "21")
        self.assertEqual(srv.control("")[1]["fault"]["mode"], "none")
        # The reply form switches too, and bad values change nothing.
        srv.control("form=dotted")
        self.assertEqual(srv.send(104, EMAIL, "English|"), "104.21|%s|" % EMAIL)
        self.assertEqual(srv.control("mode=bogus")[0], 400)
        self.assertEqual(srv.control("form=bogus")[0], 400)
        self.assertEqual(srv.control("mode=http&code=99")[0], 400)
        self.assertEqual(srv.control("delay=abc")[0], 400)
        self.assertEqual(srv.control("")[1]["form"], "dotted")
        self.assertEqual(srv.control("reset=1")[1], {"fault": srv.control("")[1]["fault"],
                                                     "form": "mixed", "port": srv.port})
        # The control file: applied when it appears or changes, undone when it goes.
        path = os.path.join(srv.data, "control.txt")
        with open(path, "w") as f:
            f.write("# test\nmode=http\ncode=500\n")
        self.assertEqual(srv.http("GET", "/ZORodaze/NV?message=x")[0], 500)
        time.sleep(0.02)
        with open(path, "w") as f:
            f.write("mode=garbage\nscope=all\n")
        self.assertEqual(srv.http("GET", "/ZORodaze/ping.jsp")[1], b"?? this is not an encoded reply ??\r\n")
        os.remove(path)
        self.assertEqual(first_field(srv.send(104, EMAIL, "English|"))[0], "21")


    def test_control_paths_answer_loopback_only(self):
        from accountd import Handler
        for address, ok in (("127.0.0.1", True), ("127.3.4.5", True), ("::1", True), ("::ffff:127.0.0.1", True),
                            ("10.0.0.7", False), ("192.168.1.2", False), ("::ffff:10.0.0.7", False),
                            ("junk", False)):
            self.assertEqual(Handler.is_loopback(SimpleNamespace(client_address=(address, 1))), ok,
                             address)


class StopTest(unittest.TestCase):
    def test_stops_on_sigterm_and_sigint_even_while_delaying(self):
        for sig in (signal.SIGTERM, signal.SIGINT):
            srv = Server("--delay", "30")
            try:
                sock = socket.create_connection(("127.0.0.1", srv.port))
                sock.sendall(b"GET /ZORodaze/NV?message=abc HTTP/1.0\r\n\r\n")
                time.sleep(0.2)                      # the request is now being delayed
                started = time.monotonic()
                rc, out, err = srv.stop(sig, timeout=10)
                self.assertLess(time.monotonic() - started, 5)
                self.assertEqual(rc, 0, err)
                self.assertIn("accountd listening on http://127.0.0.1:%d" % srv.port, out)
                self.assertIn("accountd stopped", out)
                self.assertNotIn("Traceback", err)
                sock.settimeout(5)
                self.assertEqual(sock.recv(100), b"")     # the delayed request was dropped
                sock.close()
                with self.assertRaises(OSError):
                    socket.create_connection(("127.0.0.1", srv.port), timeout=2).close()
            finally:
                srv.cleanup()

    def test_busy_port_and_bad_switches_fail_cleanly(self):
        srv = Server()
        try:
            import subprocess, sys
            from tests.support import ACCOUNTD
            r = subprocess.run([sys.executable, ACCOUNTD, "--port", str(srv.port), "--data", srv.data],
                               capture_output=True, timeout=10)
            self.assertEqual(r.returncode, 1)
            self.assertIn(b"cannot listen", r.stderr)
            r = subprocess.run([sys.executable, ACCOUNTD, "--fault", "sometimes", "--data", srv.data],
                               capture_output=True, timeout=10)
            self.assertEqual(r.returncode, 2)
        finally:
            srv.cleanup()

    def test_log_never_shows_a_password(self):
        srv = Server("--fixed-secret", "S3cretPIN")
        try:
            srv.send(104, EMAIL, "English|")
            srv.send(100, EMAIL, "S3cretPIN|")
            srv.send(100, EMAIL, "Wrong-Guess|")
            rc, out, err = srv.stop()
            self.assertIn("MAIL pin to %s: S3cretPIN" % EMAIL, out)      # mailed PINs are printed
            self.assertIn("code 100 <%s> -> status 0" % EMAIL, err)
            self.assertIn("code 100 <%s> -> status 8" % EMAIL, err)
            self.assertNotIn("S3cretPIN", err)
            self.assertNotIn("Wrong-Guess", err)
            for enc in (codec.encode(request_line(100, EMAIL, "Wrong-Guess|")),):
                self.assertNotIn(enc[:20], err)
        finally:
            srv.cleanup()


if __name__ == "__main__":
    unittest.main()
