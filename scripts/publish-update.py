#!/usr/bin/env python3
"""Publishes a release on the update server's document root.

Copies the release's files into <docroot>/benchmarks/ss2/ and writes the
update information file qrv_melkrin.inf beside them: the version, the date,
the upgrade method, the message, one "url" entry per file with its size and
SHA-256, and as the last line an ECDSA P-256 signature (raw r||s in hex) over
every byte before it, made with the maker's private key through openssl.

  publish-update.py --key maker.pem --version 1.3 --base-url https://www.velkora.com/benchmarks/ss2/ \
      --docroot server/docroot [--date MM/DD/YYYY] [--method 0|1|2] [--message TEXT] FILE...
  publish-update.py --public-key-hex maker.pem      prints the key for the build option

Older programs read the same keys they always read and ignore the new ones.
"""
import argparse
import datetime
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile

INFO_PATH = os.path.join("benchmarks", "ss2", "qrv_melkrin.inf")


def run_openssl(args, data=None):
    result = subprocess.run(["openssl"] + args, input=data, capture_output=True)
    if result.returncode != 0:
        sys.exit("openssl %s failed: %s" % (" ".join(args), result.stderr.decode(errors="replace").strip()))
    return result.stdout


def der_integer(data, at):
    if data[at] != 0x02:
        raise ValueError("not a DER integer")
    length = data[at + 1]
    value = data[at + 2:at + 2 + length]
    return int.from_bytes(value, "big"), at + 2 + length


def der_signature_to_raw(der):
    """openssl writes SEQUENCE { INTEGER r, INTEGER s }; Windows wants r||s, 32 bytes each."""
    if der[0] != 0x30:
        raise ValueError("not a DER sequence")
    at = 2 if der[1] < 0x80 else 2 + (der[1] & 0x7F)
    r, at = der_integer(der, at)
    s, _ = der_integer(der, at)
    return r.to_bytes(32, "big") + s.to_bytes(32, "big")


def public_key_hex(key_path):
    der = run_openssl(["pkey", "-in", key_path, "-pubout", "-outform", "DER"])
    point = der[-65:]
    if len(der) != 91 or point[0] != 0x04:
        sys.exit("%s is no uncompressed P-256 key" % key_path)
    return point[1:].hex()


def sign(key_path, data):
    with tempfile.NamedTemporaryFile(delete=False) as f:
        f.write(data)
        name = f.name
    try:
        der = run_openssl(["dgst", "-sha256", "-sign", key_path, name])
    finally:
        os.unlink(name)
    return der_signature_to_raw(der)


def info_entries(args, files):
    date = args.date or datetime.date.today().strftime("%m/%d/%Y")
    lines = ["#version=" + args.version, "#date=" + date, "#method=" + str(args.method)]
    if args.message:
        lines.append("#message={" + args.message + "}")
    base = args.base_url if args.base_url.endswith("/") else args.base_url + "/"
    for number, path in enumerate(files, start=1):
        with open(path, "rb") as f:
            content = f.read()
        key = "url%d" % number
        lines.append("#%s=%s%s" % (key, base, os.path.basename(path)))
        lines.append("#%s.size=%d" % (key, len(content)))
        lines.append("#%s.sha256=%s" % (key, hashlib.sha256(content).hexdigest()))
    return "".join(line + "\r\n" for line in lines).encode("latin-1")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--public-key-hex", metavar="KEY", help="print the public key of KEY as 128 hex digits")
    parser.add_argument("--key", help="the maker's private key (PEM, P-256)")
    parser.add_argument("--version", help="the release's version number, e.g. 1.3")
    parser.add_argument("--date", help="release date MM/DD/YYYY (default today)")
    parser.add_argument("--method", type=int, choices=[0, 1, 2], default=0,
                        help="0 self-upgrade, 1 external setup, 2 open the first URL in the browser")
    parser.add_argument("--message", default="", help="text shown in the upgrade question")
    parser.add_argument("--base-url", help="where the files lie on the server")
    parser.add_argument("--docroot", help="the server's document root")
    parser.add_argument("files", nargs="*", help="the release's files")
    args = parser.parse_args()

    if args.public_key_hex:
        print(public_key_hex(args.public_key_hex))
        return
    for needed in ("key", "version", "base_url", "docroot"):
        if not getattr(args, needed):
            parser.error("--%s is required" % needed.replace("_", "-"))
    if "}" in args.message:
        sys.exit("the message may not contain '}': it ends the braced value")
    for path in args.files:
        if not os.path.isfile(path):
            sys.exit("no such file: " + path)

    folder = os.path.join(args.docroot, os.path.dirname(INFO_PATH))
    os.makedirs(folder, exist_ok=True)
    for path in args.files:
        target = os.path.join(folder, os.path.basename(path))
        if os.path.abspath(path) != os.path.abspath(target):
            shutil.copyfile(path, target)

    entries = info_entries(args, args.files)
    signature = sign(args.key, entries)
    info = entries + b"#signature=" + signature.hex().encode("ascii") + b"\r\n"
    target = os.path.join(args.docroot, INFO_PATH)
    with open(target + ".new", "wb") as f:
        f.write(info)
    os.replace(target + ".new", target)
    print("wrote %s (%d files, signed with the key %s...)" % (target, len(args.files), public_key_hex(args.key)[:16]))


if __name__ == "__main__":
    main()
