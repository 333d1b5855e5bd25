#!/usr/bin/env python3
"""A static web server on 127.0.0.1 for the upgrade tests: serves a document
root with Last-Modified like any web server, and trickles the files named
with --slow (a few kilobytes at a time), so a test can see the wizard at work
and abort a download half-way. Prints "port N" once it listens."""
import argparse
import functools
import http.server
import os
import shutil
import sys
import time


class Handler(http.server.SimpleHTTPRequestHandler):
    slow = set()

    def copyfile(self, source, outputfile):
        if os.path.basename(self.path.split("?")[0]) not in self.slow:
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
    args = parser.parse_args()
    Handler.slow = set(args.slow)
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
