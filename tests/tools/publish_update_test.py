#!/usr/bin/env python3
"""The publishing tool end to end: a throwaway key, two files and a help file,
openssl's own verification of the signature it wrote, and the values it
refuses to write."""
import hashlib
import os
import subprocess
import sys
import tempfile
import unittest

TOOL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "publish-update.py")


def raw_to_der(raw):
    def integer(x):
        b = x.to_bytes(33, "big").lstrip(b"\0") or b"\0"
        if b[0] & 0x80:
            b = b"\0" + b
        return b"\x02" + bytes([len(b)]) + b
    body = integer(int.from_bytes(raw[:32], "big")) + integer(int.from_bytes(raw[32:], "big"))
    return b"\x30" + bytes([len(body)]) + body


class PublishUpdateTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.root = self.dir.name
        self.key = os.path.join(self.root, "key.pem")
        subprocess.run(["openssl", "ecparam", "-name", "prime256v1", "-genkey", "-noout", "-out", self.key], check=True)
        self.files = []
        for name, content in (("qrv_melkrin.exe", b"MZ\x90\x00program"), ("levels.dat", b"LVL\x03")):
            path = os.path.join(self.root, name)
            with open(path, "wb") as f:
                f.write(content)
            self.files.append((path, content))
        self.help = os.path.join(self.root, "built-help.chm")
        with open(self.help, "wb") as f:
            f.write(b"ITSF\x03help")
        self.docroot = os.path.join(self.root, "docroot")

    def tearDown(self):
        self.dir.cleanup()

    def publish(self, *extra):
        return subprocess.run([sys.executable, TOOL, "--key", self.key, "--version", "1.3", "--date", "12/10/2026",
                               "--base-url", "https://www.velkora.com/benchmarks/ss2", "--docroot", self.docroot,
                               *extra] + [p for p, _ in self.files], capture_output=True)

    def test_writes_the_entries_the_files_and_a_signature_openssl_accepts(self):
        result = self.publish("--method", "1", "--message", "Two new demos", "--help-file", self.help,
                              "--optional", "levels.dat")
        self.assertEqual(result.returncode, 0, result.stderr)
        folder = os.path.join(self.docroot, "benchmarks", "ss2")
        with open(os.path.join(folder, "qrv_melkrin.inf"), "rb") as f:
            info = f.read()
        lines = info.split(b"\r\n")
        self.assertEqual(lines[:4], [b"#version=1.3", b"#date=12/10/2026", b"#method=1", b"#message={Two new demos}"])
        # The release's files, then the version.txt the tool wrote (the first URL stays the program).
        listed = self.files + [(os.path.join(folder, "version.txt"), b"1.3\r\n")]
        expected = []
        for number, (path, content) in enumerate(listed, start=1):
            with open(os.path.join(folder, os.path.basename(path)), "rb") as f:
                self.assertEqual(f.read(), content)
            expected += [b"#url%d=https://www.velkora.com/benchmarks/ss2/%s" % (number, os.path.basename(path).encode()),
                         b"#url%d.size=%d" % (number, len(content)),
                         b"#url%d.sha256=%s" % (number, hashlib.sha256(content).hexdigest().encode())]
            if os.path.basename(path) == "levels.dat":
                expected.append(b"#url%d.optional=1" % number)
        with open(self.help, "rb") as f:
            help_content = f.read()
        with open(os.path.join(folder, "help.chm"), "rb") as f:
            self.assertEqual(f.read(), help_content)
        expected += [b"#help=https://www.velkora.com/benchmarks/ss2/help.chm",
                     b"#help.size=%d" % len(help_content),
                     b"#help.sha256=%s" % hashlib.sha256(help_content).hexdigest().encode()]
        end = 4 + len(expected)
        self.assertEqual(lines[4:end], expected)
        self.assertTrue(lines[end].startswith(b"#signature="))
        self.assertEqual(lines[end + 1:], [b""])  # the signature line is the last
        self.assertNotIn(b"optional", b"".join(lines[:4] + expected[:3]), "the program file is not optional")

        signed = info[:info.index(b"#signature=")]
        raw = bytes.fromhex(lines[end][len(b"#signature="):].decode())
        self.assertEqual(len(raw), 64)
        paths = {name: os.path.join(self.root, name) for name in ("signed", "sig.der", "pub.pem")}
        with open(paths["signed"], "wb") as f:
            f.write(signed)
        with open(paths["sig.der"], "wb") as f:
            f.write(raw_to_der(raw))
        subprocess.run(["openssl", "pkey", "-in", self.key, "-pubout", "-out", paths["pub.pem"]], check=True)
        verify = ["openssl", "dgst", "-sha256", "-verify", paths["pub.pem"], "-signature", paths["sig.der"]]
        self.assertEqual(subprocess.run(verify + [paths["signed"]], capture_output=True).returncode, 0)
        with open(paths["signed"], "wb") as f:
            f.write(signed.replace(b"1.3", b"9.3"))
        self.assertNotEqual(subprocess.run(verify + [paths["signed"]], capture_output=True).returncode, 0)

    def test_prints_the_public_key_as_the_build_option_wants_it(self):
        result = subprocess.run([sys.executable, TOOL, "--public-key-hex", self.key], capture_output=True, check=True)
        key = result.stdout.decode().strip()
        self.assertEqual(len(key), 128)
        int(key, 16)

    def test_without_help_file_or_optional_files_lists_no_such_entry(self):
        result = self.publish()
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(os.path.join(self.docroot, "benchmarks", "ss2", "qrv_melkrin.inf"), "rb") as f:
            info = f.read()
        self.assertNotIn(b"#help", info)
        self.assertNotIn(b"optional", info)
        self.assertIn(b"#url3=https://www.velkora.com/benchmarks/ss2/version.txt\r\n", info)

    def test_refuses_what_it_cannot_publish(self):
        # Each of these is refused before anything is written: an entry may
        # start anywhere in the file, so a control character or a "#" in a
        # value could carry entries of its own into what the maker signs.
        cases = [
            ("message with a brace", ["--message", "a } b"]),
            ("message with a line break", ["--message", "fine\r\n#url1=http://elsewhere/x.exe"]),
            ("message with a tab", ["--message", "a\tb"]),
            ("message with DEL", ["--message", "a\x7fb"]),
            ("message with #", ["--message", "see #url1=http://elsewhere/x.exe"]),
            ("version with a line break", ["--version", "1.3\n#url1=x"]),
            ("version with text", ["--version", "1.3 beta"]),
            ("version of five parts", ["--version", "1.2.3.4.5"]),
            ("version with an empty part", ["--version", "1..3"]),
            ("version negative", ["--version", "-1"]),
            ("date with a line break", ["--date", "12/10/2026\r\n"]),
            ("date not MM/DD/YYYY", ["--date", "2026-12-10"]),
            ("date without leading zero", ["--date", "1/2/2026"]),
            ("date that does not exist", ["--date", "02/30/2026"]),
            ("base URL with a control character", ["--base-url", "https://www.velkora.com/\x01/"]),
            ("base URL with #", ["--base-url", "https://www.velkora.com/#/"]),
            ("optional naming no file", ["--optional", "other.dat"]),
            ("missing help file", ["--help-file", os.path.join(self.root, "no.chm")]),
        ]
        for name, extra in cases:
            with self.subTest(name):
                result = self.publish(*extra)
                self.assertNotEqual(result.returncode, 0, name)
                self.assertTrue(result.stderr.strip(), "%s: says why" % name)
                self.assertFalse(os.path.exists(self.docroot), "%s: nothing written" % name)

        for name in ("a\x1fb.dat", "a#b.dat", "version.txt", "qrv_melkrin.inf"):
            with self.subTest(name):
                path = os.path.join(self.root, name)
                with open(path, "wb") as f:
                    f.write(b"x")
                self.files.append((path, b"x"))
                self.assertNotEqual(self.publish().returncode, 0, name)
                self.assertFalse(os.path.exists(self.docroot), name)
                self.files.pop()

        twin = os.path.join(self.root, "twin")
        os.mkdir(twin)
        with open(os.path.join(twin, "levels.dat"), "wb") as f:
            f.write(b"other")
        self.files.append((os.path.join(twin, "levels.dat"), b"other"))
        self.assertNotEqual(self.publish().returncode, 0, "two files of one name")
        self.files[-1] = (os.path.join(self.root, "missing.dll"), b"")
        self.assertNotEqual(self.publish().returncode, 0)
        self.assertFalse(os.path.exists(self.docroot))

    def test_takes_every_plain_version_and_existing_date(self):
        for version, date in (("1", "01/01/2026"), ("1.10", "02/29/2028"), ("1.2.3.4", "12/31/2026"),
                              ("123456789.0", "07/30/2006")):
            with self.subTest(version):
                result = self.publish("--version", version, "--date", date)
                self.assertEqual(result.returncode, 0, result.stderr)
                folder = os.path.join(self.docroot, "benchmarks", "ss2")
                with open(os.path.join(folder, "version.txt"), "rb") as f:
                    self.assertEqual(f.read(), version.encode() + b"\r\n")


if __name__ == "__main__":
    unittest.main()
