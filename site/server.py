#!/usr/bin/env python3
"""Quarvel reference site: search site, product site and fault cases on loopback.

    python3 site/server.py --port 0 --log requests.jsonl

Prints the chosen port as the first line of stdout. See site/README.md.
"""

import argparse
import base64
import hashlib
import json
import os
import signal
import socket
import struct
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pages  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))

DEFAULT_NOTICE = "欢迎使用 Quarvel！输入关键词或编号即可搜索资源。本站为本地参考站点。"
SAMPLE_ZH = "你好，世界！这是一个中文测试页面。"
BIG_PATTERN = b"abcdefghijklmnopqrstuvwxyz0123456789"
ZERO_BODY = b"text before the zero byte\x00text after the zero byte"
BINARY_ZERO_AT = 10


class Catalogue:
    def __init__(self, path):
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
        self.entries = data["entries"]
        self.by_id = {e["id"]: e for e in self.entries}
        self.folded = [(e["title"].casefold(), e) for e in self.entries]

    def search(self, term):
        term = term.strip().casefold()
        return [e for t, e in self.folded if term in t]


class RequestLog:
    def __init__(self, path, append):
        self.f = open(path, "a" if append else "w", encoding="utf-8") if path else None
        self.lock = threading.Lock()

    def write(self, record):
        if not self.f:
            return
        line = json.dumps(record, ensure_ascii=False) + "\n"
        with self.lock:
            self.f.write(line)
            self.f.flush()


class _Recorder:
    """Wraps the request stream while the header block is read, keeping its bytes."""

    def __init__(self, fp):
        self.fp = fp
        self.data = bytearray()

    def readline(self, *args):
        line = self.fp.readline(*args)
        self.data += line
        return line

    def read(self, *args):
        chunk = self.fp.read(*args)
        self.data += chunk
        return chunk


def hold_while_exists(path):
    """Holds the answer while the file at path exists (at most two minutes); at once without one."""
    stop = time.monotonic() + 120
    while path and os.path.exists(path) and time.monotonic() < stop:
        time.sleep(0.05)


def header_pairs(raw):
    """[[name, value], ...] of a raw header block, in the order received."""
    pairs = []
    for line in raw.split("\r\n" if "\r\n" in raw else "\n"):
        if not line:
            continue
        if line[0] in " \t" and pairs:
            pairs[-1][1] += line
            continue
        name, _, value = line.partition(":")
        pairs.append([name, value.lstrip(" \t")])
    return pairs


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "QuarvelRef/1.0"
    sys_version = ""
    timeout = 60
    # Headers and body go out as separate writes: with Nagle's algorithm the body would wait for
    # the client's delayed acknowledgement (40 ms on loopback), which no real server makes it do.
    disable_nagle_algorithm = True

    # -- plumbing ---------------------------------------------------------

    def version_string(self):
        return self.server_version

    def log_message(self, fmt, *args):
        pass

    def handle_one_request(self):
        try:
            self.raw_requestline = self.rfile.readline(65537)
            if not self.raw_requestline:
                self.close_connection = True
                return
            if len(self.raw_requestline) > 65536:
                self.send_error(414)
                return
            real = self.rfile
            rec = self.rfile = _Recorder(real)
            try:
                ok = self.parse_request()
            finally:
                self.rfile = real
            raw = bytes(rec.data)
            if raw.endswith(b"\r\n\r\n"):
                raw = raw[:-2]
            elif raw.endswith(b"\n\n"):
                raw = raw[:-1]
            self.raw_headers = raw.rstrip(b"\r\n").decode("latin-1") if raw.strip() else ""
            self.body = self.read_body() if ok else b""
            self.log_request_record(ok)
            if not ok:
                return
            self.dispatch()
            self.wfile.flush()
        except (ConnectionError, socket.timeout, TimeoutError):
            self.close_connection = True

    def read_body(self):
        te = self.headers.get("Transfer-Encoding", "")
        if "chunked" in te.lower():
            out = bytearray()
            while True:
                line = self.rfile.readline(65537)
                if not line:
                    break
                size = int(line.split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline(65537) not in (b"\r\n", b"\n", b""):
                        pass
                    break
                out += self.rfile.read(size)
                self.rfile.readline(65537)
            return bytes(out)
        try:
            n = int(self.headers.get("Content-Length", "0") or 0)
        except ValueError:
            n = 0
        return self.rfile.read(n) if n > 0 else b""

    def log_request_record(self, ok):
        rec = {
            "time": round(time.time(), 3),
            "client_port": self.client_address[1],
            "request_line": self.raw_requestline.rstrip(b"\r\n").decode("latin-1"),
            "method": getattr(self, "command", None),
            "path": getattr(self, "path", None),
            "version": getattr(self, "request_version", None),
            "headers": header_pairs(self.raw_headers),
            "raw_headers": self.raw_headers,
            "body": self.body.decode("latin-1"),
            "body_b64": base64.b64encode(self.body).decode("ascii"),
        }
        if not ok:
            rec["error"] = "bad request"
        self.server.request_log.write(rec)

    def send(self, status, body, ctype="text/plain", headers=(), reason=None):
        self.send_response(status, reason)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    # -- routing ----------------------------------------------------------

    def dispatch(self):
        target = self.path
        if "://" in target:                  # absolute form, as proxies receive it
            target = "/" + target.split("://", 1)[1].partition("/")[2]
        path, _, query = target.partition("?")
        self.query = urllib.parse.parse_qs(query, keep_blank_values=True,
                                           encoding="utf-8", errors="replace")
        self.raw_query = query
        route = ROUTES.get(path)
        if route:
            return route(self)
        if path.startswith("/fault/"):
            fault = FAULTS.get(path[len("/fault/"):])
            if fault:
                return fault(self)
        self.send(404, pages.not_found_body(), "text/html; charset=utf-8")

    def arg(self, name, default=None):
        v = self.query.get(name)
        return v[0] if v else default

    def int_arg(self, name, default):
        try:
            return int(self.arg(name, default))
        except (TypeError, ValueError):
            return default

    def ctype(self, default):
        return self.arg("ctype", default)

    def host_url(self):
        host = self.headers.get("Host") or "127.0.0.1:%d" % self.server.server_address[1]
        return "http://" + host

    # -- the search site --------------------------------------------------

    def do_search(self):
        cfg = self.server.cfg
        term = self.arg("s", "")
        try:
            page = int(self.arg("p", "1"))
        except ValueError:
            page = 1
        key = term.strip().casefold()
        if key == STRESS_TERM:                 # as fast as the site can answer
            return self.search_stress(page)
        if page > 1:
            # A test acts in the middle of a run for as long as it needs, then lets it go on.
            hold_while_exists(cfg.search_hold_file)
        if cfg.search_delay_ms:
            time.sleep(cfg.search_delay_ms / 1000.0)
        if key in SEARCH_FAULTS or key in DETAIL_FAULT_TERMS:
            return self.search_fault(key, page)
        rows = cfg.rows_per_page
        found = self.server.catalogue.search(term)
        chunk = found[(page - 1) * rows:page * rows] if page >= 1 else []
        body = pages.search_body(chunk, page, cfg.unicode_escapes)
        self.send(200, body, "application/json; charset=utf-8",
                  [("Cache-Control", "no-cache")])

    def do_detail(self):
        # The request is already in the log, so a test knows the program asked and no answer
        # was sent.
        hold_while_exists(self.server.cfg.detail_hold_file)
        if self.server.cfg.detail_delay_ms:
            time.sleep(self.server.cfg.detail_delay_ms / 1000.0)
        fid = self.int_arg("id", -1)
        entry = self.server.catalogue.by_id.get(fid)
        if entry is None and fid >= FILLER_BASE:
            entry = filler_detail_entry(fid)
        elif entry is None and 0 <= fid - DETAIL_FAULT_BASE < len(DETAIL_FAULTS):
            return DETAIL_FAULTS[fid - DETAIL_FAULT_BASE][1](self)
        if entry is None:
            return self.send(404, pages.not_found_body(), "text/html; charset=utf-8")
        status, body = pages.detail_page(entry)
        self.send(status, body, "text/html; charset=utf-8")

    def do_ping(self):
        self.send(200, b"ok")

    # -- the product site -------------------------------------------------

    def do_update_file(self):
        cfg = self.server.cfg
        link = cfg.update_link or self.host_url() + "/update.htm"
        if cfg.update_file:
            with open(cfg.update_file, "rb") as f:
                body = f.read()
        elif cfg.update_fault:
            body = update_fault_body(cfg.update_fault, cfg.update_version,
                                     cfg.update_notice, link)
        else:
            body = pages.update_file(cfg.update_version, cfg.update_notice, link)
        self.send(200, body, "text/plain")

    def do_html(self, text):
        self.send(200, text.encode("utf-8"), "text/html; charset=utf-8")

    # -- fault terms on the search path -----------------------------------

    def send_page(self, body, headers=()):
        self.send(200, body, "application/json; charset=utf-8",
                  [("Cache-Control", "no-cache")] + list(headers))

    def filler_page(self, tag, page, count=10, **over):
        entries = [filler_entry(tag, page, r, **over) for r in range(1, count + 1)]
        return pages.search_body(entries, page, self.server.cfg.unicode_escapes)

    def html_page(self, page, count, html_text):
        return json_page(page, count, html_text, self.server.cfg.unicode_escapes)

    def search_stress(self, page):
        cfg = self.server.cfg
        if 1 <= page <= cfg.stress_pages:
            return self.send_page(self.filler_page("STRESS", page, cfg.stress_rows))
        self.send_page(pages.search_body([], page))

    def search_fault(self, key, page):
        """Pages before the fault page are ordinary, the fault page faults,
        later pages are empty (the end of the results)."""
        if key in DETAIL_FAULT_TERMS:            # the fault is on the detail path
            if page != 1:
                return self.send_page(pages.search_body([], page))
            chosen = DETAIL_FAULT_TERMS[key]
            entries = [detail_fault_entry(k) for k, (name, _) in enumerate(DETAIL_FAULTS)
                       if chosen is None or name == chosen]
            return self.send_page(pages.search_body(entries, page,
                                                    self.server.cfg.unicode_escapes))
        at = self.server.cfg.fault_page
        tag = key.upper()
        if page < 1 or page > at:
            return self.send_page(pages.search_body([], page))
        if page < at:
            return self.send_page(self.filler_page(tag, page))
        SEARCH_FAULTS[key](self, tag, page)

    def sfault_reset(self, tag, page):
        body = self.filler_page(tag, page)
        self._promise_and_cut(body, len(body) // 2, rst=True)

    def sfault_drop(self, tag, page):
        body = self.filler_page(tag, page)
        end = -1
        for _ in range(DROP_AFTER_ROWS):
            end = body.index(ESCAPED_ROW_END, end + 1)
        self._promise_and_cut(body, end + len(ESCAPED_ROW_END), rst=False)

    def _promise_and_cut(self, body, sent, rst):
        self.close_connection = True
        self.send_response(200)
        self.send_header("Content-Type", "application/json; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body[:sent])
        self.wfile.flush()
        self._close(rst)

    def sfault_500(self, tag, page):
        self.send(500, b"<html><body>500: Internal Server Error</body></html>",
                  "text/html; charset=utf-8")

    def sfault_slow(self, tag, page):
        time.sleep(self.server.cfg.slow_seconds)
        self.send_page(self.filler_page(tag, page))

    def _padded(self, tag, page, size):
        body = self.filler_page(tag, page)
        head = body[:-1] + b',"pad":"'
        pad = size - len(head) - 2
        self.send_page(head + big_body(pad) + b'"}')

    def sfault_5mb(self, tag, page):
        self._padded(tag, page, 5 * 1024 * 1024)

    def sfault_10mb(self, tag, page):
        self._padded(tag, page, 10 * 1024 * 1024)

    def sfault_manyrows(self, tag, page):
        self.send_page(self.filler_page(tag, page, MANY_ROWS))

    def sfault_binary(self, tag, page):
        self.send(200, binary_body(65536), "application/json; charset=utf-8")

    def sfault_headers(self, tag, page):
        self.send_page(self.filler_page(tag, page), filler_headers(20 * 1024, 1000))

    def sfault_redirect(self, tag, page):
        hop = max(self.int_arg("hop", 0), 0)
        if hop >= REDIRECT_HOPS:
            return self.send_page(pages.search_body([], page))
        to = "%s/ajax/search_next?s=%s&p=%d&hop=%d" % (
            self.host_url(), urllib.parse.quote(self.arg("s", ""), safe=""), page, hop + 1)
        self.send(302, b"moved", "text/plain", [("Location", to)])

    def sfault_probe(self, tag, page):
        self.send_page(self.html_page(page, 0, '<p class="empty" data-title="">no rows</p>'))

    def sfault_nomarkers(self, tag, page):
        rows = "\n".join('<tr class="search-row">\n<td>bare row %d</td>\n</tr>' % r
                         for r in range(1, 11))
        self.send_page(self.html_page(page, 10, "<!-- data-title -->\n" + rows))

    def sfault_noend(self, tag, page):
        row = pages.row_html(filler_entry(tag, page, 1))
        self.send_page(self.html_page(page, 1, row[:-len("\n</tr>")]))

    def sfault_longtitle(self, tag, page):
        head = "%s p%d r01 " % (tag, page)
        title = head + "x" * (LONG_TITLE - len(head))
        entries = [filler_entry(tag, page, 1, title=title)]
        entries += [filler_entry(tag, page, r) for r in range(2, 11)]
        self.send_page(pages.search_body(entries, page, self.server.cfg.unicode_escapes))

    def sfault_lfsize(self, tag, page):
        entries = [filler_entry(tag, page, r, size_cell="\n" * r) for r in range(1, 11)]
        self.send_page(pages.search_body(entries, page, self.server.cfg.unicode_escapes))

    def sfault_oddformat(self, tag, page):
        entries = [filler_entry(tag, page, r, format=f)
                   for r, f in enumerate(ODD_FORMATS, 1)]
        body = pages.search_body(entries, page, self.server.cfg.unicode_escapes)
        for mark, raw in RAW_BYTE_MARKS:
            body = body.replace(mark.encode("utf-8"), raw).replace(
                ("\\u%04x" % ord(mark)).encode("ascii"), raw)
        self.send_page(body)

    # -- faults on the detail path ----------------------------------------

    def _detail_html(self, body_html):
        return pages._page("Fault detail", body_html).encode("utf-8")

    def fault_detail_endless(self):
        """A page that never ends: a hash link, then a line every half second
        until the client goes away or the time cap is reached."""
        self.close_connection = True
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Connection", "close")
        self.end_headers()
        head = ('<!DOCTYPE html>\n<html>\n<head>\n<meta charset="utf-8">\n</head>\n<body>\n'
                '<p><a href="/download?info_hash=%s">endless</a></p>\n' % FAULT_HASH)
        stop = time.monotonic() + self.server.cfg.endless_seconds
        try:
            self.wfile.write(head.encode("utf-8"))
            self.wfile.flush()
            n = 0
            while time.monotonic() < stop:
                time.sleep(0.5)
                n += 1
                self.wfile.write(b"<p>still sending, line %d</p>\n" % n)
                self.wfile.flush()
        except OSError:
            pass

    def fault_detail_slowheaders(self):
        """A page whose header block never ends: the status line, then one byte of a header
        line every ?every_ms= (5000) until the client goes away or the time cap (?seconds=,
        up to 600, else --endless-seconds) is reached; then the connection closes with the
        block still open."""
        self.close_connection = True
        every = max(self.int_arg("every_ms", 5000), 1) / 1000.0
        cap = min(max(self.int_arg("seconds", 0), 0), 600) or self.server.cfg.endless_seconds
        stop = time.monotonic() + cap
        try:
            self.wfile.write(b"HTTP/1.1 200 OK\r\nX-Slow: ")
            self.wfile.flush()
            while True:
                left = stop - time.monotonic()
                if left <= 0:
                    break
                time.sleep(min(every, left))
                self.wfile.write(b"s")
                self.wfile.flush()
        except OSError:
            pass

    def fault_detail_5mb(self):
        head = ('<!DOCTYPE html>\n<html>\n<head>\n<meta charset="utf-8">\n</head>\n'
                '<body>\n<!-- ').encode("utf-8")
        tail = (' -->\n<p><a href="/download?info_hash=%s">at the end</a></p>\n'
                '</body>\n</html>\n' % FAULT_HASH).encode("utf-8")
        size = 5 * 1024 * 1024
        self.send(200, head + big_body(size - len(head) - len(tail)) + tail,
                  "text/html; charset=utf-8")

    def fault_detail_longlink(self):
        prefix = "/download?info_hash="
        href = prefix + (FAULT_HASH * (LONG_LINK // 40 + 1))[:LONG_LINK - len(prefix)]
        self.send(200, self._detail_html('<p><a href="%s">long</a></p>' % href),
                  "text/html; charset=utf-8")

    def _yunbo(self, href):
        self.send(200, self._detail_html('<p><a href="%s">%s</a></p>\n<p>%s</p>'
                                         % (href, pages.YUNBO_MARK, pages.YUNBO_MARK)),
                  "text/html; charset=utf-8")

    def fault_detail_badutf8(self):
        self._yunbo("/play?url=" + urllib.parse.quote(pages.MAGNET_PREFIX + FAULT_HASH +
                                                      "&dn=", safe="") + BAD_UTF8_ESCAPES)

    def fault_detail_zero(self):
        self._yunbo("/play?url=" + urllib.parse.quote(pages.MAGNET_PREFIX + FAULT_HASH +
                                                      "&dn=before", safe="") + "%00after")

    def fault_detail_magnet(self):
        self._yunbo("/play?url=magnet")

    def fault_detail_magnet_eof(self):
        body = ('<html><body><p>%s</p><p><a href="/play?url=magnet'
                % pages.YUNBO_MARK).encode("utf-8")
        self.send(200, body, "text/html; charset=utf-8")

    # -- request echo -----------------------------------------------------

    def do_echo(self):
        if self.arg("json") == "1":
            body = json.dumps({"method": self.command, "path": self.path,
                               "headers": header_pairs(self.raw_headers),
                               "body_b64": base64.b64encode(self.body).decode("ascii")},
                              ensure_ascii=False).encode("utf-8")
            return self.send(200, body, "application/json")
        body = (self.raw_requestline.rstrip(b"\r\n") + b"\r\n" +
                self.raw_headers.encode("latin-1") + b"\r\n\r\n" + self.body)
        self.send(200, body, self.ctype("text/plain"))

    # -- faults -----------------------------------------------------------

    def fault_slow(self):
        ms = self.int_arg("ms", 2000)
        pieces = self.int_arg("trickle", 0)
        if pieces <= 0:
            time.sleep(ms / 1000.0)
            return self.send(200, b"slow answer\n", self.ctype("text/plain"))
        lines = [b"piece %d\n" % i for i in range(pieces)]
        self.send_response(200)
        self.send_header("Content-Type", self.ctype("text/plain"))
        self.send_header("Content-Length", str(sum(map(len, lines))))
        self.end_headers()
        self.wfile.flush()
        for line in lines:
            time.sleep(ms / 1000.0 / pieces)
            self.wfile.write(line)
            self.wfile.flush()

    def fault_drop(self):
        """Promise a body, send part of it, then close the connection."""
        self.close_connection = True
        if self.arg("noresponse") == "1":
            return self._close(self.arg("rst") == "1")
        sent = self.int_arg("bytes", 1000)
        total = max(self.int_arg("total", 10000), sent + 1)
        self.send_response(200)
        self.send_header("Content-Type", self.ctype("text/plain"))
        self.send_header("Content-Length", str(total))
        self.end_headers()
        self.wfile.write(big_body(sent))
        self.wfile.flush()
        self._close(self.arg("rst") == "1")

    def _close(self, rst):
        try:
            if rst:
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                           struct.pack("ii", 1, 0))
            else:
                self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.connection.close()

    def fault_500(self):
        self.send(500, b"500: Internal Server Error", self.ctype("text/html"))

    def fault_status(self):
        code = self.int_arg("code", 500)
        self.send(code, b"status %d" % code, self.ctype("text/plain"))

    def fault_empty(self):
        self.send(200, b"", self.ctype("text/plain"))

    def fault_utf8_header_only(self):
        body = ("<html><head><title>UTF8 header only</title></head><body>%s</body></html>"
                % SAMPLE_ZH).encode("utf-8")
        self.send(200, body, self.ctype("text/html; charset=utf-8"))

    def _utf8_at(self, default_at):
        at = self.int_arg("at", default_at)
        body = utf8_body_at(at)
        if body is None:
            return self.send(400, b"at too small, minimum %d" % UTF8_MIN_AT)
        self.send(200, body, self.ctype("text/html"))

    def fault_utf8_meta(self):
        self._utf8_at(UTF8_MIN_AT)

    def fault_utf8_late(self):
        self._utf8_at(600)

    def fault_utf8_upper(self):
        body = ('<html><head><meta charset="UTF-8"></head><body>%s</body></html>'
                % SAMPLE_ZH).encode("utf-8")
        self.send(200, body, self.ctype("text/html"))

    def fault_gbk(self):
        body = ('<html><head><meta charset="gbk"></head><body>%s</body></html>'
                % SAMPLE_ZH).encode("gbk")
        self.send(200, body, self.ctype("text/html; charset=gbk"))

    def fault_big(self):
        n = self.int_arg("bytes", -1)
        if n < 0:
            n = self.int_arg("mb", 10) * 1024 * 1024
        chunked = self.arg("chunked") == "1"
        self.send_response(200)
        self.send_header("Content-Type", self.ctype("text/plain"))
        if chunked:
            self.send_header("Transfer-Encoding", "chunked")
        else:
            self.send_header("Content-Length", str(n))
        self.send_header("X-Body-Length", str(n))
        self.end_headers()
        if self.command == "HEAD":
            return
        step = len(BIG_PATTERN) * 1820            # 65520 bytes, pattern-aligned
        block = BIG_PATTERN * 1820
        left = n
        while left > 0:
            piece = block[:min(step, left)]
            if chunked:
                self.wfile.write(b"%x\r\n" % len(piece) + piece + b"\r\n")
            else:
                self.wfile.write(piece)
            left -= len(piece)
        if chunked:
            self.wfile.write(b"0\r\n\r\n")

    def fault_binary(self):
        n = max(self.int_arg("bytes", 4096), BINARY_ZERO_AT + 1)
        self.send(200, binary_body(n), self.ctype("application/octet-stream"),
                  [("X-First-Zero", str(BINARY_ZERO_AT))])

    def fault_zero(self):
        self.send(200, ZERO_BODY, self.ctype("text/plain"))

    def fault_redirect(self):
        to = self.arg("to", "/fault/target")
        if self.arg("abs", "1") == "1" and to.startswith("/"):
            to = self.host_url() + to
        code = self.int_arg("code", 302)
        self.send(code, b"redirecting", self.ctype("text/plain"), [("Location", to)])

    def fault_target(self):
        self.send(200, b"redirect target reached", self.ctype("text/plain"))

    def fault_content_location(self):
        to = self.arg("to", "/fault/target")
        self.send(200, b"content-location page", self.ctype("text/plain"),
                  [("Content-Location", to)])

    def fault_setcookie(self):
        sets = self.query.get("set") or ["a=1; path=/", "b=2; path=/"]
        got = [v for n, v in header_pairs(self.raw_headers) if n.lower() == "cookie"]
        body = "".join("Cookie: %s\n" % v for v in got) if got else "no cookie\n"
        self.send(200, body.encode("latin-1", "replace"), self.ctype("text/plain"),
                  [("Set-Cookie", s) for s in sets])

    def fault_longheaders(self):
        headers = filler_headers(self.int_arg("bytes", 6000))
        headers.append(("Set-Cookie", "late=1; path=/"))
        headers.append(("X-Last-Header", "end"))
        self.send(200, b"long headers", self.ctype("text/plain"), headers)

    def fault_detail(self):
        """A detail page of any kind, for parser tests: ?kind=..&hash=..&title=.."""
        entry = {"id": 0, "site_id": "x", "title": self.arg("title", "Fault page"),
                 "size": "1 MB", "size_cell": "1 MB", "format": "mp4",
                 "date": "2013-01-01", "kind": self.arg("kind", "hash"),
                 "hash": self.arg("hash", "0123456789abcdef0123456789abcdef01234567")}
        status, body = pages.detail_page(entry)
        self.send(status, body, "text/html; charset=utf-8")


ROUTES = {
    "/ajax/search_next": Handler.do_search,
    "/detail": Handler.do_detail,
    "/client": Handler.do_ping,
    "/p2p.txt": Handler.do_update_file,
    "/yunbo.htm": lambda h: h.do_html(pages.YUNBO_PAGE),
    "/": lambda h: h.do_html(pages.INDEX_PAGE),
    "/index.htm": lambda h: h.do_html(pages.INDEX_PAGE),
    "/update.htm": lambda h: h.do_html(pages.UPDATE_PAGE),
    "/echo": Handler.do_echo,
}

FAULTS = {
    name[len("fault_"):].replace("_", "-"): fn
    for name, fn in vars(Handler).items() if name.startswith("fault_")
}


SEARCH_FAULTS = {
    "fault-" + name[len("sfault_"):].replace("_", "-"): fn
    for name, fn in vars(Handler).items() if name.startswith("sfault_")
}

# Detail faults in the order of their rows under the term "fault-details".
DETAIL_FAULTS = [(name, FAULTS["detail-" + name]) for name in
                 ("endless", "5mb", "longlink", "badutf8", "zero", "magnet", "magnet-eof",
                  "slowheaders")]
DETAIL_FAULT_TERMS = {"fault-details": None}
DETAIL_FAULT_TERMS.update(("fault-detail-" + name, name) for name, _ in DETAIL_FAULTS)

STRESS_TERM = "stress"
FILLER_BASE = 1000000          # ids of made-up rows; above every catalogue id
DETAIL_FAULT_BASE = 900000     # ids of the rows whose detail page faults
FAULT_HASH = "fa0170fa0170fa0170fa0170fa0170fa0170fa01"
ESCAPED_ROW_END = b"<\\/td>\\n<\\/tr>"
DROP_AFTER_ROWS = 5
MANY_ROWS = 3000
REDIRECT_HOPS = 1000
LONG_TITLE = 10000
LONG_LINK = 100000
BAD_UTF8_ESCAPES = "%FF%FE%C0%AF%ED%A0%80bad%E4%B8"   # invalid, overlong, surrogate, cut short
# Formats that are hard to carry: quotes, apostrophe, backslash, characters GBK
# lacks, a private-use character GBK maps, raw bytes that are not UTF-8 at all.
ODD_FORMATS = ['"', 'a"b', "it's", "\\", "\u0e01\u0e02", "\U0001f600", "\ue000",
               "\ue001mp4", "%41", "\t"]
RAW_BYTE_MARKS = [("\ue001", b"\xff\xfe\x81")]


def filler_entry(tag, page, rank, **over):
    """A made-up result row; its detail page carries filler_hash(id)."""
    fid = FILLER_BASE + page * 10000 + rank
    e = {"id": fid, "site_id": "f%d" % fid, "title": "%s p%d r%02d" % (tag, page, rank),
         "size_cell": "700 MB", "format": "mp4", "date": "2013-08-05"}
    e.update(over)
    return e


def filler_hash(fid):
    return hashlib.sha1(b"quarvel-filler-%d" % fid).hexdigest()


def filler_detail_entry(fid):
    return {"id": fid, "site_id": "f%d" % fid, "title": "Row %d" % fid, "size": "700 MB",
            "format": "mp4", "date": "2013-08-05", "kind": "hash", "hash": filler_hash(fid)}


def detail_fault_entry(k):
    fid = DETAIL_FAULT_BASE + k
    return {"id": fid, "site_id": "d%d" % fid,
            "title": "FAULT-DETAIL %s" % DETAIL_FAULTS[k][0],
            "size_cell": "1 MB", "format": "mp4", "date": "2013-08-05"}


def json_page(page, count, html_text, ascii_only=False):
    return ('{"status":1,"page":%d,"count":%d,"html":"%s"}' % (
        page, count, pages.js_escape(html_text, ascii_only))).encode("utf-8")


def filler_headers(want, value_len=90):
    headers = []
    size = 0
    i = 0
    while size < want:
        i += 1
        name, value = "X-Filler-%03d" % i, "x" * value_len
        headers.append((name, value))
        size += len(name) + 2 + len(value) + 2
    return headers


UPDATE_FAULTS = ("big", "binary", "no-separator", "version-huge", "version-nan",
                 "long-notice")
LONG_NOTICE = 100000


def update_fault_body(kind, version, notice, link):
    if kind == "big":                    # the fields after 1 MB of text
        tail = pages.update_file(version, notice, link)
        unit = "填充文字，没有记号。\r\n".encode("gbk")
        pad = 1024 * 1024 - len(tail)
        return (unit * (pad // len(unit) + 1))[:pad // 2 * 2] + b" " * (pad % 2) + tail
    if kind == "binary":                 # no zero byte, so all of it is read as text
        return binary_body(65536).replace(b"\x00", b"\x01")
    if kind == "no-separator":
        return ("#%s %s &%s&\r\n" % (version, notice, link)).encode("gbk")
    if kind == "version-huge":
        return pages.update_file("1e308", notice, link)
    if kind == "version-nan":
        return pages.update_file("nan", notice, link)
    if kind == "long-notice":
        unit = "这是一条很长的公告"
        text = (unit * (LONG_NOTICE // 2 // len(unit) + 1))[:LONG_NOTICE // 2]
        return pages.update_file(version, text, link)
    raise ValueError(kind)


def big_body(n):
    reps = n // len(BIG_PATTERN) + 1
    return (BIG_PATTERN * reps)[:n]


def binary_body(n):
    out = bytearray()
    counter = 0
    while len(out) < n:
        out += hashlib.sha256(b"quarvel%d" % counter).digest()
        counter += 1
    out = out[:n]
    out[BINARY_ZERO_AT] = 0
    for i in range(BINARY_ZERO_AT + 1, n, 97):    # more zeros further in
        out[i] = 0
    return bytes(out)


_UTF8_HEAD = '<html><head><meta http-equiv="Content-Type" content="text/html; charset='
UTF8_MIN_AT = len(_UTF8_HEAD) + 1


def utf8_body_at(at):
    """A UTF-8 page whose only 'utf-8' starts at 1-based byte position at."""
    pad = at - UTF8_MIN_AT
    if pad < 0:
        return None
    head = "<html>" + " " * pad + _UTF8_HEAD[len("<html>"):]
    return (head + 'utf-8"></head><body>%s</body></html>' % SAMPLE_ZH).encode("utf-8")


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        exc = sys.exc_info()[1]
        if isinstance(exc, (ConnectionError, socket.timeout, TimeoutError)):
            return
        super().handle_error(request, client_address)


URL_HELP = """URLs:
  /ajax/search_next?s=TERM&p=PAGE   result rows (JSON, escaped HTML rows)
  /detail?id=N&__diycdn=ID          detail page (hash link, cloud-play link or 404)
  /client?...                       start-up ping, answers "ok"
  /p2p.txt                          update file (GBK)
  /yunbo.htm  /  /update.htm        cloud-play page, home page, update page
  /echo[?json=1]                    echoes request line, header block and body
  /fault/slow?ms=2000[&trickle=N]   /fault/drop?bytes=1000&total=10000[&rst=1|&noresponse=1]
  /fault/500  /fault/status?code=N  /fault/empty
  /fault/utf8-header-only  /fault/utf8-meta[?at=N]  /fault/utf8-late[?at=600]
  /fault/utf8-upper  /fault/gbk  /fault/zero  /fault/binary[?bytes=4096]
  /fault/big?mb=10|bytes=N[&chunked=1]
  /fault/redirect[?to=PATH&code=302&abs=1]  /fault/target  /fault/content-location[?to=PATH]
  /fault/setcookie[?set=RAW&set=RAW]  /fault/longheaders[?bytes=6000]
  /fault/detail?kind=hash|yunbo|gone|nolink|nohash|yunbo-nomagnet[&hash=H&title=T]
  /fault/detail-endless  /fault/detail-5mb  /fault/detail-longlink  /fault/detail-badutf8
  /fault/detail-zero  /fault/detail-magnet  /fault/detail-magnet-eof
  /fault/detail-slowheaders[?every_ms=5000&seconds=S]
  Every /fault/ page takes ctype=... to replace its Content-Type.
Search terms (any case) that fault: %s,
  %s, and "stress" (see site/README.md).
"""


def parse_args(argv):
    ap = argparse.ArgumentParser(
        description="Quarvel reference site on 127.0.0.1: search pages, detail pages, "
                    "update file, cloud-play page, ping, and fault cases under /fault/.",
        epilog=URL_HELP % (", ".join(sorted(SEARCH_FAULTS)), ", ".join(DETAIL_FAULT_TERMS)),
        formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--port", type=int, default=8618,
                    help="port to listen on (default 8618, the port the program is built for); "
                         "0 picks a free one. The chosen port is "
                         "printed as the first line of stdout.")
    ap.add_argument("--port-file", help="write the port to this file once listening")
    ap.add_argument("--log", help="request log: one JSON object per request (truncated at start)")
    ap.add_argument("--log-append", action="store_true", help="append to --log instead")
    ap.add_argument("--catalogue", default=os.path.join(HERE, "catalogue.json"),
                    help="catalogue file (default: site/catalogue.json)")
    ap.add_argument("--rows-per-page", type=int, default=10, help="result rows per page (10)")
    ap.add_argument("--search-delay-ms", type=int, default=0,
                    help="wait this long before answering each search page (0)")
    ap.add_argument("--detail-delay-ms", type=int, default=0,
                    help="wait this long before answering each /detail page (0)")
    ap.add_argument("--search-hold-file",
                    help="hold every search page after the first while this file exists (at most 120 s)")
    ap.add_argument("--detail-hold-file",
                    help="hold every /detail answer while this file exists (at most 120 s)")
    ap.add_argument("--unicode-escapes", action="store_true",
                    help="write non-ASCII characters of result rows as \\uXXXX escapes "
                         "instead of UTF-8")
    ap.add_argument("--update-version", default="1.0",
                    help="version text of /p2p.txt (default 1.0: no update announced)")
    ap.add_argument("--update-notice", default=DEFAULT_NOTICE, help="notice text of /p2p.txt")
    ap.add_argument("--update-link", default="",
                    help="update link of /p2p.txt (default: http://<Host>/update.htm)")
    ap.add_argument("--update-file", help="serve this file as /p2p.txt, byte for byte")
    ap.add_argument("--update-fault", choices=UPDATE_FAULTS,
                    help="serve a faulty /p2p.txt of this kind (see site/README.md)")
    ap.add_argument("--fault-page", type=int, default=2,
                    help="page on which a fault search term faults (2); earlier pages "
                         "are ordinary, later ones empty")
    ap.add_argument("--slow-seconds", type=float, default=20.0,
                    help="delay of the fault-slow page (20)")
    ap.add_argument("--endless-seconds", type=float, default=60.0,
                    help="time cap of the endless detail pages (60)")
    ap.add_argument("--stress-pages", type=int, default=100,
                    help="pages of the stress term, served without delay (100)")
    ap.add_argument("--stress-rows", type=int, default=50,
                    help="rows per page of the stress term (50)")
    args = ap.parse_args(argv)
    if args.rows_per_page < 1:
        ap.error("--rows-per-page must be at least 1")
    checks = [
        (args.fault_page >= 1, "--fault-page must be at least 1"),
        (0 <= args.slow_seconds <= 600, "--slow-seconds must be within 0..600"),
        (0 < args.endless_seconds <= 600, "--endless-seconds must be within 0..600"),
        (1 <= args.stress_pages <= 10000, "--stress-pages must be within 1..10000"),
        (1 <= args.stress_rows <= 5000, "--stress-rows must be within 1..5000"),
        # The update file is cut at the first '#', '##' and '&': a field holding
        # one of them, or a '#' next to a '##', moves the cuts.
        (args.update_version != "", "--update-version must not be empty"),
        ("&" not in args.update_version + args.update_notice + args.update_link,
         "--update-version, --update-notice and --update-link must not contain &"),
    ]
    for name, text in (("--update-version", args.update_version),
                       ("--update-notice", args.update_notice)):
        checks.append(("##" not in text, "%s must not contain ##" % name))
        checks.append((not text.startswith("#") and not text.endswith("#"),
                       "%s must not start or end with #" % name))
    for ok, message in checks:
        if not ok:
            ap.error(message)
    for text in (args.update_version, args.update_notice, args.update_link):
        try:
            text.encode("gbk")
        except UnicodeEncodeError:
            ap.error("update file texts must be representable in GBK: %r" % text)
    return args


def main(argv=None):
    args = parse_args(argv)
    server = Server(("127.0.0.1", args.port), Handler)
    server.cfg = args
    server.catalogue = Catalogue(args.catalogue)
    server.request_log = RequestLog(args.log, args.log_append)
    port = server.server_address[1]
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)
    print(port, flush=True)

    def stop(signum, frame):
        raise KeyboardInterrupt
    signal.signal(signal.SIGTERM, stop)
    try:
        server.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
