#!/usr/bin/env python3
"""The publishing tool end to end: a throwaway key, two files, and openssl's
own verification of the signature it wrote."""
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
        for name, content in (("qrv_melkrin.exe", b"MZ\x90\x00program"), ("help.chm", b"ITSF\x03")):
            path = os.path.join(self.root, name)
            with open(path, "wb") as f:
                f.write(content)
            self.files.append((path, content))
        self.docroot = os.path.join(self.root, "docroot")

    def tearDown(self):
        self.dir.cleanup()

    def publish(self, *extra):
        return subprocess.run([sys.executable, TOOL, "--key", self.key, "--version", "1.3", "--date", "12/10/2026",
                               "--base-url", "https://www.velkora.com/benchmarks/ss2", "--docroot", self.docroot,
                               *extra] + [p for p, _ in self.files], capture_output=True)

    def test_writes_the_entries_the_files_and_a_signature_openssl_accepts(self):
        result = self.publish("--method", "1", "--message", "Two new demos")
        self.assertEqual(result.returncode, 0, result.stderr)
        folder = os.path.join(self.docroot, "benchmarks", "ss2")
        with open(os.path.join(folder, "qrv_melkrin.inf"), "rb") as f:
            info = f.read()
        lines = info.split(b"\r\n")
        self.assertEqual(lines[:4], [b"#version=1.3", b"#date=12/10/2026", b"#method=1", b"#message={Two new demos}"])
        expected = []
        for number, (path, content) in enumerate(self.files, start=1):
            with open(os.path.join(folder, os.path.basename(path)), "rb") as f:
                self.assertEqual(f.read(), content)
            expected += [b"#url%d=https://www.velkora.com/benchmarks/ss2/%s" % (number, os.path.basename(path).encode()),
                         b"#url%d.size=%d" % (number, len(content)),
                         b"#url%d.sha256=%s" % (number, hashlib.sha256(content).hexdigest().encode())]
        self.assertEqual(lines[4:10], expected)
        self.assertTrue(lines[10].startswith(b"#signature="))
        self.assertEqual(lines[11:], [b""])  # the signature line is the last

        signed = info[:info.index(b"#signature=")]
        raw = bytes.fromhex(lines[10][len(b"#signature="):].decode())
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

    def test_refuses_what_it_cannot_publish(self):
        self.assertNotEqual(self.publish("--message", "a } b").returncode, 0)
        self.files.append((os.path.join(self.root, "missing.dll"), b""))
        self.assertNotEqual(self.publish().returncode, 0)
        self.assertFalse(os.path.exists(os.path.join(self.docroot, "benchmarks", "ss2", "qrv_melkrin.inf")))


if __name__ == "__main__":
    unittest.main()
