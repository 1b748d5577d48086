#!/usr/bin/python3
"""Serves the news document on loopback as a stand-in for a real web site: each answer comes after
a fixed delay; the body is a short note, a document of the largest size the program accepts, or
an endless HTTP/1.0 body (a hostile server); over HTTPS when a certificate and its key are named.
Usage: news_server.py PORT DELAY_MS [short|mib|flood [CERTIFICATE KEY]]
"""
import ssl
import sys
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

DELAY = int(sys.argv[2]) / 1000
KIND = sys.argv[3] if len(sys.argv) > 3 else "short"
# The largest accepted document, in lines of 64 bytes (one line of a megabyte takes Qt minutes to
# lay out in the news box, whatever the fetch).
BODY = {"short": "Voltarik 1.1 je venku!\r\n".encode(),
        "mib": (b"a" * 62 + b"\r\n") * (1024 * 1024 // 64)}.get(KIND)


class Handler(BaseHTTPRequestHandler):
    def do_GET(self):
        time.sleep(DELAY)
        self.send_response(200)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        if BODY is not None:
            self.send_header("Content-Length", str(len(BODY)))
        self.end_headers()
        try:
            if BODY is not None:
                self.wfile.write(BODY)
                return
            chunk = b"x" * 65536
            for _ in range(16384):  # 1 GiB at most, then give up
                self.wfile.write(chunk)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def log_message(self, *args):
        pass


server = ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Handler)
if len(sys.argv) > 5:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(sys.argv[4], sys.argv[5])
    server.socket = context.wrap_socket(server.socket, server_side=True)
server.serve_forever()
