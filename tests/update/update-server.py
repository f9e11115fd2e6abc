#!/usr/bin/env python3
"""The update tests' web server, on 127.0.0.1 only.

  update-server.py start <dir>   serves <dir>/www over http and https (a
                                 self-signed certificate), writes the ports to
                                 <dir>/ports and its process id to <dir>/pid
  update-server.py stop <dir>    ends the server started for <dir>

Besides the files of <dir>/www it answers:
  /status/<code>               that status with its reason phrase
  /redirect/<n>/<path>         n redirections, then /<path>
  /slow/<path>?block=B&delay=MS  the file in blocks of B bytes, MS apart
  /nolength/<path>             the file without Content-Length
  /gone/<path>                 HEAD as for the file, GET 410 Gone
  /echo                        the request line and headers as text
  /endless                     a body without a length that never ends (stops at 1 GB)
  /stall/<path>?after=N&seconds=S  the file's length, N bytes of it, then
                               nothing for S seconds (60 at most) before closing
  /headfail/<path>             HEAD 404, GET the file
  /to[/<name>]?url=<address>   302 to that address
Requests in proxy form (GET http://host/path) are served as /path.
"""
import http.server
import os
import shutil
import signal
import ssl
import subprocess
import sys
import threading
import time
import urllib.parse

LIFETIME = 1800  # seconds: a server whose stop never came ends by itself


class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def _route(self):
        path = self.path
        if path.startswith("http://") or path.startswith("https://"):
            path = "/" + path.split("/", 3)[3] if path.count("/") >= 3 else "/"
        return urllib.parse.urlsplit(path)

    def _file(self, rel):
        full = os.path.realpath(os.path.join(self.directory, rel.lstrip("/")))
        if not full.startswith(os.path.realpath(self.directory) + os.sep) or not os.path.isfile(full):
            return None
        return full

    def _answer(self, head):
        url = self._route()
        parts = url.path.split("/")
        query = urllib.parse.parse_qs(url.query)
        if len(parts) >= 3 and parts[1] == "status":
            self._empty(int(parts[2]))
            return
        if len(parts) >= 3 and parts[1] == "redirect":
            n = int(parts[2])
            rest = "/".join(parts[3:])
            self._empty(302, [("Location", "/redirect/%d/%s" % (n - 1, rest) if n > 1 else "/" + rest)])
            return
        if url.path == "/endless":
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.end_headers()
            if head:
                return
            chunk = (b"[section]\r\nKey=" + b"v" * 65000 + b"\r\n")
            for _ in range((1 << 30) // len(chunk)):
                self.wfile.write(chunk)
            return
        if len(parts) >= 2 and parts[1] == "to":
            self._empty(302, [("Location", query.get("url", ["/"])[0])])
            return
        if len(parts) >= 3 and parts[1] == "headfail" and head:
            self._empty(404)
            return
        if len(parts) >= 3 and parts[1] == "headfail":
            self.path = "/" + "/".join(parts[2:])
            super().do_GET()
            return
        if url.path == "/echo":
            body = (self.requestline + "\r\n" + "".join("%s: %s\r\n" % item for item in self.headers.items())).encode()
            self._send(body, head, True)
            return
        if len(parts) >= 3 and parts[1] == "gone" and not head:
            self._empty(410)
            return
        if len(parts) >= 3 and parts[1] == "gone":
            self.path = "/" + "/".join(parts[2:])
            super().do_HEAD()
            return
        if len(parts) >= 3 and parts[1] in ("slow", "nolength", "stall"):
            full = self._file("/".join(parts[2:]))
            if full is None:
                self.send_error(404)
                return
            with open(full, "rb") as f:
                body = f.read()
            if parts[1] == "nolength":
                self._send(body, head, False)
                return
            if parts[1] == "stall":
                self._stall(body, head, int(query.get("after", ["0"])[0]),
                            min(int(query.get("seconds", ["10"])[0]), 60))
                return
            block = int(query.get("block", ["16384"])[0])
            delay = int(query.get("delay", ["50"])[0]) / 1000.0
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            if head:
                return
            for i in range(0, len(body), block):
                self.wfile.write(body[i:i + block])
                self.wfile.flush()
                time.sleep(delay)
            return
        self.path = url.path
        if head:
            super().do_HEAD()
        else:
            super().do_GET()

    def _empty(self, code, headers=()):
        self.send_response(code)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def _stall(self, body, head, after, seconds):
        """The body's length, `after` bytes of it, then nothing for `seconds`."""
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if head:
            return
        self.wfile.write(body[:after])
        self.wfile.flush()
        time.sleep(seconds)

    def _send(self, body, head, length):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if length:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if not head:
            self.wfile.write(body)

    def do_GET(self):
        try:
            self._answer(False)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            pass

    def do_HEAD(self):
        try:
            self._answer(True)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            pass


def serve(folder):
    www = os.path.join(folder, "www")
    os.makedirs(www, exist_ok=True)
    handler = lambda *a, **k: Handler(*a, directory=www, **k)
    plain = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    servers = [plain]
    ports = "http=%d\n" % plain.server_address[1]
    cert, key = os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem")
    if shutil.which("openssl"):
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                        "-days", "2", "-subj", "/CN=127.0.0.1"], check=True, capture_output=True)
        secure = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        secure.socket = context.wrap_socket(secure.socket, server_side=True)
        servers.append(secure)
        ports += "https=%d\n" % secure.server_address[1]
    for server in servers:
        server.daemon_threads = True
        threading.Thread(target=server.serve_forever, daemon=True).start()
    with open(os.path.join(folder, "ports.tmp"), "w") as f:
        f.write(ports)
    os.replace(os.path.join(folder, "ports.tmp"), os.path.join(folder, "ports"))
    time.sleep(LIFETIME)


def start(folder):
    stop(folder)
    os.makedirs(folder, exist_ok=True)
    for name in ("ports",):
        if os.path.exists(os.path.join(folder, name)):
            os.remove(os.path.join(folder, name))
    log = open(os.path.join(folder, "server.log"), "w")
    process = subprocess.Popen([sys.executable, os.path.abspath(__file__), "serve", folder], stdin=subprocess.DEVNULL,
                               stdout=log, stderr=log, start_new_session=True)
    with open(os.path.join(folder, "pid"), "w") as f:
        f.write(str(process.pid))
    for _ in range(200):
        if os.path.exists(os.path.join(folder, "ports")):
            return 0
        if process.poll() is not None:
            break
        time.sleep(0.05)
    print("the update test server did not start; see " + os.path.join(folder, "server.log"), file=sys.stderr)
    return 1


def stop(folder):
    pid_file = os.path.join(folder, "pid")
    if os.path.exists(pid_file):
        with open(pid_file) as f:
            pid = int(f.read().strip() or 0)
        os.remove(pid_file)
        try:
            # Only our own server: its command line names this script and folder.
            with open("/proc/%d/cmdline" % pid, "rb") as f:
                if os.path.abspath(folder).encode() in f.read():
                    os.kill(pid, signal.SIGTERM)
        except (FileNotFoundError, ProcessLookupError, PermissionError):
            pass
    return 0


if __name__ == "__main__":
    action, folder = sys.argv[1], os.path.abspath(sys.argv[2])
    sys.exit({"start": start, "stop": stop, "serve": lambda f: serve(f) or 0}[action](folder))
