#!/usr/bin/env python3
"""Webhooks on 127.0.0.1 for the Wine tests: each keeps every POST it receives and answers as told.

    https_receiver.py DIR NAME=KIND [NAME=KIND ...]

KIND is tls (HTTPS with the certificate DIR/NAME.pem and its key DIR/NAME.key, answering 200), or over
plain HTTP: ok (200), error (500), robot_error (200 with a chat robot's refusal in its body), bad_request
(400), redirect (302 to another path of its own) or hang (never answering). Each listens
on a free port of 127.0.0.1, writes that port to DIR/NAME.port once it listens, and appends each POST to
DIR/NAME.posts as a line "POST <path and query> <body length>", the body's bytes and a newline. It runs
until it gets SIGTERM or SIGINT. Standard library only.
"""
import http.server
import os
import signal
import socketserver
import ssl
import sys
import threading

# A client that connects and says nothing holds only its own thread, and only this long.
HANDSHAKE_TIMEOUT_S = 10
MAX_BODY_BYTES = 1 << 20

# What each kind answers: the status, the JSON body and any more headers. A chat robot answers 200 even when it
# refuses the message, and says why in the body; its success is {"errcode":0,...}, which the others share.
SUCCESS_BODY = b'{"errcode":0,"errmsg":"ok"}'
ANSWERS = {
    "tls": (200, SUCCESS_BODY, {}),
    "ok": (200, SUCCESS_BODY, {}),
    "error": (500, b'{"errmsg":"internal error"}', {}),
    "robot_error": (200, b'{"errcode":310000,"errmsg":"keywords not in content"}', {}),
    "bad_request": (400, b'{"errmsg":"bad request"}', {}),
    "redirect": (302, b"", {"Location": "/moved"}),
}
KINDS = tuple(ANSWERS) + ("hang",)


class Listener(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True

    def __init__(self, kind, context, record_path):
        self.kind = kind
        self.context = context
        self.record_path = record_path
        self.stopping = threading.Event()
        self.record_lock = threading.Lock()
        super().__init__(("127.0.0.1", 0), Handler)

    # The TLS handshake happens on the request's own thread: one that fails (a client that does not
    # trust the certificate ends it) or stalls never holds up the others.
    def finish_request(self, request, client_address):
        if self.context is None:
            super().finish_request(request, client_address)
            return
        request.settimeout(HANDSHAKE_TIMEOUT_S)
        try:
            request = self.context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError) as error:
            sys.stderr.write(f"{os.path.basename(self.record_path)}: handshake with {client_address[0]} failed: {error}\n")
            return
        request.settimeout(None)
        super().finish_request(request, client_address)

    def record(self, path, body):
        with self.record_lock, open(self.record_path, "ab") as record:
            record.write(f"POST {path} {len(body)}\n".encode("ascii", "backslashreplace"))
            record.write(body + b"\n")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        if length < 0 or length > MAX_BODY_BYTES:
            self.send_error(413)
            return
        body = self.rfile.read(length)
        self.server.record(self.path, body)
        if self.server.kind == "hang":
            self.server.stopping.wait()
            return
        status, answer, headers = ANSWERS[self.server.kind]
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(answer)))
        for name, value in headers.items():
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(answer)

    def log_message(self, format, *args):
        sys.stderr.write("%s %s\n" % (self.address_string(), format % args))


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    folder = argv[1]
    listeners = []
    for listener in argv[2:]:
        name, _, kind = listener.partition("=")
        if kind not in KINDS:
            sys.stderr.write(__doc__)
            return 2
        context = None
        if kind == "tls":
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(os.path.join(folder, name + ".pem"), os.path.join(folder, name + ".key"))
        listeners.append((name, Listener(kind, context, os.path.join(folder, name + ".posts"))))
    for name, listener in listeners:
        open(listener.record_path, "wb").close()
        threading.Thread(target=listener.serve_forever, daemon=True).start()
        # Written last, whole, under its final name: a reader that finds the file finds the port.
        port_file = os.path.join(folder, name + ".port")
        with open(port_file + ".new", "w") as out:
            out.write(f"{listener.server_address[1]}\n")
        os.replace(port_file + ".new", port_file)

    stopped = threading.Event()
    for signum in (signal.SIGTERM, signal.SIGINT):
        signal.signal(signum, lambda *_: stopped.set())
    stopped.wait()
    for _, listener in listeners:
        listener.stopping.set()
        listener.shutdown()
        listener.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
