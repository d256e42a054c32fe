"""The request codes, checked on the service object without HTTP in between."""

import os
import shutil
import tempfile
import unittest

import codec
from service import Service
from store import read_message
from tests.support import RECORD, first_field, request_line

EMAIL = "John.Smith@Example.com"


class ServiceTest(unittest.TestCase):
    def setUp(self):
        self.data = tempfile.mkdtemp(prefix="accountd-svc-")
        self.mails = []
        self.svc = Service(self.data, form="plain", echo=self.mails.append)

    def tearDown(self):
        self.svc.close()
        shutil.rmtree(self.data, ignore_errors=True)

    def ask(self, code, data, email=EMAIL, app="LXK", form=None):
        """Sends a request line through the codec; returns (status, fields)."""
        body, _, _ = self.svc.handle_encoded(codec.encode(request_line(code, email, data, app)), form)
        self.assertTrue(body.endswith(b"\r\n"))
        reply = codec.decode(body[:-2]).decode("latin-1")
        return first_field(reply)

    def newest_mail(self, address=EMAIL):
        found = self.svc.mailbox.newest(address)
        self.assertIsNotNone(found)
        return found[1]

    def sign_up_and_log_in(self, email=EMAIL):
        self.ask(104, "English|", email)
        pin = self.newest_mail(email)["Secret"]
        self.assertEqual(self.ask(100, pin + "|", email)[0], "0")
        return pin

    def test_refused_lines(self):
        bad = self.svc.handle_encoded("not encoded at all")
        self.assertEqual(first_field(codec.decode(bad[0][:-2]).decode())[0], "1")
        self.assertEqual(bad[2], 1)
        for line, status in (("LXK;2.9;15;1;104;", "1"),             # no bar
                             ("LXK;104|a@b.cc|x|", "1"),              # short header
                             ("LXK;2.9;15;1;1x4;|a@b.cc|x|", "1"),    # code not a number
                             ("LXK;2.9;15;1;104;|a@b.cc", "1"),       # no data field
                             ("", "1"),
                             ("ABC;2.9;15;1;104;|a@b.cc|English|", "26"),
                             ("LXK;2.9;15;1;105;|a@b.cc|English|", "25"),
                             ("LXK;2.9;15;1;2000;|a@b.cc|English|", "1")):
            body, req, st = self.svc.handle_line(line)
            self.assertEqual(first_field(codec.decode(body[:-2]).decode())[0], status, line)
        self.assertEqual(self.ask(104, "English|", app="XYZ")[0], "26")

    def test_register_new_then_known(self):
        status, fields = self.ask(104, "English|")
        self.assertEqual(fields, ["10", EMAIL])              # two fields: account made, PIN mailed
        mail = self.newest_mail()
        self.assertEqual(mail["Kind"], "pin")
        self.assertEqual(mail["To"], EMAIL)
        self.assertRegex(mail["Secret"], r"^\d{6}$")
        self.assertTrue(any(mail["Secret"] in m for m in self.mails))
        # Known address without details: status 21 alone (the page treats it as known).
        self.assertEqual(self.ask(104, "English|", email=EMAIL.lower())[1], ["21", EMAIL])
        self.assertEqual(len(os.listdir(os.path.join(self.data, "mailbox"))), 1)
        for bad in ("no-at-sign", "two@@example.com", "a b@example.com", "x@nodot", "@example.com"):
            self.assertEqual(self.ask(104, "English|", email=bad)[0], "19", bad)

    def test_personal_details_come_back_in_page_order(self):
        self.sign_up_and_log_in()
        self.assertEqual(self.ask(112, RECORD)[0], "0")
        status, f = self.ask(104, "English|")
        self.assertEqual(status, "0")
        self.assertEqual(len(f), 19)
        expect = {1: EMAIL, 2: "Mr.", 3: "Mr.", 4: "", 5: "John", 6: "Smith", 7: "", 8: "",
                  9: "1 Main St", 10: "", 11: "", 12: "Springfield", 13: "IL", 14: "",
                  15: "62701", 16: "US", 17: "I", 18: ""}
        for i, v in expect.items():
            self.assertEqual(f[i], v, "field %d" % i)
        company = RECORD.replace("|Mr.|Mr.| |John|Smith| |Smith| |", "|Mrs.|Mrs.| |Ann|Lee|Bo|Lee|Kim|")
        company = company.replace("|US| |WXP| |", "|US|Acme Ltd|WXP|Mrs. Ann Lee|").replace("|I|1|", "|C|1|")
        self.assertEqual(self.ask(112, company)[0], "0")
        f = self.ask(104, "English|")[1]
        self.assertEqual((f[2], f[5], f[6], f[7], f[8], f[17], f[18]),
                         ("Mrs.", "Ann", "Lee", "Bo", "Kim", "C", "Acme Ltd"))
        # Refused records change nothing.
        self.assertEqual(self.ask(112, "LXK|2.9|15|")[0], "1")
        self.assertEqual(self.ask(112, RECORD.replace("|John|", "| |"))[0], "1")
        self.assertEqual(self.ask(112, company.replace("|Acme Ltd|", "| |"))[0], "1")
        self.assertEqual(self.ask(112, RECORD.replace("|I|1|", "|X|1|"))[0], "1")
        self.assertEqual(self.ask(104, "English|")[1][5], "Ann")

    def test_log_in_and_out(self):
        self.assertEqual(self.ask(100, "123456|")[0], "9")            # no account yet
        self.ask(104, "English|")
        pin = self.newest_mail()["Secret"]
        self.assertEqual(self.ask(100, "wrong|")[0], "8")
        self.assertEqual(self.ask(100, pin + " |")[0], "8")           # passwords are not trimmed
        self.assertEqual(self.ask(100, "|")[0], "8")
        self.assertEqual(self.ask(100, pin + "|")[0], "0")
        self.assertEqual(self.ask(100, pin + "|")[0], "16")           # still logged in: 16
        self.assertEqual(self.ask(102, " ")[0], "0")
        self.assertEqual(self.ask(100, pin + "|", email=EMAIL.upper())[0], "0")
        self.assertEqual(self.ask(102, " ", email="nobody@example.com")[0], "9")
        # A password with a bar in it survives (only the closing bar is cut).
        self.svc.store.set_secret(EMAIL, "pa|ss")
        self.assertEqual(self.ask(100, "pa|ss|")[0], "16")

    def test_password_request_mails_a_new_password(self):
        pin = self.sign_up_and_log_in()
        self.assertEqual(self.ask(108, "English|")[0], "0")
        mail = self.newest_mail()
        self.assertEqual(mail["Kind"], "password")
        self.assertNotEqual(mail["Secret"], pin)
        self.assertEqual(self.ask(100, pin + "|")[0], "8")
        self.assertEqual(self.ask(100, mail["Secret"] + "|")[0], "16")
        self.assertEqual(self.ask(108, "English|", email="nobody@example.com")[0], "9")

    def test_session_needed_for_details_and_mobile(self):
        for code, data in ((112, RECORD), (116, "US|5551234567|"), (118, "US|5551234567|")):
            self.assertEqual(self.ask(code, data, email="nobody@example.com")[0], "9")
        self.ask(104, "English|")
        for code, data in ((112, RECORD), (116, "US|5551234567|"), (118, "US|5551234567|")):
            self.assertEqual(self.ask(code, data)[0], "2", code)      # not logged in

    def test_mobile_registration_and_validation(self):
        self.sign_up_and_log_in()
        number = "US|+1 (555) 123-4567|"
        self.assertEqual(self.ask(118, number)[0], "20")               # not registered yet
        self.assertEqual(self.ask(116, number)[0], "0")                # taken, unconfirmed
        self.assertEqual(self.ask(116, "US|15551234567|")[0], "24")    # same digits, unconfirmed
        self.assertEqual(self.ask(118, number)[0], "0")                # confirmed
        self.assertEqual(self.ask(116, number)[0], "23")               # confirmed already
        for bad in ("US|abc|", "US|12345|", "US|1234567890123456|", "US|55+51234567|", "US|"):
            self.assertEqual(self.ask(116, bad)[0], "18", bad)
            self.assertEqual(self.ask(118, bad)[0], "18", bad)
        other = "mary@example.org"
        self.sign_up_and_log_in(other)
        self.assertEqual(self.ask(116, number, email=other)[0], "13")  # in use by John
        self.assertEqual(self.ask(118, number, email=other)[0], "20")

    def test_echo_and_report(self):
        status, f = self.ask(200, "x|y z|")
        self.assertEqual(f, ["0", EMAIL, "x", "y z"])
        report = "2.9;15;EN;2026-12-07; ;1;12:00:00|"
        self.assertEqual(self.ask(310, report, email="anonymous@norvanta.com")[0], "0")
        rows = self.svc.store.reports()
        self.assertEqual((rows[-1]["email"], rows[-1]["report"]), ("anonymous@norvanta.com", report))

    def test_reply_forms(self):
        self.ask(104, "English|")
        pin = self.newest_mail()["Secret"]
        raw = lambda code, data, form: codec.decode(self.svc.handle_encoded(
            codec.encode(request_line(code, EMAIL, data)), form)[0][:-2]).decode()
        self.assertEqual(raw(100, "bad|", "plain"), "8|")
        self.assertEqual(raw(100, "bad|", "dotted"), "100.08|")
        self.assertEqual(raw(100, "bad|", "mixed"), "100.08|")
        self.assertEqual(raw(104, "English|", "mixed"), "21|%s|" % EMAIL)
        self.assertEqual(raw(104, "English|", "dotted"), "104.21|%s|" % EMAIL)
        self.assertEqual(raw(100, pin + "|", "dotted"), "100.00|")
        self.assertEqual(raw(999, "x|", "dotted"), "999.25|")
        self.assertEqual(raw(100, "bad|", "mixed"), "100.08|")
        self.assertEqual(first_field("100.08|")[0], "8")
        # Every form reads back to the same status through the client's first-field rule.
        for form in ("plain", "dotted", "mixed"):
            self.assertEqual(first_field(raw(108, "English|", form))[0], "0")

    def test_accounts_survive_a_restart(self):
        pin = self.sign_up_and_log_in()
        self.ask(112, RECORD)
        self.svc.close()
        self.svc = Service(self.data, form="plain")
        self.assertEqual(self.ask(100, pin + "|")[0], "16")
        self.assertEqual(self.ask(104, "English|")[1][5], "John")
        self.svc.mailbox.send(EMAIL, "pin", "999999", "s", "b")        # numbering goes on
        names = sorted(os.listdir(os.path.join(self.data, "mailbox")))
        self.assertEqual([n[:6] for n in names], ["000001", "000002"])
        self.assertEqual(read_message(os.path.join(self.data, "mailbox", names[-1]))["Secret"], "999999")


if __name__ == "__main__":
    unittest.main()
