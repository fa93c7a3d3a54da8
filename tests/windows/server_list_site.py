#!/usr/bin/python3
"""The provider's site: `server_list_site.py COMMAND [ARGS...]` serves a scratch folder as
/serverlist/ over HTTPS on localhost while COMMAND runs, and exits with its status. COMMAND gets
(as Wine paths) NORVA_TEST_SITE_URL, NORVA_TEST_SITE_DIR (the folder), NORVA_TEST_SITE_LOG (each
request path, written before the reply) and NORVA_TEST_CA (the certificate, DER, to trust).
A missing or empty NAME is a 404; with NAME.cut holding N, only N bytes are sent, without a
Content-Length, and TLS is ended properly.
"""

import contextlib
import http.server
import os
import pathlib
import ssl
import subprocess
import sys
import tempfile
import threading


class SiteHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    folder = None  # site/ holds the files, requests.log is beside it

    def log_message(self, format, *args):  # quiet: the request log is ours
        pass

    def do_GET(self):
        with open(self.folder / "requests.log", "a") as log:
            log.write(self.path + "\n")
        name = self.path[len("/serverlist/"):] if self.path.startswith("/serverlist/") else ""
        file = self.folder / "site" / name
        body = file.read_bytes() if "/" not in name and file.is_file() else b""
        cut = file.with_name(name + ".cut")
        cut = cut.read_text().strip() if body and cut.is_file() else ""
        self.send_response(200 if body else 404)
        body = body or b"<html>not found</html>"
        if not cut:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body[:int(cut)] if cut else body)
        if cut:  # close_notify, without waiting for the client's
            self.close_connection = True
            self.connection.setblocking(False)
            with contextlib.suppress(ssl.SSLWantReadError, OSError):
                self.connection.unwrap()


def main():
    with tempfile.TemporaryDirectory(prefix="norva-site-", dir=os.getcwd()) as scratch:
        folder = SiteHandler.folder = pathlib.Path(scratch)
        pem, key = folder / "server.pem", folder / "server.key"
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        "-subj", "/CN=localhost", "-addext", "subjectAltName=DNS:localhost",
                        "-keyout", key, "-out", pem], check=True, capture_output=True)
        (folder / "ca.der").write_bytes(ssl.PEM_cert_to_DER_cert(pem.read_text()))
        (folder / "site").mkdir()
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(pem, key)
        site = http.server.ThreadingHTTPServer(("127.0.0.1", 0), SiteHandler)
        # The handshake happens in each request's own thread, on first read.
        site.socket = context.wrap_socket(site.socket, server_side=True,
                                          do_handshake_on_connect=False)
        threading.Thread(target=site.serve_forever, daemon=True).start()
        url = "https://localhost:%d" % site.server_address[1]

        def wine(name):
            return "Z:" + str(folder / name).replace("/", "\\")
        env = dict(os.environ, NORVA_TEST_SITE_URL=url, NORVA_TEST_SITE_DIR=wine("site"),
                   NORVA_TEST_SITE_LOG=wine("requests.log"), NORVA_TEST_CA=wine("ca.der"))
        return subprocess.run(sys.argv[1:], env=env, stdin=subprocess.DEVNULL).returncode


if __name__ == "__main__":
    sys.exit(main() if len(sys.argv) > 1 else __doc__)
