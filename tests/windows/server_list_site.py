#!/usr/bin/python3
"""A stand-in for the provider's web site, over HTTPS on localhost.

    server_list_site.py COMMAND [ARGS...]

Makes a throwaway certificate for DNS:localhost in a scratch folder
under the current directory, serves its site/ folder as /serverlist/ on a
free port of 127.0.0.1, runs COMMAND with these variables (paths as Wine
sees them), then stops, removes the folder and exits with COMMAND's status:
  NORVA_TEST_SITE_URL   https://localhost:PORT
  NORVA_TEST_SITE_DIR   the folder served as /serverlist/
  NORVA_TEST_SITE_LOG   every request path, one a line, written before the reply
  NORVA_TEST_CA         the certificate, DER, for the test to trust as a root

A missing NAME is a 404. When NAME.cut holds "N close", the reply announces
the full length, sends only N bytes and ends TLS properly.
"""

import http.server
import os
import shutil
import ssl
import subprocess
import sys
import tempfile
import threading


def make_certificate(folder):
    """A self-signed certificate for DNS:localhost, which the test trusts as a root."""
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256",
                    "-days", "2", "-subj", "/CN=localhost", "-addext",
                    "subjectAltName=DNS:localhost", "-keyout", "server.key", "-out", "server.pem"],
                   cwd=folder, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    subprocess.run(["openssl", "x509", "-in", "server.pem", "-outform", "DER", "-out", "ca.der"],
                   cwd=folder, check=True)


def read_or_none(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


class SiteHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    site_dir = log_path = None
    log_lock = threading.Lock()

    def log_message(self, format, *args):  # quiet: the request log is ours
        pass

    def do_GET(self):
        with self.log_lock, open(self.log_path, "a") as log:
            log.write(self.path + "\n")
        name = self.path[len("/serverlist/"):] if self.path.startswith("/serverlist/") else ""
        path = os.path.join(self.site_dir, name)
        body = read_or_none(path) if name and "/" not in name and name[0] != "." else None
        if body is None:
            return self.reply(404, b"<html>not found</html>")
        cut = read_or_none(path + ".cut")
        if cut is None:
            return self.reply(200, body)
        self.reply(200, body, int(cut.split()[0]))
        self.close_connection = True
        try:  # close_notify, without waiting for the client's
            self.connection.setblocking(False)
            self.connection.unwrap()
        except (ssl.SSLWantReadError, OSError):
            pass
        self.connection.close()

    def reply(self, status, body, count=None):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body[:count])
        self.wfile.flush()


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    folder = tempfile.mkdtemp(prefix="norva-site-", dir=os.getcwd())
    site = None
    try:
        make_certificate(folder)
        SiteHandler.site_dir = os.path.join(folder, "site")
        SiteHandler.log_path = os.path.join(folder, "requests.log")
        os.mkdir(SiteHandler.site_dir)
        open(SiteHandler.log_path, "w").close()
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(os.path.join(folder, "server.pem"),
                                os.path.join(folder, "server.key"))
        site = http.server.ThreadingHTTPServer(("127.0.0.1", 0), SiteHandler)
        site.daemon_threads = True
        # The handshake happens in each request's own thread, on first read.
        site.socket = context.wrap_socket(site.socket, server_side=True,
                                          do_handshake_on_connect=False)
        threading.Thread(target=site.serve_forever, daemon=True).start()
        port = site.server_address[1]

        def wine_path(path):
            return "Z:" + os.path.abspath(path).replace("/", "\\")
        env = dict(os.environ,
                   NORVA_TEST_SITE_URL="https://localhost:%d" % port,
                   NORVA_TEST_SITE_DIR=wine_path(SiteHandler.site_dir),
                   NORVA_TEST_SITE_LOG=wine_path(SiteHandler.log_path),
                   NORVA_TEST_CA=wine_path(os.path.join(folder, "ca.der")))
        print("site on https://localhost:%d, files in %s" % (port, SiteHandler.site_dir),
              flush=True)
        return subprocess.run(sys.argv[1:], env=env, stdin=subprocess.DEVNULL).returncode
    finally:
        if site is not None:
            site.shutdown()
            site.server_close()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
