#!/usr/bin/python3
"""The update server of the tests: serves a folder on 127.0.0.1 on a free
port, and misbehaves on request, as servers and networks do.

    update_server.py ROOT [--port-file FILE] [--lifetime SECONDS]

Once it listens it writes the port to FILE (whole: the file appears with
its content), or else to its standard output.  Stops on GET
/quit, once FILE is removed (the test that started it has finished), or
after --lifetime seconds (600 by default), whichever comes first.

Paths (NAME is a file in ROOT):
    /files/NAME                 the file
    /throttle/RATE/NAME         the file at RATE bytes a second
    /status/CODE/ANYTHING       status CODE with an HTML error page
    /html/ANYTHING              200 with an HTML page (a portal's error page)
    /stall/ANYTHING             reads the request and never answers
    /drop/COUNT/NAME            the file's headers and full length, then
                                COUNT bytes of it, then the connection closes
    /nolength/NAME              the file without a Content-Length; its end
                                is the end of the connection
    /log                        the request lines so far, one a line (not
                                itself logged)
    /quit                       stops the server
"""
import http.server
import os
import socketserver
import sys
import threading
import time
import urllib.parse

ERROR_PAGE = b"<html><head><title>%d</title></head><body><h1>%d</h1><p>The page is not here.</p></body></html>"
PORTAL_PAGE = b"<html><head><title>Login</title></head><body><p>Please log in to use the network.</p></body></html>"


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, root):
        super().__init__(("127.0.0.1", 0), Handler)
        self.root = os.path.abspath(root)
        self.log = []
        self.lock = threading.Lock()
        self.stopping = threading.Event()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def file(self, name):
        path = os.path.normpath(os.path.join(self.server.root, urllib.parse.unquote(name)))
        if not path.startswith(self.server.root + os.sep) or not os.path.isfile(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def answer(self, status, body, content_type="application/octet-stream", length=True):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        if length:
            self.send_header("Content-Length", str(len(body)))
        else:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        return body

    def send_paced(self, body, rate):
        start = time.monotonic()
        sent = 0
        chunk = max(1, min(4096, rate // 20))
        while sent < len(body) and not self.server.stopping.is_set():
            self.wfile.write(body[sent:sent + chunk])
            self.wfile.flush()
            sent += chunk
            delay = start + sent / rate - time.monotonic()
            if delay > 0:
                time.sleep(delay)

    def do_GET(self):
        parts = self.path.split("?", 1)[0].lstrip("/").split("/")
        kind = parts[0]
        if kind == "log":
            with self.server.lock:
                text = "".join(line + "\n" for line in self.server.log).encode()
            self.wfile.write(self.answer(200, text, "text/plain"))
            return
        with self.server.lock:
            self.server.log.append(self.path)
        try:
            self.serve(kind, parts[1:])
        except (BrokenPipeError, ConnectionResetError):
            pass

    def serve(self, kind, rest):
        if kind == "quit":
            self.wfile.write(self.answer(200, b"bye\n", "text/plain"))
            self.server.stopping.set()
            return
        if kind == "stall":
            self.server.stopping.wait()
            self.close_connection = True
            return
        if kind == "status" and rest and rest[0].isdigit():
            code = int(rest[0])
            self.wfile.write(self.answer(code, ERROR_PAGE % (code, code), "text/html"))
            return
        if kind == "html":
            self.wfile.write(self.answer(200, PORTAL_PAGE, "text/html"))
            return
        number = int(rest[0]) if kind in ("throttle", "drop") and rest and rest[0].isdigit() else None
        name = "/".join(rest[1:] if number is not None else rest)
        body = self.file(name) if kind in ("files", "nolength") or number is not None else None
        if body is None:
            self.wfile.write(self.answer(404, ERROR_PAGE % (404, 404), "text/html"))
            return
        if kind == "files":
            self.wfile.write(self.answer(200, body))
        elif kind == "nolength":
            self.wfile.write(self.answer(200, body, length=False))
        elif kind == "throttle":
            self.answer(200, body)
            self.send_paced(body, max(1, number))
        elif kind == "drop":
            self.answer(200, body)
            self.wfile.write(body[:number])
            self.wfile.flush()
            self.close_connection = True


def option(argv, name, default):
    return argv[argv.index(name) + 1] if name in argv[:-1] else default


def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    lifetime = float(option(argv, "--lifetime", "600"))
    port_file = option(argv, "--port-file", None)
    server = Server(argv[1])
    threading.Thread(target=server.serve_forever, daemon=True).start()
    port = server.server_address[1]
    if not port_file:
        print(port, flush=True)
    else:
        with open(port_file + ".tmp", "w") as f:
            f.write(f"{port}\n")
        os.replace(port_file + ".tmp", port_file)

    def watch_port_file():
        while not server.stopping.wait(0.5):
            if not os.path.exists(port_file):
                server.stopping.set()

    if port_file:
        threading.Thread(target=watch_port_file, daemon=True).start()
    server.stopping.wait(lifetime)
    server.stopping.set()
    server.shutdown()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
