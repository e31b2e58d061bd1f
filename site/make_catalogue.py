#!/usr/bin/env python3
"""Generate site/catalogue.json, the made-up catalogue of the reference site.

Deterministic: the same script always writes the same bytes (its own small
random generator, no dependence on Python's). Each entry also records what
Quarvel must show for it ("expect"), worked out by rendering the entry's row
and detail page and reading them back the way the program reads them.

    python3 site/make_catalogue.py [--out PATH]
"""

import argparse
import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import clientmodel  # noqa: E402
import pages  # noqa: E402

DEMO_TERM = "ABC"
COUNT = 300


class Rng:
    """xorshift64*: small, fast and the same on every Python."""

    def __init__(self, seed):
        self.s = seed & 0xFFFFFFFFFFFFFFFF or 1

    def next(self):
        s = self.s
        s ^= (s >> 12)
        s ^= (s << 25) & 0xFFFFFFFFFFFFFFFF
        s ^= (s >> 27)
        self.s = s
        return (s * 0x2545F4914F6CDD1D) & 0xFFFFFFFFFFFFFFFF

    def below(self, n):
        return (self.next() >> 11) % n

    def pick(self, seq):
        return seq[self.below(len(seq))]


CODE_LABELS = ["QRV", "TKS", "LMN", "ZED", "HOP", "WIX"]
ZH_WORDS = ["夏日", "海边", "风景", "纪录片", "高清", "中文字幕", "合集", "演唱会",
            "山水", "壁纸", "教程", "电影", "音乐", "无损", "专辑", "经典", "老歌",
            "城市", "夜景", "旅行", "美食", "动画", "全集", "第一季", "蓝光",
            "原声", "钢琴曲", "古典", "摄影", "素材"]
EN_WORDS = ["Mountain", "Timelapse", "Jazz", "Collection", "Vol.", "Live",
            "Concert", "Ocean", "Documentary", "Season", "Remastered", "Piano",
            "Sunset", "Wallpapers", "Pack", "Tutorial", "Night", "City",
            "Acoustic", "Deluxe", "Edition", "Complete", "Series", "Travel"]
QUALITY = ["1080p", "720p", "4K", "HDTV", "BluRay", "WEB-DL", "FLAC", "320kbps",
           "x264", "HEVC"]
# Weighted towards video, as on a real site; includes formats that land in
# two or four categories and ones that land in none.
FORMATS = (["mp4"] * 8 + ["mkv"] * 5 + ["avi"] * 4 + ["rmvb"] * 4 + ["ts"] * 3 +
           ["wmv", "MP4", "m2ts", "flv", "mov"] +
           ["mp3"] * 3 + ["flac"] * 2 + ["ape", "ra", "aac", "mp2"] +
           ["jpg"] * 2 + ["JPEG", "png", "gif", "bmp"] +
           ["zip"] * 2 + ["rar"] * 2 + ["7z", "iso"] +
           ["", "exe", "torrent", "txt", "未知"])
KINDS = ["hash"] * 9 + ["yunbo"] * 7 + ["gone"] * 4

# Titles that exercise the program's unescaping and highlight stripping.
SPECIAL_TITLES = [
    'ABC-900 "Quoted" & <Tagged> \\ Backslash',
    "ABC-901 It's 100% 测试 %41%42 \\\\server\\share",
    'Tom\'s "Best" Mix & More <Live>',
    "C:\\Music\\Backup 2013 (无损)",
    "100% Pure Sound %E4%B8%AD 测试",
    '<"Best"> Collection',
    "Rock\u2019n\u2019Roll 精选",
    "Template {$} Pack",
    "Tab\tSeparated Title",
    "A&B <i>not italic</i> &amp; entity",
    "Ends with a backslash \\",
    "\u3000全角空格标题\u3000",
    "Slash/Path/Like/Title.mkv",
]


def size_text(rng):
    style = rng.below(4)
    if style == 0:
        return "%d.%d GB" % (1 + rng.below(8), rng.below(10))
    if style == 1:
        return "%d MB" % (100 + rng.below(900))
    if style == 2:
        return "%d.%02d GB" % (1 + rng.below(20), rng.below(100))
    return "%d.%d MB" % (1 + rng.below(99), rng.below(10))


def site_id(rng):
    alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
    return "".join(rng.pick(alphabet) for _ in range(8))


def info_hash(rng, upper):
    h = "".join("0123456789abcdef"[rng.below(16)] for _ in range(40))
    return h.upper() if upper else h


def phrase(rng):
    if rng.below(2):
        words = [rng.pick(ZH_WORDS) for _ in range(2 + rng.below(3))]
        text = "".join(words)
    else:
        words = [rng.pick(EN_WORDS) for _ in range(2 + rng.below(3))]
        text = " ".join(words)
    if rng.below(3) == 0:
        text += " " + rng.pick(QUALITY)
    return text


def titles(rng):
    out = []
    for n in range(1, 37):                      # the demo term's four pages
        out.append("%s-%03d %s" % (DEMO_TERM, n * 7 % 1000, phrase(rng)))
    out += SPECIAL_TITLES
    for n in range(6):
        out.append("EDGE-%03d %s" % (n + 1, phrase(rng)))
    while len(out) < COUNT:
        style = rng.below(3)
        if style == 0:
            out.append("%s-%03d %s" % (rng.pick(CODE_LABELS), rng.below(1000), phrase(rng)))
        else:
            out.append(phrase(rng))
    # Spread the demo rows over the catalogue rather than at its head.
    order = list(range(len(out)))
    for i in range(len(order) - 1, 0, -1):
        j = rng.below(i + 1)
        order[i], order[j] = order[j], order[i]
    return [out[i] for i in order]


EDGE_KINDS = ["nolink", "nolink", "nohash", "nohash", "yunbo-nomagnet", "yunbo-nomagnet"]


def build():
    rng = Rng(0x5A3C81E0D24B)
    entries = []
    edge = 0
    for i, title in enumerate(titles(rng), 1):
        for bad in pages.FORBIDDEN_IN_TITLE:
            assert bad not in title, (title, bad)
        title.encode("gbk")                     # the program shows GBK only
        if title.startswith("EDGE-"):
            kind = EDGE_KINDS[edge]
            edge += 1
        else:
            kind = rng.pick(KINDS)
        size = size_text(rng)
        # A few size cells start with a line feed and blanks, as the real
        # site's templates sometimes leave them.
        cell = "\n  " + size if i % 23 == 0 else size
        e = {
            "id": i,
            "site_id": site_id(rng),
            "title": title,
            "size": size,
            "size_cell": cell,
            "format": rng.pick(FORMATS),
            "date": "2013-%02d-%02d" % (1 + rng.below(12), 1 + rng.below(28)),
            "kind": kind,
            "hash": info_hash(rng, rng.below(5) == 0),
        }
        e["expect"] = expectations(e)
        entries.append(e)
    return entries


def expectations(e):
    """What the program shows for the entry, read back from the rendered pages."""
    rows = clientmodel.parse_page(pages.search_body([e], 1).decode("utf-8"))
    assert rows and len(rows) == 1, e
    title, size, fmt, path = rows[0]
    status, body = pages.detail_page(e)
    outcome, magnet = clientmodel.resolve_detail(body.decode("utf-8"))
    assert magnet == pages.magnet_link(e), (e, magnet)
    return {"title": title, "size": size, "format": fmt, "detail_path": path,
            "codes": clientmodel.classify(fmt), "detail_status": status,
            "outcome": outcome, "magnet": magnet}


def dump(entries):
    lines = ['{"demo_term": %s, "entries": [' % json.dumps(DEMO_TERM)]
    lines.append(",\n".join(json.dumps(e, ensure_ascii=False) for e in entries))
    lines.append("]}")
    return "\n".join(lines) + "\n"


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", default=os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                  "catalogue.json"))
    args = ap.parse_args()
    text = dump(build())
    with open(args.out, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


if __name__ == "__main__":
    main()
