#!/usr/bin/python3
"""The FTP server the browser's tests talk to, on 127.0.0.1 only.

Port 2121 speaks plain FTP, port 2122 offers explicit TLS (AUTH TLS) with the certificate
given by --cert. Users: anonymous, and "kalvor" with the password "show". The served
folder is filled with the fixtures the tests expect; every file's bytes are
pattern(size): byte i is i % 251, so a test can check a download without a copy.
A file whose name starts with "drop" is cut off after 256 KiB: the server closes the
control and data connections mid-transfer.
"""
import argparse
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

FIXTURES = {
    "my song.wav": 48_000,
    "notes.txt": 100,
    "big.wav": 3_000_000,
    "drop.wav": 2_000_000,
    "sub folder/inner.wav": 1_000,
    "sub folder/deeper/deep.mp3": 10,
}
DROP_AFTER = 256 * 1024


def pattern(size):
    block = bytes(i % 251 for i in range(251))
    return (block * (size // 251 + 1))[:size]


def fill(root):
    for name, size in FIXTURES.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if not os.path.exists(path) or os.path.getsize(path) != size:
            with open(path, "wb") as f:
                f.write(pattern(size))


class DroppingFile:
    def __init__(self, f, channel):
        self._f = f
        self._channel = channel
        self._sent = 0

    def read(self, n):
        if self._sent >= DROP_AFTER:
            self._channel.close()
            return b""
        data = self._f.read(min(n, DROP_AFTER - self._sent))
        self._sent += len(data)
        return data

    def __getattr__(self, name):
        return getattr(self._f, name)


class DroppingFS(AbstractedFS):
    def open(self, filename, mode):
        f = super().open(filename, mode)
        if "r" in mode and os.path.basename(filename).startswith("drop"):
            return DroppingFile(f, self.cmd_channel)
        return f


def handler_class(base, root, cert):
    authorizer = DummyAuthorizer()
    authorizer.add_user("kalvor", "show", root, perm="elr")
    authorizer.add_anonymous(root)
    attrs = dict(authorizer=authorizer, abstracted_fs=DroppingFS, use_sendfile=False,
                 passive_ports=range(30100, 30200), banner="Kalvor test FTP server")
    if cert:
        attrs.update(certfile=cert, tls_control_required=False, tls_data_required=False)
    return type("Handler", (base,), attrs)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--dir", required=True)
    ap.add_argument("--cert")
    args = ap.parse_args()
    root = os.path.join(args.dir, "root")
    os.makedirs(root, exist_ok=True)
    fill(root)
    plain = FTPServer(("127.0.0.1", 2121), handler_class(FTPHandler, root, None))
    if args.cert:
        try:
            from pyftpdlib.handlers import TLS_FTPHandler
            FTPServer(("127.0.0.1", 2122), handler_class(TLS_FTPHandler, root, args.cert))
        except Exception as err:  # no pyOpenSSL: plain FTP only
            print("ftp-server: no TLS port:", err, file=sys.stderr)
    plain.serve_forever()


if __name__ == "__main__":
    main()
