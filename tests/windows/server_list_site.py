#!/usr/bin/python3
"""A stand-in for the provider's web site, over HTTPS on localhost.

    server_list_site.py COMMAND [ARGS...]

Makes a throwaway CA and a server certificate for DNS:localhost in a scratch
folder under the current directory (CTest runs it in the build tree), serves that folder's site/ directory under /serverlist/ on a free
port of 127.0.0.1, runs COMMAND with the site described in the environment,
then stops the server, removes the folder and exits with COMMAND's status.

Environment given to COMMAND (paths as Wine sees them, on drive Z:):
  NORVA_TEST_SITE_URL   https://localhost:PORT
  NORVA_TEST_SITE_DIR   the folder served as /serverlist/
  NORVA_TEST_SITE_LOG   every request path, one a line, written before the reply
  NORVA_TEST_CA         the CA certificate, DER

How a file NAME in the site folder is served:
  missing                  404 with a short HTML body
  NAME.cut holds "N MODE"  the full Content-Length, then only the first N bytes;
                           MODE "close" ends TLS properly, "reset" drops the
                           TCP connection without a word
  otherwise                200 with the file's bytes and their Content-Length
"""

import http.server
import os
import shutil
import socket
import ssl
import struct
import subprocess
import sys
import tempfile
import threading


def wine_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def make_certificates(folder):
    with open(os.path.join(folder, "server.ext"), "w") as ext:
        ext.write("basicConstraints=critical,CA:FALSE\n"
                  "keyUsage=critical,digitalSignature,keyEncipherment\n"
                  "extendedKeyUsage=serverAuth\n"
                  "subjectAltName=DNS:localhost\n")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "2",
            "-subj", "/CN=NORVA updater test CA", "-keyout", "ca.key", "-out", "ca.pem",
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=folder)
    openssl("x509", "-in", "ca.pem", "-outform", "DER", "-out", "ca.der", cwd=folder)
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-sha256", "-subj", "/CN=localhost",
            "-keyout", "server.key", "-out", "server.csr", cwd=folder)
    openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-days", "2", "-sha256", "-extfile", "server.ext",
            "-out", "server.pem", cwd=folder)


def read_or_none(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


class SiteHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    site_dir = None
    log_path = None
    log_lock = threading.Lock()

    def log_message(self, format, *args):  # quiet: the request log is ours
        pass

    def do_GET(self):
        with self.log_lock, open(self.log_path, "a") as log:
            log.write(self.path + "\n")

        prefix = "/serverlist/"
        name = self.path[len(prefix):] if self.path.startswith(prefix) else ""
        if not name or "/" in name or name.startswith("."):
            return self.reply(404, b"<html>not here</html>")
        path = os.path.join(self.site_dir, name)
        body = read_or_none(path)
        cut = read_or_none(path + ".cut")
        if body is None:
            return self.reply(404, b"<html>not found</html>")
        if cut is not None:
            count, mode = cut.decode().split()
            return self.reply_cut(body, int(count), mode)
        return self.reply(200, body)

    def reply(self, status, body):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def reply_cut(self, body, count, mode):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body[:count])
        self.wfile.flush()
        self.close_connection = True
        try:
            if mode == "reset":
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                           struct.pack("ii", 1, 0))
                self.connection.close()
            else:
                # close_notify, then the TCP close: to the client this looks
                # like a proper end. Not waiting for the client's close_notify.
                self.connection.setblocking(False)
                try:
                    self.connection.unwrap()
                except ssl.SSLWantReadError:
                    pass
                self.connection.close()
        except OSError:
            pass


def serve(server):
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def main():
    command = sys.argv[1:]
    if not command:
        print(__doc__, file=sys.stderr)
        return 2

    folder = tempfile.mkdtemp(prefix="norva-site-", dir=os.getcwd())
    servers = []
    try:
        make_certificates(folder)

        site_dir = os.path.join(folder, "site")
        os.mkdir(site_dir)
        log_path = os.path.join(folder, "requests.log")
        open(log_path, "w").close()

        SiteHandler.site_dir = site_dir
        SiteHandler.log_path = log_path
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(os.path.join(folder, "server.pem"),
                                os.path.join(folder, "server.key"))
        site = http.server.ThreadingHTTPServer(("127.0.0.1", 0), SiteHandler)
        # The handshake happens in each request's own thread, on first read.
        site.socket = context.wrap_socket(site.socket, server_side=True,
                                          do_handshake_on_connect=False)
        servers.append(serve(site))
        port = site.server_address[1]

        env = dict(os.environ)
        env.update({
            "NORVA_TEST_SITE_URL": "https://localhost:%d" % port,
            "NORVA_TEST_SITE_DIR": wine_path(site_dir),
            "NORVA_TEST_SITE_LOG": wine_path(log_path),
            "NORVA_TEST_CA": wine_path(os.path.join(folder, "ca.der")),
        })
        print("site on https://localhost:%d, files in %s" % (port, site_dir), flush=True)
        return subprocess.run(command, env=env, stdin=subprocess.DEVNULL).returncode
    finally:
        for server in servers:
            server.shutdown()
            server.server_close()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
