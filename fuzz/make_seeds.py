#!/usr/bin/env python3
"""Writes the fuzzers' seed corpora from the reference site's real answers.

Starts site/server.py on a free loopback port, fetches result pages, detail pages of every
kind, the update file and a few header cases, and saves them into fuzz/corpus/<target>/ in the
input layout each target reads (flag byte, pieces separated by 01 0A, then the rest). Texts are
saved as the program holds them: GBK, a UTF-8 answer converted the way the program converts it.

    python3 fuzz/make_seeds.py
"""
import http.client
import json
import pathlib
import shutil
import subprocess
import sys
import urllib.parse

ROOT = pathlib.Path(__file__).resolve().parent.parent
CORPUS = ROOT / "fuzz" / "corpus"
SEP = b"\x01\n"
ROW_START = b'<tr class=\\"search-row'
ROW_END = b"<\\/td>\\n<\\/tr>"


def start_site():
    proc = subprocess.Popen([sys.executable, str(ROOT / "site" / "server.py"), "--port", "0"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, cwd=ROOT)
    port = int(proc.stdout.readline().strip())
    return proc, port


def fetch(port, path):
    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    conn.request("GET", path)
    resp = conn.getresponse()
    body = resp.read()
    raw = "HTTP/1.1 %d %s\r\n" % (resp.status, resp.reason)
    raw += "".join("%s: %s\r\n" % (k, v) for k, v in resp.getheaders()) + "\r\n"
    conn.close()
    return raw.encode("latin-1"), body


def as_program_text(raw, body):
    """The body as the program's web routine hands it on: UTF-8 pages become GBK."""
    if b"utf-8" in body[:503] or b"utf-8" in raw.lower():
        body = body.decode("utf-8", errors="replace").encode("gbk", errors="replace")
    return body.split(b"\0")[0]


def rows_of(page):
    rows, at = [], 0
    while True:
        s = page.find(ROW_START, at)
        if s < 0:
            return rows
        e = page.find(ROW_END, s + len(ROW_START))
        if e < 0:
            return rows
        rows.append(page[s + len(ROW_START):e].strip(b" "))
        at = e


def save(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


def main():
    if CORPUS.exists():
        shutil.rmtree(CORPUS)
    catalogue = json.loads((ROOT / "site" / "catalogue.json").read_text(encoding="utf-8"))
    entries = catalogue["entries"]
    term = catalogue["demo_term"]
    proc, port = start_site()
    try:
        pages = []
        for number in (1, 2, 5):
            raw, body = fetch(port, "/ajax/search_next?s=%s&p=%d" % (urllib.parse.quote(term), number))
            page = as_program_text(raw, body)
            pages.append((raw, body, page))
            save("result_page", "page-%d" % number, page)
        chinese = next(e for e in entries if any(ord(c) > 0x7f for c in e["title"]))
        word = chinese["title"].split()[0]
        raw, body = fetch(port, "/ajax/search_next?s=%s&p=1" % urllib.parse.quote(word))
        save("result_page", "page-chinese", as_program_text(raw, body))
        gbk_word = word.encode("gbk")

        rows = rows_of(pages[0][2])[:3]
        for i, row in enumerate(rows):
            save("js_unescape", "row-%d" % i, row)
        save("js_unescape", "unicode-escape", b"<td>\\u4e2d\\/x\\n100%25 it's</td>")
        save("collect_between", "rows", b"\x01" + ROW_START + SEP + ROW_END + SEP + pages[0][2])
        save("collect_between", "brackets", b"\x00[" + SEP + b"]" + SEP + b"[1][ ][3]")
        save("text_between", "title", b"\x00data-title=#\xd2\xfd\xba\xc5" + SEP + b"</span>" + SEP +
             rows[0].replace(b'\\"', b'"').replace(b"\\/", b"/"))
        save("text_between", "header", b"\x02Location:" + SEP + b"\r\n" + SEP + pages[0][0])

        done = set()
        for entry in entries:
            kind = entry["kind"]
            if kind in done:
                continue
            done.add(kind)
            raw, body = fetch(port, entry["expect"]["detail_path"])
            save("detail_page", "detail-%s" % kind, as_program_text(raw, body))
            save("url_split", "detail-%s" % kind, b"http://127.0.0.1:8618" + entry["expect"]["detail_path"].encode())

        raw, body = fetch(port, "/p2p.txt")
        save("update_file", "p2p", b"\x3b" + bytes(range(1, 25)) + SEP + body)
        save("update_file", "newer", b"\x10" + SEP + b"#1.1##hello##&http://x/u.htm&")
        save("text_between", "p2p", b"\x00##" + SEP + b"##" + SEP + body)

        raw, body = fetch(port, "/fault/setcookie?set=a%3D1%3B+path%3D%2F&set=b%3D2%3B+path%3D%2F")
        save("cookies", "setcookie", b"sid=x; t=y; a=0" + SEP + raw)
        save("cookies", "deleted", b"sid=x; t=y" + SEP + b"Set-Cookie: t=deleted; path=/\r\n")
        save("response_headers", "setcookie", b"\x01" + SEP + b"http://h/x" + SEP + b"a=1; b=2" + SEP + raw + SEP + body)
        for path in ("/fault/redirect", "/fault/utf8-meta", "/fault/gbk", "/fault/content-location"):
            raw, body = fetch(port, path)
            name = path.rsplit("/", 1)[1]
            save("response_headers", name, b"\x00User-Agent: Probe/1\r\nAccept: x" + SEP + b"HTTPS://Ab.C:81/p?q=1" +
                 SEP + SEP + raw + SEP + body)
        raw, body = pages[0][0], pages[0][1]
        save("response_headers", "page", b"\x00" + SEP + b"a.b/x" + SEP + SEP + raw + SEP + body)

        save("url_split", "search", b"http://127.0.0.1:8618/ajax/search_next?s=ABC&p=1")
        save("url_split", "https", b"HTTPS://Ab.C:81/p?q=1")
        save("url_split", "bare", b"a.b/x")
        save("url_encode", "term", b"\x03" + term.encode())
        save("url_encode", "chinese", b"\x03" + gbk_word + b" a b/c-1.x_y~")
        save("url_encode", "percent", b"\x02%e4%b8%ad+x%00y")
        save("gbk_utf8", "title", b"\x00" + chinese["title"].encode("gbk", errors="replace"))
        save("gbk_utf8", "utf8", b"\x05" + chinese["title"].encode("utf-8"))

        formats = sorted({e["format"] for e in entries})
        for fmt in formats[:24]:
            save("classification", "format-%s" % fmt, fmt.encode("gbk", errors="replace"))
        magnets = [e["expect"]["magnet"] for e in entries if e["expect"].get("magnet")]
        for i, magnet in enumerate(magnets[:3]):
            save("download_links", "magnet-%d" % i, magnet.encode())
        save("download_links", "abc", b"abc")
    finally:
        proc.terminate()
        proc.wait(timeout=10)
    total = sum(f.stat().st_size for f in CORPUS.rglob("*") if f.is_file())
    print("seeds written to %s (%d bytes)" % (CORPUS, total))


if __name__ == "__main__":
    main()
