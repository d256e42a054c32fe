"""Accounts in a small SQLite file, and the mailbox folder that stands in for e-mail."""

import hashlib
import hmac
import os
import re
import secrets
import sqlite3
import time

# Personal details in the order the wizard's address page reads them from the
# e-mail registration reply (reply fields 2 to 18; field 0 is the status,
# field 1 the address and field 4 is not used by the page).
DETAIL_FIELDS = (
    "honorific",        # 2
    "title",            # 3
    None,               # 4  (sent empty)
    "first_name",       # 5
    "last_name",        # 6
    "second_name",      # 7
    "second_last_name",  # 8
    "address1",         # 9
    "address2",         # 10
    "address3",         # 11
    "city",             # 12
    "state",            # 13
    "province",         # 14
    "postal_code",      # 15
    "country_code",     # 16
    "customer_type",    # 17
    "company",          # 18
)
DETAIL_COLUMNS = tuple(f for f in DETAIL_FIELDS if f)

_SCHEMA = """
CREATE TABLE IF NOT EXISTS accounts (
    email       TEXT PRIMARY KEY,       -- lower case, the lookup key
    address     TEXT NOT NULL,          -- as the user first typed it
    salt        BLOB NOT NULL,
    pwhash      BLOB NOT NULL,
    language    TEXT NOT NULL DEFAULT '',
    created     TEXT NOT NULL,
    logged_in   INTEGER NOT NULL DEFAULT 0,
    has_details INTEGER NOT NULL DEFAULT 0,
    %s
);
CREATE TABLE IF NOT EXISTS mobiles (
    digits       TEXT PRIMARY KEY,      -- the number reduced to its digits
    email        TEXT NOT NULL,
    number       TEXT NOT NULL,         -- as typed
    country_code TEXT NOT NULL DEFAULT '',
    confirmed    INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS reports (
    id       INTEGER PRIMARY KEY AUTOINCREMENT,
    email    TEXT NOT NULL,
    received TEXT NOT NULL,
    report   TEXT NOT NULL
);
""" % ",\n    ".join("%s TEXT NOT NULL DEFAULT ''" % c for c in DETAIL_COLUMNS)

_PBKDF2_ROUNDS = 20000


def _now():
    return time.strftime("%Y-%m-%d %H:%M:%S")


def hash_secret(secret, salt):
    return hashlib.pbkdf2_hmac("sha256", secret.encode("latin-1"), salt, _PBKDF2_ROUNDS)


class Store:
    """Account data. Not thread-safe by itself: the service serialises its calls."""

    def __init__(self, path):
        self.path = path
        self.db = sqlite3.connect(path, check_same_thread=False, isolation_level=None)
        self.db.row_factory = sqlite3.Row
        self.db.executescript(_SCHEMA)

    def close(self):
        self.db.close()

    # Accounts -------------------------------------------------------------

    def account(self, email):
        return self.db.execute("SELECT * FROM accounts WHERE email = ?", (email.lower(),)).fetchone()

    def create_account(self, address, secret, language):
        salt = secrets.token_bytes(16)
        self.db.execute(
            "INSERT INTO accounts (email, address, salt, pwhash, language, created, customer_type)"
            " VALUES (?, ?, ?, ?, ?, ?, 'I')",
            (address.lower(), address, salt, hash_secret(secret, salt), language, _now()))

    def set_secret(self, email, secret):
        salt = secrets.token_bytes(16)
        self.db.execute("UPDATE accounts SET salt = ?, pwhash = ? WHERE email = ?",
                        (salt, hash_secret(secret, salt), email.lower()))

    def check_secret(self, row, secret):
        return hmac.compare_digest(hash_secret(secret, row["salt"]), row["pwhash"])

    def set_logged_in(self, email, flag):
        self.db.execute("UPDATE accounts SET logged_in = ? WHERE email = ?", (1 if flag else 0, email.lower()))

    def set_language(self, email, language):
        self.db.execute("UPDATE accounts SET language = ? WHERE email = ?", (language, email.lower()))

    def set_details(self, email, details):
        cols = [c for c in DETAIL_COLUMNS if c in details]
        sets = ", ".join("%s = ?" % c for c in cols)
        self.db.execute("UPDATE accounts SET has_details = 1, %s WHERE email = ?" % sets,
                        [details[c] for c in cols] + [email.lower()])

    # Mobile numbers ---------------------------------------------------------

    def mobile(self, digits):
        return self.db.execute("SELECT * FROM mobiles WHERE digits = ?", (digits,)).fetchone()

    def add_mobile(self, digits, email, number, country_code):
        self.db.execute("INSERT INTO mobiles (digits, email, number, country_code, confirmed)"
                        " VALUES (?, ?, ?, ?, 0)", (digits, email.lower(), number, country_code))

    def confirm_mobile(self, digits):
        self.db.execute("UPDATE mobiles SET confirmed = 1 WHERE digits = ?", (digits,))

    # Installation reports ---------------------------------------------------

    def add_report(self, email, report):
        self.db.execute("INSERT INTO reports (email, received, report) VALUES (?, ?, ?)",
                        (email, _now(), report))

    def reports(self):
        return self.db.execute("SELECT * FROM reports ORDER BY id").fetchall()


_UNSAFE = re.compile(r"[^A-Za-z0-9@._+-]")


def mailbox_name(address):
    """The part of a mailbox file name that names the address (lower case, file-safe)."""
    return _UNSAFE.sub("_", address.lower())[:120] or "_"


class Mailbox:
    """One file per message: <seq>-<kind>-<address>.txt, seq growing by one per message.

    The newest message for an address is the file with the highest sequence number
    among those ending in "-<address>.txt".  The text carries a "Secret: " line.
    """

    _NAME = re.compile(r"^(\d{6,})-([a-z]+)-(.+)\.txt$")

    def __init__(self, folder, echo=None):
        self.folder = folder
        self.echo = echo
        os.makedirs(folder, exist_ok=True)
        self.seq = 0
        for name in os.listdir(folder):
            m = self._NAME.match(name)
            if m:
                self.seq = max(self.seq, int(m.group(1)))

    def send(self, address, kind, secret, subject, body):
        self.seq += 1
        name = "%06d-%s-%s.txt" % (self.seq, kind, mailbox_name(address))
        text = ("To: %s\r\nSubject: %s\r\nKind: %s\r\nSecret: %s\r\nDate: %s\r\n\r\n%s\r\n"
                % (address, subject, kind, secret, _now(), body))
        path = os.path.join(self.folder, name)
        tmp = path + ".tmp"
        with open(tmp, "wb") as f:
            f.write(text.encode("latin-1", "replace"))
        os.replace(tmp, path)
        if self.echo:
            self.echo("MAIL %s to %s: %s (%s)" % (kind, address, secret, name))
        return path

    def newest(self, address):
        """(path, fields) of the newest message for the address, or None."""
        suffix = "-%s.txt" % mailbox_name(address)
        best = None
        for name in os.listdir(self.folder):
            m = self._NAME.match(name)
            if m and name.endswith(suffix) and (best is None or int(m.group(1)) > best[0]):
                best = (int(m.group(1)), name)
        if best is None:
            return None
        path = os.path.join(self.folder, best[1])
        return path, read_message(path)


def read_message(path):
    """The header fields of a mailbox file as a dict (To, Subject, Kind, Secret, Date)."""
    fields = {}
    with open(path, "rb") as f:
        for raw in f.read().decode("latin-1").split("\r\n"):
            if not raw:
                break
            key, _, value = raw.partition(": ")
            fields[key] = value
    return fields
