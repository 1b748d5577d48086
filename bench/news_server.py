#!/usr/bin/python3
"""Serves a short news document on loopback, each answer after a fixed delay, as a stand-in for a
real web site. Usage: news_server.py PORT DELAY_MS"""
import sys
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

BODY = "Voltarik 1.1 je venku!\r\n".encode()
DELAY = int(sys.argv[2]) / 1000


class Handler(BaseHTTPRequestHandler):
    def do_GET(self):
        time.sleep(DELAY)
        self.send_response(200)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(BODY)))
        self.end_headers()
        self.wfile.write(BODY)

    def log_message(self, *args):
        pass


ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Handler).serve_forever()
