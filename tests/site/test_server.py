#!/usr/bin/env python3
"""Tests of the reference site: result pages, detail pages, product files,
request log and fault cases. Starts its own servers on free ports.

    python3 tests/site/test_server.py
"""

import base64
import hashlib
import http.client
import json
import math
import os
import re
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SITE = os.path.join(ROOT, "site")
sys.path.insert(0, SITE)
import clientmodel  # noqa: E402
import server  # noqa: E402

with open(os.path.join(SITE, "catalogue.json"), encoding="utf-8") as _f:
    CATALOGUE = json.load(_f)
ENTRIES = CATALOGUE["entries"]
DEMO = CATALOGUE["demo_term"]


class SiteProcess:
    """One server process on a free port, with its own request log."""

    def __init__(self, *extra):
        self.tmp = tempfile.TemporaryDirectory()
        self.log = os.path.join(self.tmp.name, "requests.jsonl")
        self.port_file = os.path.join(self.tmp.name, "port")
        self.proc = subprocess.Popen(
            [sys.executable, os.path.join(SITE, "server.py"), "--port", "0",
             "--log", self.log, "--port-file", self.port_file] + list(extra),
            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        line = self.proc.stdout.readline()
        if not line.strip().isdigit():
            self.stop()
            raise RuntimeError("site did not start: %r %r" % (line, self.proc.stderr.read()))
        self.port = int(line)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc.stdout.close()
        self.proc.stderr.close()
        self.tmp.cleanup()

    def request(self, path, method="GET", body=None, headers=None):
        """(status, [(name, value)...], body bytes); redirects are not followed."""
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        try:
            conn.request(method, path, body=body, headers=headers or {})
            resp = conn.getresponse()
            return resp.status, resp.getheaders(), resp.read()
        finally:
            conn.close()

    def get(self, path):
        return self.request(path)

    def raw(self, data, timeout=10):
        """Send raw bytes, read until the server closes; returns (head, body)."""
        with socket.create_connection(("127.0.0.1", self.port), timeout=timeout) as s:
            s.sendall(data)
            chunks = []
            while True:
                try:
                    c = s.recv(65536)
                except ConnectionResetError:
                    break
                if not c:
                    break
                chunks.append(c)
        whole = b"".join(chunks)
        head, _, body = whole.partition(b"\r\n\r\n")
        return head, body

    def log_records(self):
        with open(self.log, encoding="utf-8") as f:
            return [json.loads(line) for line in f]


SITE_PROC = None


def setUpModule():
    global SITE_PROC
    SITE_PROC = SiteProcess()


def tearDownModule():
    SITE_PROC.stop()


def search_path(term, page, plus=False):
    q = urllib.parse.quote_plus(term) if plus else urllib.parse.quote(term, safe="")
    return "/ajax/search_next?s=%s&p=%d" % (q, page)


def header(headers, name):
    values = [v for n, v in headers if n.lower() == name.lower()]
    return values[0] if values else None


def matching(term):
    t = term.strip().casefold()
    return [e for e in ENTRIES if t in e["title"].casefold()]


def fetch_all_pages(site, term, plus=False):
    """Every page of a search the way the program walks it; returns (rows, pages)."""
    rows = []
    page = 0
    while True:
        page += 1
        status, _, body = site.get(search_path(term, page, plus))
        assert status == 200
        parsed = clientmodel.parse_page(body.decode("utf-8"))
        if parsed is None:
            return rows, page - 1
        rows += parsed
        assert page < 100


def expected_rows(entries):
    return [(e["expect"]["title"], e["expect"]["size"], e["expect"]["format"],
             e["expect"]["detail_path"]) for e in entries]


class ResultPages(unittest.TestCase):

    def test_row_is_served_in_the_escaped_form(self):
        status, headers, body = SITE_PROC.get(search_path(DEMO, 1))
        self.assertEqual(status, 200)
        self.assertEqual(header(headers, "Content-Type"), "application/json; charset=utf-8")
        text = body.decode("utf-8")
        e = matching(DEMO)[0]
        # The wire form spelled out here on its own, not taken from the site's code.
        row = ('<tr class=\\"search-row\\" data-id=\\"{sid}\\" data-url=\\"\\/detail?id={id}\\">\\n'
               '<td class=\\"name\\"><a href=\\"\\/detail?id={id}\\" target=\\"_blank\\" '
               'data-title=\\"\\"><span class=\\"highlight\\">{title}<\\/span><\\/a><\\/td>\\n'
               '<td style=\\"text-align: right;\\">{size}<\\/td>\\n'
               '<td class=\\"format\\"><img alt=\\"{fmt}\\" src=\\"\\/static\\/ft\\/{fmt}.png\\" '
               'width=\\"16\\" height=\\"16\\"><\\/td>\\n'
               '<td class=\\"date\\">{date}<\\/td>\\n<\\/tr>').format(
            sid=e["site_id"], id=e["id"], title=e["title"], size=e["size"],
            fmt=e["format"], date=e["date"])
        self.assertTrue(text.startswith('{"status":1,"page":1,"count":10,"html":"' + row + "\\n"),
                        text[:600])
        self.assertEqual(text.count('<tr class=\\"search-row'), 10)
        self.assertEqual(text.count("<\\/td>\\n<\\/tr>"), 10)
        self.assertNotIn("\n", text)                  # no raw line break for the unescaping
        json.loads(text)                              # and it is a JSON document

    def test_every_entry_reads_back_as_recorded(self):
        rows, pages = fetch_all_pages(SITE_PROC, "")
        self.assertEqual(pages, math.ceil(len(ENTRIES) / 10))
        self.assertEqual(rows, expected_rows(ENTRIES))

    def test_demo_term_pages_and_end(self):
        want = matching(DEMO)
        self.assertGreaterEqual(len(want), 31)        # at least four pages of ten
        rows, pages = fetch_all_pages(SITE_PROC, DEMO)
        self.assertEqual(pages, math.ceil(len(want) / 10))
        self.assertEqual(rows, expected_rows(want))
        _, _, body = SITE_PROC.get(search_path(DEMO, pages + 1))
        self.assertNotIn(b"data-title", body.lower())
        _, _, body = SITE_PROC.get(search_path(DEMO.lower(), 1))
        self.assertEqual(clientmodel.parse_page(body.decode("utf-8")), expected_rows(want[:10]))

    def test_terms_with_blanks_and_chinese(self):
        spaced = next(e["title"] for e in ENTRIES
                      if re.match(r"[A-Z]+-\d{3} [A-Za-z]", e["title"]))[:9]
        for term in (spaced, "中文字幕", " 中文字幕 ", "ABC-0", "\u3000全角"):
            want = expected_rows(matching(term))
            self.assertTrue(want, term)
            for plus in (False, True):
                rows, _ = fetch_all_pages(SITE_PROC, term, plus)
                self.assertEqual(rows, want, (term, plus))

    def test_pages_without_results(self):
        for path in (search_path("no such title anywhere", 1), search_path(DEMO, 0),
                     search_path(DEMO, 99), "/ajax/search_next?s=%FF%FE&p=1"):
            status, _, body = SITE_PROC.get(path)
            self.assertEqual(status, 200, path)
            self.assertNotIn(b"data-title", body.lower(), path)
            self.assertEqual(json.loads(body)["html"], "", path)
        _, _, body = SITE_PROC.get("/ajax/search_next?s=ABC&p=x")   # bad page number: page 1
        self.assertEqual(json.loads(body)["page"], 1)

    def test_escaping_of_awkward_titles(self):
        _, _, body = SITE_PROC.get(search_path("ABC-90", 1))
        text = body.decode("utf-8")
        self.assertIn(r'ABC-900 \"Quoted\" & <Tagged> \\ Backslash<\/span>', text)
        self.assertIn(r"ABC-901 It's 100\u0025 测试 \u002541\u002542 \\\\server\\share", text)
        rows = dict((r[0][:7], r[0]) for r in clientmodel.parse_page(text))
        self.assertEqual(rows["ABC-900"], 'ABC-900 "Quoted" & <Tagged> \\ Backslash')
        self.assertEqual(rows["ABC-901"], "ABC-901 It's 100% 测试 %41%42 \\\\server\\share")


class OtherRowSettings(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.site = SiteProcess("--unicode-escapes", "--rows-per-page", "7",
                               "--search-delay-ms", "20")

    @classmethod
    def tearDownClass(cls):
        cls.site.stop()

    def test_ascii_only_rows_and_page_size(self):
        want = matching(DEMO)
        _, _, body = self.site.get(search_path(DEMO, 1))
        self.assertTrue(all(b < 0x80 for b in body))
        self.assertEqual(body.count(b'<tr class=\\"search-row'), 7)
        rows, pages = fetch_all_pages(self.site, DEMO)
        self.assertEqual(pages, math.ceil(len(want) / 7))
        self.assertEqual(rows, expected_rows(want))

    def test_search_delay(self):
        t = time.monotonic()
        self.site.get(search_path(DEMO, 1))
        self.assertGreaterEqual(time.monotonic() - t, 0.02)


class DetailPages(unittest.TestCase):

    def first(self, kind):
        return next(e for e in ENTRIES if e["kind"] == kind)

    def test_kinds(self):
        e = self.first("hash")
        status, _, body = SITE_PROC.get(e["expect"]["detail_path"])
        text = body.decode("utf-8")
        self.assertEqual(status, 200)
        self.assertEqual(clientmodel.text_between(text, '<a href="', '"'),
                         "/download?info_hash=" + e["hash"])
        self.assertNotIn("迅雷云播", text)
        self.assertEqual(e["expect"]["magnet"], "magnet:?xt=urn:btih:" + e["hash"])

        e = self.first("yunbo")
        status, _, body = SITE_PROC.get(e["expect"]["detail_path"])
        text = body.decode("utf-8")
        self.assertEqual(status, 200)
        self.assertIn("迅雷云播", text)
        href = clientmodel.text_between(text, '<a href="', '"')
        self.assertEqual(urllib.parse.unquote(href.partition("url=")[2]), e["expect"]["magnet"])
        self.assertTrue(e["expect"]["magnet"].startswith("magnet:?xt=urn:btih:" + e["hash"] + "&dn="))

        e = self.first("gone")
        status, headers, body = SITE_PROC.get(e["expect"]["detail_path"])
        self.assertEqual(status, 404)
        self.assertIn(b"404: Not Found", body)

    def test_every_entry_resolves_as_recorded(self):
        for e in ENTRIES:
            status, headers, body = SITE_PROC.get(e["expect"]["detail_path"])
            self.assertEqual(status, e["expect"]["detail_status"], e["id"])
            self.assertIn("utf-8", header(headers, "Content-Type"))
            got = clientmodel.resolve_detail(body.decode("utf-8"))
            self.assertEqual(got, (e["expect"]["outcome"], e["expect"]["magnet"]), e["id"])

    def test_unknown_detail(self):
        for path in ("/detail?id=999999&__diycdn=x", "/detail?id=abc", "/detail"):
            status, _, body = SITE_PROC.get(path)
            self.assertEqual(status, 404)
            self.assertIn(b"404: Not Found", body)

    def test_fault_detail_kinds(self):
        cases = {"hash": ("link", "magnet:?xt=urn:btih:" + "ab" * 20),
                 "yunbo": ("link", "magnet:?xt=urn:btih:" + "ab" * 20 + "&dn=T"),
                 "gone": ("failure", ""), "nolink": ("no-resource", ""),
                 "nohash": ("no-resource", ""),
                 "yunbo-nomagnet": ("no-resource", "")}
        for kind, want in cases.items():
            _, _, body = SITE_PROC.get("/fault/detail?kind=%s&hash=%s&title=T" % (kind, "ab" * 20))
            self.assertEqual(clientmodel.resolve_detail(body.decode("utf-8")), want, kind)


class ProductSite(unittest.TestCase):

    def test_default_update_file_announces_nothing(self):
        status, headers, body = SITE_PROC.get("/p2p.txt")
        self.assertEqual(status, 200)
        self.assertNotIn("utf-8", str(headers).lower())
        text = body.decode("gbk")
        m = re.match(r"#(.*?)##(.*?)##&(.*?)&", text)
        self.assertEqual(m.group(1), "1.0")
        self.assertTrue(m.group(2))
        self.assertEqual(m.group(3), "http://127.0.0.1:%d/update.htm" % SITE_PROC.port)
        self.assertEqual(SITE_PROC.get("/update.htm")[0], 200)

    def test_update_switches_and_file(self):
        site = SiteProcess("--update-version", "1.1", "--update-notice", "有新版本 hello",
                           "--update-link", "http://example.test/get")
        try:
            self.assertEqual(site.get("/p2p.txt")[2],
                             "#1.1##有新版本 hello##&http://example.test/get&\r\n".encode("gbk"))
        finally:
            site.stop()
        with tempfile.NamedTemporaryFile(delete=False) as f:
            f.write(b"#abc##\xd6\xd0\x00tail##&x&")
        try:
            site = SiteProcess("--update-file", f.name)
            try:
                self.assertEqual(site.get("/p2p.txt")[2], b"#abc##\xd6\xd0\x00tail##&x&")
            finally:
                site.stop()
        finally:
            os.unlink(f.name)

    def test_bad_update_switches_are_refused(self):
        for args in (["--update-link", "http://a/?x=1&y=2"], ["--update-notice", "a##b"]):
            r = subprocess.run([sys.executable, os.path.join(SITE, "server.py"), "--port", "0"]
                               + args, capture_output=True, timeout=10)
            self.assertEqual(r.returncode, 2, args)

    def test_cloud_play_page_ping_and_index(self):
        status, headers, body = SITE_PROC.get("/yunbo.htm")
        self.assertEqual(status, 200)
        self.assertIn("云点播", body.decode("utf-8"))
        status, _, body = SITE_PROC.get("/client?v=130805&c=5a3c81e0d24b&so=0&__diycdn=" + "A1b" * 17)
        self.assertEqual((status, body), (200, b"ok"))
        self.assertEqual(SITE_PROC.get("/")[0], 200)
        self.assertEqual(SITE_PROC.get("/nowhere")[0], 404)


class RequestLog(unittest.TestCase):

    def test_header_block_order_and_body_are_logged_as_received(self):
        block = ("Referer: http://127.0.0.1/x?log-order\r\nAccept: */*\r\n"
                 "Accept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                 "user-agent:   Mozilla/4.0 (compatible; MSIE 9.0)\r\nHost: 127.0.0.1\r\n"
                 "Cookie: a=1; b=2\r\nContent-Length: 7")
        head, body = SITE_PROC.raw(("GET /echo?log-order=1 HTTP/1.1\r\n" + block +
                                    "\r\nConnection: close\r\n\r\nx=1&y\x00z").encode("latin-1"))
        self.assertIn(b"200 OK", head)
        self.assertEqual(body, b"GET /echo?log-order=1 HTTP/1.1\r\n" + block.encode() +
                         b"\r\nConnection: close\r\n\r\nx=1&y\x00z")
        rec = [r for r in SITE_PROC.log_records() if r["path"] == "/echo?log-order=1"][-1]
        self.assertEqual(rec["method"], "GET")
        self.assertEqual(rec["raw_headers"], block + "\r\nConnection: close")
        self.assertEqual(rec["headers"][4], ["user-agent", "Mozilla/4.0 (compatible; MSIE 9.0)"])
        self.assertEqual([n for n, _ in rec["headers"]],
                         ["Referer", "Accept", "Accept-Language", "Content-Type", "user-agent",
                          "Host", "Cookie", "Content-Length", "Connection"])
        self.assertEqual(rec["body"], "x=1&y\x00z")
        self.assertEqual(base64.b64decode(rec["body_b64"]), b"x=1&y\x00z")

    def test_every_request_gets_one_line(self):
        before = len(SITE_PROC.log_records())
        SITE_PROC.get("/client?count-me")
        SITE_PROC.request("/echo?post-me", "POST", body=bytes(range(256)))
        SITE_PROC.get("/fault/500?count-me")
        SITE_PROC.get(search_path("count-me", 1))
        recs = SITE_PROC.log_records()[before:]
        self.assertEqual([r["path"] for r in recs],
                         ["/client?count-me", "/echo?post-me", "/fault/500?count-me",
                          search_path("count-me", 1)])
        self.assertEqual(base64.b64decode(recs[1]["body_b64"]), bytes(range(256)))
        self.assertEqual(recs[1]["method"], "POST")

    def test_chunked_request_body(self):
        head, body = SITE_PROC.raw(b"POST /echo?json=1 HTTP/1.1\r\nHost: x\r\n"
                                   b"Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                                   b"3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n")
        self.assertEqual(base64.b64decode(json.loads(body)["body_b64"]), b"abcde")


class Faults(unittest.TestCase):

    def test_slow(self):
        t = time.monotonic()
        status, _, body = SITE_PROC.get("/fault/slow?ms=300")
        self.assertGreaterEqual(time.monotonic() - t, 0.3)
        self.assertEqual((status, body), (200, b"slow answer\n"))
        t = time.monotonic()
        _, _, body = SITE_PROC.get("/fault/slow?ms=200&trickle=4")
        self.assertGreaterEqual(time.monotonic() - t, 0.2)
        self.assertEqual(body, b"piece 0\npiece 1\npiece 2\npiece 3\n")

    def test_drop_mid_body(self):
        for rst in ("0", "1"):
            head, body = SITE_PROC.raw(b"GET /fault/drop?bytes=1500&total=9000&rst=" +
                                       rst.encode() + b" HTTP/1.1\r\nHost: x\r\n\r\n")
            self.assertIn(b"Content-Length: 9000", head)
            self.assertEqual(body, (b"abcdefghijklmnopqrstuvwxyz0123456789" * 50)[:1500])
        with self.assertRaises(http.client.IncompleteRead):
            SITE_PROC.get("/fault/drop")
        head, body = SITE_PROC.raw(b"GET /fault/drop?noresponse=1 HTTP/1.1\r\nHost: x\r\n\r\n")
        self.assertEqual((head, body), (b"", b""))

    def test_status_codes(self):
        self.assertEqual(SITE_PROC.get("/fault/500")[:1], (500,))
        self.assertEqual(SITE_PROC.get("/fault/status?code=503")[0], 503)
        status, headers, body = SITE_PROC.get("/fault/empty")
        self.assertEqual((status, body, header(headers, "Content-Length")), (200, b"", "0"))

    def test_charset_cases(self):
        sample = "你好，世界！这是一个中文测试页面。"

        def first_utf8(body):
            p = body.find(b"utf-8")
            return p + 1 if p >= 0 else None         # 1-based, as the program counts

        _, headers, body = SITE_PROC.get("/fault/utf8-header-only")
        self.assertIn("charset=utf-8", header(headers, "Content-Type"))
        self.assertIsNone(first_utf8(body))
        self.assertIn(sample, body.decode("utf-8"))
        for path, pos in (("/fault/utf8-meta", None), ("/fault/utf8-late", 600),
                          ("/fault/utf8-late?at=499", 499), ("/fault/utf8-meta?at=500", 500)):
            _, headers, body = SITE_PROC.get(path)
            self.assertNotIn("utf-8", str(headers).lower(), path)
            self.assertEqual(body.count(b"utf-8"), 1, path)
            if pos is None:
                self.assertLess(first_utf8(body), 500)
            else:
                self.assertEqual(first_utf8(body), pos, path)
            self.assertIn(sample, body.decode("utf-8"))
        self.assertEqual(SITE_PROC.get("/fault/utf8-meta?at=3")[0], 400)
        _, headers, body = SITE_PROC.get("/fault/utf8-upper")
        self.assertIsNone(first_utf8(body))
        self.assertIn(b"UTF-8", body)
        self.assertNotIn("utf-8", str(headers).lower())
        _, headers, body = SITE_PROC.get("/fault/gbk")
        self.assertIn(sample, body.decode("gbk"))
        _, headers, _ = SITE_PROC.get("/fault/zero?ctype=text/html;%20charset=utf-8")
        self.assertEqual(header(headers, "Content-Type"), "text/html; charset=utf-8")

    def test_big_bodies(self):
        pattern = b"abcdefghijklmnopqrstuvwxyz0123456789"
        status, headers, body = SITE_PROC.get("/fault/big?mb=10")
        self.assertEqual(len(body), 10 * 1024 * 1024)
        self.assertEqual(header(headers, "Content-Length"), str(10 * 1024 * 1024))
        self.assertEqual(body, (pattern * (len(body) // len(pattern) + 1))[:len(body)])
        _, headers, body = SITE_PROC.get("/fault/big?bytes=100001&chunked=1")
        self.assertEqual(header(headers, "Transfer-Encoding"), "chunked")
        self.assertEqual(body, (pattern * 3000)[:100001])

    def test_binary_and_zero(self):
        _, headers, body = SITE_PROC.get("/fault/binary")
        self.assertEqual(len(body), 4096)
        self.assertEqual(body.index(b"\x00"), 10)
        self.assertEqual(header(headers, "X-First-Zero"), "10")
        self.assertGreater(len(set(body)), 200)
        self.assertEqual(SITE_PROC.get("/fault/binary")[2], body)        # deterministic
        _, _, body = SITE_PROC.get("/fault/zero")
        self.assertEqual(body, b"text before the zero byte\x00text after the zero byte")

    def test_redirect_and_content_location(self):
        status, headers, _ = SITE_PROC.get("/fault/redirect")
        self.assertEqual(status, 302)
        self.assertEqual(header(headers, "Location"),
                         "http://127.0.0.1:%d/fault/target" % SITE_PROC.port)
        status, headers, _ = SITE_PROC.get("/fault/redirect?to=/echo&abs=0&code=301")
        self.assertEqual((status, header(headers, "Location")), (301, "/echo"))
        with urllib.request.urlopen("http://127.0.0.1:%d/fault/redirect" % SITE_PROC.port,
                                    timeout=10) as r:
            self.assertEqual(r.read(), b"redirect target reached")
        status, headers, _ = SITE_PROC.get("/fault/content-location?to=/elsewhere")
        self.assertEqual((status, header(headers, "Content-Location")), (200, "/elsewhere"))
        self.assertIsNone(header(headers, "Location"))

    def test_cookies(self):
        _, headers, body = SITE_PROC.get("/fault/setcookie")
        self.assertEqual([v for n, v in headers if n == "Set-Cookie"],
                         ["a=1; path=/", "b=2; path=/"])
        self.assertEqual(body, b"no cookie\n")
        _, headers, body = SITE_PROC.request(
            "/fault/setcookie?set=c%3D3&set=d%3D4%3B%20path%3D%2F",
            headers={"Cookie": "a=1; b=2"})
        self.assertEqual([v for n, v in headers if n == "Set-Cookie"], ["c=3", "d=4; path=/"])
        self.assertEqual(body, b"Cookie: a=1; b=2\n")

    def test_long_header_block(self):
        head, body = SITE_PROC.raw(b"GET /fault/longheaders HTTP/1.1\r\nHost: x\r\n"
                                   b"Connection: close\r\n\r\n")
        self.assertGreater(len(head), 5000)
        self.assertTrue(head.endswith(b"Set-Cookie: late=1; path=/\r\nX-Last-Header: end"))
        self.assertEqual(body, b"long headers")

    def test_echo(self):
        status, headers, body = SITE_PROC.request("/echo", "POST", body=b"a=1&b=%E4",
                                                  headers={"X-Test": "1"})
        self.assertEqual(status, 200)
        self.assertTrue(body.startswith(b"POST /echo HTTP/1.1\r\n"))
        self.assertIn(b"\r\nX-Test: 1\r\n", body)
        self.assertTrue(body.endswith(b"\r\n\r\na=1&b=%E4"))


FAULT_HASH = "fa0170fa0170fa0170fa0170fa0170fa0170fa01"
ESC_ROW_START = b'<tr class=\\"search-row'
ESC_ROW_END = b"<\\/td>\\n<\\/tr>"


def filler_titles(term, page, count=10):
    return ["%s p%d r%02d" % (term.upper(), page, r) for r in range(1, count + 1)]


class FaultTerms(unittest.TestCase):
    """Search terms that fault on page 2: page 1 ordinary, page 3 empty."""

    @classmethod
    def setUpClass(cls):
        cls.site = SiteProcess("--slow-seconds", "0.5", "--endless-seconds", "2",
                               "--stress-pages", "3", "--stress-rows", "7",
                               "--search-delay-ms", "100")

    @classmethod
    def tearDownClass(cls):
        cls.site.stop()

    def test_page_faults(self):
        lf = [("\n" * (r - 1)) for r in range(1, 11)]
        cases = {
            "fault-probe": lambda rows, b, h: self.assertEqual(rows, []),
            "fault-noend": lambda rows, b, h: (self.assertEqual(rows, []),
                                               self.assertIn(ESC_ROW_START, b)),
            "fault-nomarkers": lambda rows, b, h: self.assertEqual(
                rows, [("", "", "", "&__diycdn=")] * 10),
            "fault-longtitle": lambda rows, b, h: (
                self.assertEqual(len(rows[0][0]), 10000),
                self.assertEqual(rows[0][0].rstrip("x"), "FAULT-LONGTITLE p2 r01 "),
                self.assertEqual([r[0] for r in rows[1:]],
                                 filler_titles("fault-longtitle", 2)[1:])),
            "fault-lfsize": lambda rows, b, h: self.assertEqual([r[1] for r in rows], lf),
            "fault-oddformat": lambda rows, b, h: (
                self.assertEqual([r[2] for i, r in enumerate(rows) if i != 7],
                                 ["", "a", "it's", "\\", "\u0e01\u0e02", "\U0001f600",
                                  "\ue000", "%41", "\t"]),
                self.assertIn(b'alt=\\"\xff\xfe\x81mp4\\"', b)),
            "fault-headers": lambda rows, b, h: (
                self.assertGreater(sum(len(n) + len(v) + 4 for n, v in h), 20 * 1024),
                self.assertEqual([r[0] for r in rows], filler_titles("fault-headers", 2))),
            "fault-slow": lambda rows, b, h: self.assertEqual(
                [r[0] for r in rows], filler_titles("fault-slow", 2)),
        }
        for term, check in cases.items():
            for page, want in ((1, filler_titles(term, 1)), (3, None)):
                _, _, body = self.site.get(search_path(term.title(), page))
                got = clientmodel.parse_page(body.decode("utf-8"))
                self.assertEqual(got and [r[0] for r in got], want, (term, page))
            t = time.monotonic()
            status, headers, body = self.site.get(search_path(term.upper(), 2))
            self.assertEqual(status, 200, term)
            if term == "fault-slow":
                self.assertGreaterEqual(time.monotonic() - t, 0.5)
            check(clientmodel.parse_page(body.decode("utf-8", "replace")), body, headers)

    def test_big_and_binary_pages(self):
        for term, size, rows in (("fault-5mb", 5 << 20, 10), ("fault-10mb", 10 << 20, 10),
                                 ("fault-manyrows", None, 3000), ("fault-binary", 65536, 0)):
            status, headers, body = self.site.get(search_path(term, 2))
            self.assertEqual(status, 200, term)
            if size:
                self.assertEqual(len(body), size, term)
            self.assertEqual((body.count(ESC_ROW_START), body.count(ESC_ROW_END)),
                             (rows, rows), term)
            if rows:
                self.assertEqual(len(json.loads(body)["html"].split("\n</tr>")), rows + 1)
            else:
                self.assertNotIn(b"data-title", body.lower())
                self.assertRaises(UnicodeDecodeError, body.decode, "utf-8")

    def test_transport_faults(self):
        head, body = self.site.raw(("GET %s HTTP/1.1\r\nHost: x\r\n\r\n"
                                    % search_path("fault-drop", 2)).encode())
        promised = int(re.search(rb"Content-Length: (\d+)", head).group(1))
        self.assertTrue(body.endswith(ESC_ROW_END) and len(body) < promised)
        self.assertEqual([r[0] for r in clientmodel.parse_page(body.decode())],
                         filler_titles("fault-drop", 2, 5))
        head, body = self.site.raw(("GET %s HTTP/1.1\r\nHost: x\r\n\r\n"
                                    % search_path("fault-reset", 2)).encode())
        promised = int(re.search(rb"Content-Length: (\d+)", head).group(1))
        self.assertEqual(len(body), promised // 2)
        status, _, body = self.site.get(search_path("fault-500", 2))
        self.assertEqual(status, 500)
        self.assertNotIn(b"data-title", body)
        path = search_path("fault-redirect", 2)
        for hop in range(1, 4):
            status, headers, _ = self.site.get(path)
            path = header(headers, "Location").partition(str(self.site.port))[2]
            self.assertEqual((status, path), (302, search_path("fault-redirect", 2) +
                                              "&hop=%d" % hop))
        _, _, body = self.site.get(path.replace("hop=3", "hop=1000"))
        self.assertEqual(json.loads(body)["html"], "")
        logged = [r["path"] for r in self.site.log_records()]
        self.assertIn(search_path("fault-redirect", 2) + "&hop=2", logged)

    def test_detail_faults(self):
        _, _, body = self.site.get(search_path("fault-details", 1))
        rows = clientmodel.parse_page(body.decode())
        names = [r[0].split()[1] for r in rows]
        self.assertEqual(names, ["endless", "5mb", "longlink", "badutf8", "zero", "magnet",
                                 "magnet-eof", "slowheaders"])
        magnet = "magnet:?xt=urn:btih:" + FAULT_HASH
        long_hash = (FAULT_HASH * 2501)[:100000 - len("/download?info_hash=")]
        want = {"5mb": ("link", magnet), "longlink": ("link", "magnet:?xt=urn:btih:" + long_hash),
                "badutf8": ("link", clientmodel.url_decode_utf8(
                    magnet + "&dn=%FF%FE%C0%AF%ED%A0%80bad%E4%B8")),
                "zero": ("link", magnet + "&dn=beforeafter"),
                "magnet": ("no-resource", ""), "magnet-eof": ("no-resource", "")}
        for name, (_, _, _, path) in zip(names, rows):
            if name in ("endless", "slowheaders"):
                continue
            status, _, page = self.site.get(path)
            self.assertEqual(status, 200, name)
            self.assertEqual(clientmodel.resolve_detail(page.decode()), want[name], name)
        self.assertEqual(len(self.site.get(rows[1][3])[2]), 5 << 20)
        self.assertIn(b"%FF%FE", self.site.get(rows[3][3])[2])
        _, _, body = self.site.get(search_path("Fault-Detail-Zero", 1))
        self.assertEqual([r[0] for r in clientmodel.parse_page(body.decode())],
                         ["FAULT-DETAIL zero"])
        # The endless page keeps coming until its cap, then ends as a whole page.
        t = time.monotonic()
        status, _, page = self.site.get(rows[0][3])
        self.assertGreaterEqual(time.monotonic() - t, 1.9)
        self.assertGreaterEqual(page.count(b"still sending"), 3)
        self.assertEqual(clientmodel.resolve_detail(page.decode()), ("link", magnet))
        # The slow header block grows a byte at a time until its cap and never ends.
        t = time.monotonic()
        head, body = self.site.raw(("GET %s&every_ms=200 HTTP/1.1\r\nHost: x\r\n\r\n"
                                    % rows[7][3]).encode())
        self.assertGreaterEqual(time.monotonic() - t, 1.9)
        self.assertEqual(body, b"")
        self.assertNotIn(b"\r\n\r\n", head)
        status_line, _, slow = head.partition(b"\r\n")
        self.assertEqual(status_line, b"HTTP/1.1 200 OK")
        self.assertRegex(slow, rb"^X-Slow: s{3,}$")
        # Made-up rows lead to ordinary hash pages.
        path = clientmodel.parse_page(self.site.get(search_path("fault-500", 1))[2].decode())[0][3]
        fid = int(re.search(r"id=(\d+)", path).group(1))
        self.assertEqual(clientmodel.resolve_detail(self.site.get(path)[2].decode()),
                         ("link", "magnet:?xt=urn:btih:" + hashlib.sha1(
                             b"quarvel-filler-%d" % fid).hexdigest()))

    def test_stress_term_pages(self):
        titles = []
        for page in range(1, 5):
            got = clientmodel.parse_page(self.site.get(search_path("Stress", page))[2].decode())
            titles += [r[0] for r in got or []]
        self.assertEqual(titles, sum((filler_titles("stress", p, 7) for p in (1, 2, 3)), []))


class Delays(unittest.TestCase):
    """Which pages wait: delays far longer than the client waits tell them apart without timing
    anything. Only the fault-slow page waits for --slow-seconds, and the stress term never waits
    for --search-delay-ms."""

    CLIENT_WAIT = 2  # seconds: far above an answer without delay, far below the delays

    def page_2(self, site, term):
        """The raw answer to page 2 of a term, read until the server closes the connection."""
        return site.raw(("GET %s HTTP/1.0\r\n\r\n" % search_path(term, 2)).encode(), timeout=self.CLIENT_WAIT)

    def test_only_the_slow_fault_page_waits(self):
        site = SiteProcess("--slow-seconds", "600")
        self.addCleanup(site.stop)
        for term in sorted(t for t in server.SEARCH_FAULTS if t != "fault-slow"):
            head, _ = self.page_2(site, term)
            self.assertTrue(head.startswith(b"HTTP/1."), term)
        with self.assertRaises(socket.timeout):
            self.page_2(site, "fault-slow")

    def test_stress_term_never_waits_for_the_search_delay(self):
        site = SiteProcess("--search-delay-ms", "600000", "--stress-pages", "2", "--stress-rows", "3")
        self.addCleanup(site.stop)
        for page in (1, 2, 3):
            head, _ = site.raw(("GET %s HTTP/1.0\r\n\r\n" % search_path("stress", page)).encode(),
                               timeout=self.CLIENT_WAIT)
            self.assertTrue(head.startswith(b"HTTP/1.0 200") or head.startswith(b"HTTP/1.1 200"), head[:40])
        with self.assertRaises(socket.timeout):
            site.raw(("GET %s HTTP/1.0\r\n\r\n" % search_path(DEMO, 1)).encode(), timeout=self.CLIENT_WAIT)

    def test_a_held_search_goes_on_once_its_file_is_gone(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        hold = os.path.join(folder.name, "hold")
        open(hold, "w").close()
        site = SiteProcess("--search-hold-file", hold)
        self.addCleanup(site.stop)
        # The first page answers at once; the later ones wait while the file is there.
        first, _ = site.raw(("GET %s HTTP/1.0\r\n\r\n" % search_path(DEMO, 1)).encode(), timeout=self.CLIENT_WAIT)
        self.assertTrue(first.startswith(b"HTTP/1."), first[:40])
        with self.assertRaises(socket.timeout):
            self.page_2(site, DEMO)
        os.remove(hold)
        head, body = self.page_2(site, DEMO)
        self.assertTrue(head.startswith(b"HTTP/1."), head[:40])
        self.assertEqual(len(clientmodel.parse_page(body.decode())), 10)


class FaultSwitches(unittest.TestCase):

    def test_update_faults(self):
        def fields(body):
            text = body.partition(b"\0")[0].decode("gbk", "replace")
            return tuple(clientmodel.text_between(text, a, b)
                         for a, b in (("#", "##"), ("##", "##"), ("&", "&")))

        link = "http://x.test/u"
        cases = {
            "big": lambda b: (self.assertEqual(len(b), 1 << 20),
                              self.assertEqual(fields(b), ("1.0", "n", link))),
            "binary": lambda b: (self.assertEqual(len(b), 65536), self.assertNotIn(b"\0", b)),
            "no-separator": lambda b: (self.assertNotIn(b"##", b),
                                       self.assertEqual(fields(b), ("", "", link))),
            "version-huge": lambda b: self.assertEqual(fields(b), ("1e308", "n", link)),
            "version-nan": lambda b: self.assertEqual(fields(b), ("nan", "n", link)),
            "long-notice": lambda b: (self.assertEqual(len(fields(b)[1].encode("gbk")), 100000),
                                      self.assertEqual(fields(b)[2], link)),
        }
        for kind, check in cases.items():
            site = SiteProcess("--update-fault", kind, "--update-notice", "n",
                               "--update-link", link)
            try:
                status, _, body = site.get("/p2p.txt")
                self.assertEqual(status, 200, kind)
                check(body)
            finally:
                site.stop()

    def test_fault_page_switch(self):
        site = SiteProcess("--fault-page", "1")
        try:
            _, _, body = site.get(search_path("fault-probe", 1))
            self.assertEqual(clientmodel.parse_page(body.decode()), [])
        finally:
            site.stop()

    def test_refused_switches(self):
        for args in (["--update-notice", "a&b"], ["--update-version", "1.1&"],
                     ["--update-version", "1##2"], ["--update-version", "1.1#"],
                     ["--update-notice", "#a"], ["--update-version", ""],
                     ["--fault-page", "0"], ["--slow-seconds", "-1"],
                     ["--endless-seconds", "0"], ["--stress-rows", "5001"],
                     ["--update-fault", "other"]):
            r = subprocess.run([sys.executable, os.path.join(SITE, "server.py"), "--port", "0"]
                               + args, capture_output=True, timeout=10)
            self.assertEqual(r.returncode, 2, args)
            self.assertIn(b"error", r.stderr, args)


class Catalogue(unittest.TestCase):

    def test_generator_is_deterministic(self):
        with tempfile.TemporaryDirectory() as d:
            out = os.path.join(d, "c.json")
            subprocess.run([sys.executable, os.path.join(SITE, "make_catalogue.py"),
                            "--out", out], check=True, timeout=60)
            with open(out, "rb") as a, open(os.path.join(SITE, "catalogue.json"), "rb") as b:
                self.assertTrue(a.read() == b.read(), "catalogue.json is not the generator's output")

    def test_mix(self):
        kinds = {e["kind"] for e in ENTRIES}
        self.assertTrue({"hash", "yunbo", "gone"} <= kinds)
        formats = {e["format"] for e in ENTRIES}
        for f in ("mp4", "ts", "rmvb", "mkv", "avi", "mp3", "ra", "flac", "jpg", "JPEG",
                  "png", "zip", "rar", "7z", "", "exe"):
            self.assertIn(f, formats)
        codes = {e["expect"]["codes"] for e in ENTRIES}
        self.assertTrue({"", "1", "2", "3", "4", "12", "1234"} <= codes)
        titles = " ".join(e["title"] for e in ENTRIES)
        for ch in ('"', "<", "&", "'", "\\", "%", "中"):
            self.assertIn(ch, titles)
        self.assertTrue(all(re.fullmatch(r"[0-9a-fA-F]{40}", e["hash"]) for e in ENTRIES))
        self.assertEqual(len({e["site_id"] for e in ENTRIES}), len(ENTRIES))
        for e in ENTRIES:
            e["title"].encode("gbk")
            e["expect"]["title"].encode("gbk")


if __name__ == "__main__":
    unittest.main()
