#!/usr/bin/env python3
"""A name server and a news server on loopback, for a network namespace of a test's own.

DNS on 127.0.0.1:53 over UDP and TCP: every name ending in ".test" is 127.0.0.1 (A) and ::1
(AAAA); any other name does not exist. HTTP on 127.0.0.1:80, [::1]:80 and 127.0.0.1:8080, which
also serves as a proxy, and HTTPS on 127.0.0.1:443 with the certificate and key named on the
command line: "/to-https" is redirected to https://news.test/voltarik.txt, and every other
request is answered with "voltarik news via PORT".
Usage: loopback_name_and_news_server.py CERTIFICATE KEY
"""
import socket
import socketserver
import ssl
import struct
import sys
import threading


def answer(query):
    ident, _flags, _questions = struct.unpack("!HHH", query[:6])
    labels, at = [], 12
    while query[at]:
        labels.append(query[at + 1:at + 1 + query[at]].decode("ascii", "replace"))
        at += query[at] + 1
    qtype = struct.unpack("!H", query[at + 1:at + 3])[0]
    question = query[12:at + 5]
    name = ".".join(labels).lower()
    records = []
    if name.endswith(".test"):
        if qtype == 1:
            records.append((1, socket.inet_pton(socket.AF_INET, "127.0.0.1")))
        elif qtype == 28:
            records.append((28, socket.inet_pton(socket.AF_INET6, "::1")))
    rcode = 0 if name.endswith(".test") else 3
    reply = struct.pack("!HHHHHH", ident, 0x8180 | rcode, 1, len(records), 0, 0) + question
    for rtype, data in records:
        reply += struct.pack("!HHHIH", 0xC00C, rtype, 1, 60, len(data)) + data
    return reply


class Udp(socketserver.BaseRequestHandler):
    def handle(self):
        data, sock = self.request
        sock.sendto(answer(data), self.client_address)


class Tcp(socketserver.BaseRequestHandler):
    def handle(self):
        while True:
            head = self.request.recv(2, socket.MSG_WAITALL)
            if len(head) < 2:
                return
            query = self.request.recv(struct.unpack("!H", head)[0], socket.MSG_WAITALL)
            reply = answer(query)
            self.request.sendall(struct.pack("!H", len(reply)) + reply)


class Http(socketserver.StreamRequestHandler):
    def handle(self):
        request = self.rfile.readline()
        while self.rfile.readline() not in (b"\r\n", b"\n", b""):
            pass
        if request.split(b" ")[1:2] == [b"/to-https"]:
            self.wfile.write(b"HTTP/1.1 301 Moved Permanently\r\n"
                             b"Location: https://news.test/voltarik.txt\r\n"
                             b"Content-Length: 0\r\nConnection: close\r\n\r\n")
            return
        body = b"voltarik news via %d" % self.server.server_address[1]
        self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\n"
                         b"Content-Length: %d\r\nConnection: close\r\n\r\n%s" % (len(body), body))


class Http6(socketserver.ThreadingTCPServer):
    address_family = socket.AF_INET6


class Https(socketserver.ThreadingTCPServer):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)

    def get_request(self):
        connection, address = self.socket.accept()
        return self.context.wrap_socket(connection, server_side=True), address


Https.context.load_cert_chain(sys.argv[1], sys.argv[2])


socketserver.ThreadingTCPServer.allow_reuse_address = True
servers = [socketserver.ThreadingUDPServer(("127.0.0.1", 53), Udp),
           socketserver.ThreadingTCPServer(("127.0.0.1", 53), Tcp),
           socketserver.ThreadingTCPServer(("127.0.0.1", 80), Http),
           Http6(("::1", 80), Http),
           socketserver.ThreadingTCPServer(("127.0.0.1", 8080), Http),
           Https(("127.0.0.1", 443), Http)]
for server in servers:
    threading.Thread(target=server.serve_forever, daemon=True).start()
threading.Event().wait()
