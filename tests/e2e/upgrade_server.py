#!/usr/bin/env python3
"""A static web server on 127.0.0.1 for the upgrade tests: serves a document
root with Last-Modified like any web server, and trickles the files named
with --slow (a few kilobytes at a time), so a test can see the wizard at work
and abort a download half-way. Prints "port N" once it listens.

It can also misbehave on purpose, each for the files named (by their last
path part, query left out):
  --endless NAME       200 without a length, then data without end
  --huge-length NAME   announces 10^15 bytes, sends three and keeps the line
  --redirect-loop NAME 302 to NAME?b, which redirects back to NAME?a, and so on
  --loris NAME         the file's headers, then one byte of it every two seconds
A connection held open on purpose ends after --hold seconds (default 120)."""
import argparse
import functools
import http.server
import os
import shutil
import sys
import time


class Handler(http.server.SimpleHTTPRequestHandler):
    slow = set()
    endless = set()
    huge_length = set()
    redirect_loop = set()
    loris = set()
    hold = 120.0

    def name(self):
        return os.path.basename(self.path.split("?")[0])

    def do_GET(self):
        name = self.name()
        try:
            if name in self.endless:
                self.send_response(200)
                self.send_header("Content-Type", "application/octet-stream")
                self.send_header("Connection", "close")
                self.end_headers()
                chunk = b"\x5a" * 65536
                deadline = time.monotonic() + self.hold
                while time.monotonic() < deadline:
                    self.wfile.write(chunk)
                return
            if name in self.huge_length:
                self.send_response(200)
                self.send_header("Content-Length", "1000000000000000")
                self.end_headers()
                self.wfile.write(b"abc")
                self.wfile.flush()
                time.sleep(self.hold)
                return
            if name in self.redirect_loop:
                target = self.path.split("?")[0] + ("?a" if self.path.endswith("?b") else "?b")
                self.send_response(302)
                self.send_header("Location", target)
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            if name in self.loris:
                path = self.translate_path(self.path)
                with open(path, "rb") as f:
                    content = f.read()
                self.send_response(200)
                self.send_header("Content-Length", str(len(content)))
                self.end_headers()
                self.wfile.flush()
                for i in range(len(content)):
                    self.wfile.write(content[i:i + 1])
                    self.wfile.flush()
                    time.sleep(2)
                return
        except (BrokenPipeError, ConnectionResetError):
            # The client gave up on us: that is what these modes are for.
            return
        super().do_GET()

    def copyfile(self, source, outputfile):
        if self.name() not in self.slow:
            shutil.copyfileobj(source, outputfile)
            return
        while True:
            chunk = source.read(4096)
            if not chunk:
                return
            outputfile.write(chunk)
            outputfile.flush()
            time.sleep(0.25)

    def log_message(self, fmt, *args):
        sys.stdout.write("%s\n" % (fmt % args))
        sys.stdout.flush()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--docroot", required=True)
    parser.add_argument("--slow", action="append", default=[])
    parser.add_argument("--endless", action="append", default=[])
    parser.add_argument("--huge-length", action="append", default=[])
    parser.add_argument("--redirect-loop", action="append", default=[])
    parser.add_argument("--loris", action="append", default=[])
    parser.add_argument("--hold", type=float, default=120.0)
    args = parser.parse_args()
    Handler.slow = set(args.slow)
    Handler.endless = set(args.endless)
    Handler.huge_length = set(args.huge_length)
    Handler.redirect_loop = set(args.redirect_loop)
    Handler.loris = set(args.loris)
    Handler.hold = args.hold
    handler = functools.partial(Handler, directory=args.docroot)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.daemon_threads = True
    print("port %d" % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
