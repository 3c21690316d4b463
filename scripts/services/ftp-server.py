#!/usr/bin/python3
"""The FTP server the browser's tests talk to, on 127.0.0.1 only.

Port 2121 speaks plain FTP, port 2122 offers explicit TLS (AUTH TLS) with the certificate
given by --cert. Ports 2123 and 2124 pose as an OS/9 server and a Microsoft NT server:
their SYST replies and their listings have those servers' shapes, each over a folder of
its own (os9/ with the /scNN folders, nt/). Users: anonymous, and "kalvor" with the password "show". The served
folder is filled with the fixtures the tests expect; every file's bytes are
pattern(size): byte i is i % 251, so a test can check a download without a copy.
A file whose name starts with "drop" is cut off after 256 KiB: the server closes the
control and data connections mid-transfer.
Plain FTP sends at most 2 MB/s, so a download of big.wav lasts long enough for its
progress to be seen climbing however fast or busy the machine is.
"""
import argparse
import os
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

FIXTURES = {
    "my song.wav": 48_000,
    "notes.txt": 100,
    "big.wav": 3_000_000,
    "drop.wav": 2_000_000,
    "sub folder/inner.wav": 1_000,
    "sub folder/deeper/deep.mp3": 10,
}
OS9_FIXTURES = {"sc00/cue01.wav": 5_000, "sc00/cue02.aif": 10, "sc10/rain.wav": 10}
NT_FIXTURES = {"Act 2/Thunder Clap.wav": 7_000, "readme.txt": 10}
DROP_AFTER = 256 * 1024


class PacedDTPHandler(ThrottledDTPHandler):
    write_limit = 2_000_000


def pattern(size):
    block = bytes(i % 251 for i in range(251))
    return (block * (size // 251 + 1))[:size]


def fill(root, fixtures):
    for name, size in fixtures.items():
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


def os9_line(name, size, mtime, folder):
    line = [" "] * 52
    line[10:18] = time.strftime("%y/%m/%d", time.localtime(mtime))
    line[26:34] = ("d" if folder else "-") + "-ewrewr"
    line[43:52] = str(size).rjust(9)
    return "".join(line) + " " + name


def nt_line(name, size, mtime, folder):
    mode = "drwxrwxrwx" if folder else "-rwxrwxrwx"
    date = time.strftime("%b %d %H:%M", time.localtime(mtime))
    return mode + "   1 owner    group " + str(size).rjust(15) + " " + date + " " + name


class StyledFS(DroppingFS):
    line = None

    def format_list(self, basedir, listing, ignore_err=True):
        if self.line is os9_line:
            yield ("                            Directory of %s  12:00:00\r\n"
                   % self.fs2ftp(basedir)).encode()
            yield b" Owner    Last modified  Attributes Sector Bytecount Name\r\n"
            yield b"-------  -------------  ---------- ------ --------- ----\r\n"
        for name in listing:
            st = os.stat(os.path.join(basedir, name))
            folder = os.path.isdir(os.path.join(basedir, name))
            line = self.line(name, 0 if folder else st.st_size, st.st_mtime, folder)
            yield (line + "\r\n").encode("utf8", self.cmd_channel.unicode_errors)


def styled(handler, line, syst):
    fs = type("FS", (StyledFS,), {"line": staticmethod(line)})

    def ftp_SYST(self, _):
        self.respond("215 " + syst)

    return type("Styled", (handler,), {"abstracted_fs": fs, "ftp_SYST": ftp_SYST})


def handler_class(base, root, cert):
    authorizer = DummyAuthorizer()
    authorizer.add_user("kalvor", "show", root, perm="elr")
    authorizer.add_anonymous(root)
    attrs = dict(authorizer=authorizer, abstracted_fs=DroppingFS, use_sendfile=False,
                 passive_ports=range(30100, 30200), banner="Kalvor test FTP server")
    if base is FTPHandler:
        attrs.update(dtp_handler=PacedDTPHandler)
    if cert:
        attrs.update(certfile=cert, tls_control_required=False, tls_data_required=False)
    return type("Handler", (base,), attrs)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--dir", required=True)
    ap.add_argument("--cert")
    args = ap.parse_args()
    root = os.path.join(args.dir, "root")
    fill(root, FIXTURES)
    plain = FTPServer(("127.0.0.1", 2121), handler_class(FTPHandler, root, None))
    for port, folder, fixtures, line, syst in (
            (2123, "os9", OS9_FIXTURES, os9_line, "OS/9 Version 2.4"),
            (2124, "nt", NT_FIXTURES, nt_line, "Windows_NT")):
        styled_root = os.path.join(args.dir, folder)
        fill(styled_root, fixtures)
        FTPServer(("127.0.0.1", port),
                  styled(handler_class(FTPHandler, styled_root, None), line, syst))
    if args.cert:
        try:
            from pyftpdlib.handlers import TLS_FTPHandler
            FTPServer(("127.0.0.1", 2122), handler_class(TLS_FTPHandler, root, args.cert))
        except Exception as err:  # no pyOpenSSL: plain FTP only
            print("ftp-server: no TLS port:", err, file=sys.stderr)
    plain.serve_forever()


if __name__ == "__main__":
    main()
