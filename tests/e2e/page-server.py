#!/usr/bin/python3
"""A small web server for the end-to-end test against Wine's own browser
control: serves the start page on 127.0.0.1 only, writes one line per request
to a log, and stops by itself after a number of seconds or requests.

    page-server.py PORT LOG [--seconds N] [--requests N] [--ready FILE]
"""
import argparse
import http.server
import sys
import time

PAGE = (b"<!DOCTYPE html>\n<html><head><title>Open positions</title></head>\n"
        b"<body><h1>Open positions</h1><table><tr><td>EURUSD</td><td>buy</td></tr></table></body></html>\n")
START_PATH = "/brenvik/OpenPositions.html"


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.server.record(self)
        if self.path == START_PATH:
            self.send_response(200)
            self.send_header("Content-Type", "text/html; charset=utf-8")
            self.send_header("Content-Length", str(len(PAGE)))
            self.end_headers()
            self.wfile.write(PAGE)
        else:
            self.send_error(404)

    def do_HEAD(self):
        self.server.record(self)
        self.send_error(405)

    do_POST = do_HEAD

    def log_message(self, format, *args):
        pass


class Server(http.server.HTTPServer):
    def __init__(self, port, log):
        super().__init__(("127.0.0.1", port), Handler)
        self.log = log
        self.count = 0
        self.started = time.monotonic()

    def record(self, handler):
        self.count += 1
        with open(self.log, "a", encoding="utf-8") as out:
            out.write("%.3f %s %s\n" % (time.monotonic() - self.started, handler.command, handler.path))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("port", type=int)
    parser.add_argument("log")
    parser.add_argument("--seconds", type=float, default=120)
    parser.add_argument("--requests", type=int, default=20)
    parser.add_argument("--ready")
    args = parser.parse_args()
    open(args.log, "w").close()
    server = Server(args.port, args.log)
    # Short waits, so the deadline holds even when nobody calls.
    server.timeout = 0.5
    if args.ready:
        with open(args.ready, "w") as ready:
            ready.write("%d\n" % args.port)
    deadline = server.started + args.seconds
    while time.monotonic() < deadline and server.count < args.requests:
        server.handle_request()
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
