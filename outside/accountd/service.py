"""The account service: request lines in, reply lines out.

A request line reads  <app>;<version>;<build>;<protocol>;<code>;|<e-mail>|<data>
and every reply is a "|"-separated list whose first field is the status code,
either alone ("0") or after the request code and a dot ("104.00").
"""

import os
import re
import secrets
import string
import threading

import codec
from store import DETAIL_FIELDS, Mailbox, Store

# Status codes of the service (the wizard shows text 148 + code).
OK = 0
BAD_DATA = 1
EXPIRED = 2                 # "communication expired": the account is not logged in
WRONG_PASSWORD = 8
NO_ACCOUNT = 9
PASSWORD_MAILED = 10
MOBILE_IN_USE = 13
ALREADY_LOGGED_IN = 16      # log-in accepted while a session was still open
MOBILE_INVALID = 18
EMAIL_INVALID = 19
NOT_PROCESSED = 20
ACCOUNT_EXISTS = 21
MOBILE_CONFIRMED = 23
MOBILE_UNCONFIRMED = 24
UNKNOWN_REQUEST = 25
UNSUPPORTED_APP = 26

APPLICATION_CODE = "LXK"

LOGIN, LOGOUT, REGISTER, PASSWORD, DETAILS, MOBILE_REG, MOBILE_CHECK, ECHO, REPORT = (
    100, 102, 104, 108, 112, 116, 118, 200, 310)

# Reply forms: "plain" writes the status alone, "dotted" writes "<request code>.<NN>",
# "mixed" uses the dotted form for the codes below and the plain form for the rest.
FORMS = ("plain", "dotted", "mixed")
DOTTED_IN_MIXED = frozenset((LOGIN, PASSWORD, MOBILE_REG, ECHO))

_EMAIL = re.compile(r"^[^@\s|;]+@[^@\s|;.]+(\.[^@\s|;.]+)+$")
_MOBILE_CHARS = re.compile(r"^\+?[0-9()\- ]+$")


class Request:
    __slots__ = ("app", "version", "build", "protocol", "code", "email", "data")

    def __init__(self, app, version, build, protocol, code, email, data):
        self.app, self.version, self.build, self.protocol = app, version, build, protocol
        self.code, self.email, self.data = code, email, data


class RequestError(Exception):
    def __init__(self, status, why, code=None):
        super().__init__(why)
        self.status = status
        self.code = code


def parse_request(line):
    """Split a decoded request line (str); raises RequestError with the status to send."""
    head, bar, rest = line.partition("|")
    if not bar:
        raise RequestError(BAD_DATA, "no field separator")
    parts = head.split(";")
    if len(parts) < 5 or any(p.strip() == "" for p in parts[4:5]):
        raise RequestError(BAD_DATA, "short header")
    code_text = parts[4].strip()
    if not code_text.isdigit() or len(code_text) > 3:
        raise RequestError(BAD_DATA, "bad request code")
    code = int(code_text)
    if parts[0].strip().upper() != APPLICATION_CODE:
        raise RequestError(UNSUPPORTED_APP, "application %r" % parts[0], code)
    email, bar, data = rest.partition("|")
    if not bar:
        raise RequestError(BAD_DATA, "no data field", code)
    return Request(parts[0], parts[1], parts[2], parts[3], code, email.strip(), data)


def strip_bar(data):
    """The data of a one-value request: the value before its closing bar."""
    return data[:-1] if data.endswith("|") else data


def mobile_digits(number):
    """The digits of a mobile number, or None when it is not a plausible number."""
    if not _MOBILE_CHARS.match(number):
        return None
    digits = "".join(c for c in number if c.isdigit())
    return digits if 6 <= len(digits) <= 15 else None


class Service:
    def __init__(self, data_dir, form="mixed", fixed_secret=None, echo=None):
        os.makedirs(data_dir, exist_ok=True)
        self.lock = threading.Lock()
        self.store = Store(os.path.join(data_dir, "accounts.sqlite"))
        self.mailbox = Mailbox(os.path.join(data_dir, "mailbox"), echo=echo)
        self.form = form
        self.fixed_secret = fixed_secret

    def close(self):
        with self.lock:
            self.store.close()

    # Transport ------------------------------------------------------------------

    def handle_encoded(self, encoded, form=None):
        """Encoded request text -> (reply body bytes, request or None, status)."""
        try:
            line = codec.decode(encoded).decode("latin-1")
        except codec.CodecError:
            return self.encode_reply(None, [BAD_DATA], form), None, BAD_DATA
        return self.handle_line(line, form)

    def handle_line(self, line, form=None):
        """Decoded request line (str) -> (reply body bytes, request or None, status)."""
        line = line.split("\0", 1)[0].rstrip("\r\n")
        try:
            req = parse_request(line)
        except RequestError as e:
            return self.encode_reply(e.code, [e.status], form), None, e.status
        with self.lock:
            fields = self.dispatch(req)
        return self.encode_reply(req.code, fields, form), req, int(fields[0])

    def fixed_status_reply(self, encoded, status, form=None):
        """A well-formed reply carrying the given status, whatever was asked."""
        try:
            code = parse_request(codec.decode(encoded).decode("latin-1")).code
        except (codec.CodecError, RequestError):
            code = None
        return self.encode_reply(code, [status], form)

    def status_text(self, code, status, form=None):
        form = form or self.form
        if form == "dotted" or (form == "mixed" and code in DOTTED_IN_MIXED):
            if code is not None and code >= 100:
                return "%d.%02d" % (code, status)
        return str(status)

    def encode_reply(self, code, fields, form=None):
        """Reply fields (the status first) -> encoded body ending in CR LF."""
        fields = [self.status_text(code, int(fields[0]), form)] + [str(f) for f in fields[1:]]
        text = "|".join(f.replace("\0", "") for f in fields) + "|"
        return (codec.encode(text.encode("latin-1", "replace")) + "\r\n").encode("ascii")

    # Requests ----------------------------------------------------------------------

    def dispatch(self, req):
        handler = {
            LOGIN: self.login, LOGOUT: self.logout, REGISTER: self.register,
            PASSWORD: self.request_password, DETAILS: self.personal_details,
            MOBILE_REG: self.mobile_registration, MOBILE_CHECK: self.mobile_validation,
            ECHO: self.echo, REPORT: self.report,
        }.get(req.code)
        if handler is None:
            return [str(UNKNOWN_REQUEST)]
        return [str(f) for f in handler(req)]

    def new_secret(self, digits_only):
        if self.fixed_secret:
            return self.fixed_secret
        if digits_only:
            return "%06d" % secrets.randbelow(1000000)
        alphabet = "".join(c for c in string.ascii_letters + string.digits if c not in "lIO0o1")
        return "".join(secrets.choice(alphabet) for _ in range(8))

    def register(self, req):
        """104: a new address gets an account and a mailed PIN (two fields); a known one
        gets its personal details, or status 21 alone while it has none."""
        if not _EMAIL.match(req.email) or len(req.email) > 254:
            return [EMAIL_INVALID]
        language = strip_bar(req.data).strip()
        row = self.store.account(req.email)
        if row is None:
            pin = self.new_secret(digits_only=True)
            self.store.create_account(req.email, pin, language)
            self.mailbox.send(req.email, "pin", pin, "Your Lexipop PIN",
                              "Welcome to Lexipop. Your PIN is %s." % pin)
            return [PASSWORD_MAILED, req.email]
        if language:
            self.store.set_language(req.email, language)
        if not row["has_details"]:
            return [ACCOUNT_EXISTS, row["address"]]
        fields = [OK, row["address"]]
        fields += [row[name] if name else "" for name in DETAIL_FIELDS]
        return fields

    def login(self, req):
        row = self.store.account(req.email)
        if row is None:
            return [NO_ACCOUNT]
        if not self.store.check_secret(row, strip_bar(req.data)):
            return [WRONG_PASSWORD]
        self.store.set_logged_in(req.email, True)
        return [ALREADY_LOGGED_IN if row["logged_in"] else OK]

    def logout(self, req):
        if self.store.account(req.email) is None:
            return [NO_ACCOUNT]
        self.store.set_logged_in(req.email, False)
        return [OK]

    def request_password(self, req):
        """108: a new password replaces the old one and is mailed."""
        row = self.store.account(req.email)
        if row is None:
            return [NO_ACCOUNT]
        password = self.new_secret(digits_only=False)
        self.store.set_secret(req.email, password)
        self.mailbox.send(row["address"], "password", password, "Your Lexipop password",
                          "Your new Lexipop password is %s." % password)
        return [OK]

    def _session(self, req):
        row = self.store.account(req.email)
        if row is None:
            return None, NO_ACCOUNT
        if not row["logged_in"]:
            return None, EXPIRED
        return row, OK

    def personal_details(self, req):
        """112: LXK|version|build|cobrand|prev cobrand|prev version|prev build|honorific|
        title| |first|last|second|last|second last|address 1|2|3|city|state|province|
        postal code|country code|company|os|contact|language|install date|type|1|1;2;|"""
        row, status = self._session(req)
        if row is None:
            return [status]
        f = [x.strip() for x in req.data.split("|")]
        if len(f) < 29 or f[0].upper() != APPLICATION_CODE:
            return [BAD_DATA]
        details = {
            "honorific": f[7], "title": f[8], "first_name": f[10], "last_name": f[11],
            "second_name": f[12], "second_last_name": f[14], "address1": f[15],
            "address2": f[16], "address3": f[17], "city": f[18], "state": f[19],
            "province": f[20], "postal_code": f[21], "country_code": f[22], "company": f[23],
            "customer_type": f[28].upper(),
        }
        if not details["first_name"] or not details["last_name"] or details["customer_type"] not in ("I", "C"):
            return [BAD_DATA]
        if details["customer_type"] == "C" and not details["company"]:
            return [BAD_DATA]
        self.store.set_details(req.email, details)
        return [OK]

    def _mobile_request(self, req):
        row, status = self._session(req)
        if row is None:
            return None, None, None, status
        parts = req.data.split("|")
        if len(parts) < 2:
            return None, None, None, MOBILE_INVALID
        country, number = parts[0].strip(), parts[1].strip()
        digits = mobile_digits(number)
        if digits is None:
            return None, None, None, MOBILE_INVALID
        return row, country, (number, digits), OK

    def mobile_registration(self, req):
        """116: a new number is taken and awaits confirmation (0); the user's own number
        again gives 23 (confirmed) or 24 (not yet confirmed); somebody else's gives 13."""
        row, country, num, status = self._mobile_request(req)
        if row is None:
            return [status]
        number, digits = num
        held = self.store.mobile(digits)
        if held is None:
            self.store.add_mobile(digits, req.email, number, country)
            return [OK]
        if held["email"] != req.email.lower():
            return [MOBILE_IN_USE]
        return [MOBILE_CONFIRMED if held["confirmed"] else MOBILE_UNCONFIRMED]

    def mobile_validation(self, req):
        """118: confirms the user's own number (0); a number not registered to the user
        gives 20, an implausible one 18."""
        row, country, num, status = self._mobile_request(req)
        if row is None:
            return [status]
        held = self.store.mobile(num[1])
        if held is None or held["email"] != req.email.lower():
            return [NOT_PROCESSED]
        self.store.confirm_mobile(num[1])
        return [OK]

    def echo(self, req):
        """200: hands the address and the data back, so that a client can check that
        a request (a POST body in particular) arrived whole."""
        return [OK, req.email] + strip_bar(req.data).split("|")

    def report(self, req):
        """310: installation report, kept as received."""
        self.store.add_report(req.email, req.data)
        return [OK]
