#!/usr/bin/env python3
"""A time-stamp service (RFC 3161) on this machine alone, for the release
checks: each request POSTed to it is answered by `openssl ts -reply` with
the TSA certificate and key that CONFIG names. It listens on a free port of
127.0.0.1, writes that port to PORTFILE once it takes requests, and serves
until it is ended.

Usage: scripts/timestamp-server.py CONFIG PORTFILE"""
import http.server
import os
import subprocess
import sys
import tempfile

config, portfile = sys.argv[1:]


class TimeStamps(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        with tempfile.NamedTemporaryFile() as request:
            request.write(query)
            request.flush()
            answer = subprocess.run(["openssl", "ts", "-reply", "-config", config, "-queryfile", request.name],
                                    capture_output=True)
        if answer.returncode != 0:
            self.send_error(500, answer.stderr.decode(errors="replace").strip()[-200:])
            return
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(answer.stdout)))
        self.end_headers()
        self.wfile.write(answer.stdout)

    def log_message(self, *_):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), TimeStamps)
with open(portfile + ".new", "w") as f:
    f.write(f"{server.server_address[1]}\n")
os.rename(portfile + ".new", portfile)
server.serve_forever()
