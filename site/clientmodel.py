"""How Quarvel reads the site's pages, modelled in Python.

Used by the catalogue generator to record what the program must show for
each entry, and by the site's tests to check that the served pages cut
cleanly. It works on str (the program works on GBK bytes; for the texts the
site serves the two agree).
"""

import re

ROW_START = '<tr class=\\"search-row'
ROW_END = '<\\/td>\\n<\\/tr>'
PROBE = "data-title"
BLANKS = " \u3000"


def _find(text, needle, start=0, case_sensitive=False):
    if not needle or not text:
        return -1
    if case_sensitive:
        return text.find(needle, start)
    return _ascii_lower(text).find(_ascii_lower(needle), start)


def _ascii_lower(s):
    return "".join(chr(ord(c) + 32) if "A" <= c <= "Z" else c for c in s)


def trim(text):
    return text.strip(BLANKS)


def text_between(text, left, right):
    left = left.replace("#引号", '"')
    right = right.replace("#引号", '"')
    p = _find(text, left)
    if p < 0:
        return ""
    s = p + len(left)
    e = _find(text, right, s)
    if e < 0:
        return ""
    return text[s:e]


def collect_between(text, left, right, case_sensitive=True):
    items = []
    pos = 0
    while True:
        p = _find(text, left, pos, case_sensitive)
        if p < 0:
            break
        s = p + len(left)
        e = _find(text, right, s, case_sensitive)
        if e < 0:
            break
        item = trim(text[s:e])
        if not item:
            break
        items.append(item)
        pos = e
    return items


_SIMPLE = {"b": "\b", "f": "\f", "n": "\n", "r": "\r", "t": "\t", "v": "\v",
           "0": "\0"}


def _js_literal(body):
    """Decode a single-quoted JavaScript string literal body; None on error."""
    out = []
    i = 0
    n = len(body)
    while i < n:
        c = body[i]
        if c in "\r\n\u2028\u2029":
            return None
        if c == "'":
            return None
        if c != "\\":
            out.append(c)
            i += 1
            continue
        if i + 1 >= n:
            return None
        d = body[i + 1]
        if d in _SIMPLE:
            out.append(_SIMPLE[d])
            i += 2
        elif d == "x" and re.match(r"[0-9A-Fa-f]{2}", body[i + 2:i + 4]):
            out.append(chr(int(body[i + 2:i + 4], 16)))
            i += 4
        elif d == "u" and re.match(r"[0-9A-Fa-f]{4}", body[i + 2:i + 6]):
            out.append(chr(int(body[i + 2:i + 6], 16)))
            i += 6
        elif d == "\n":
            i += 2
        else:
            out.append(d)
            i += 2
    return "".join(out)


def _unescape(s):
    def rep(m):
        g = m.group(0)
        return chr(int(g[2:], 16)) if g[1] == "u" else chr(int(g[1:], 16))
    return re.sub(r"%u[0-9A-Fa-f]{4}|%[0-9A-Fa-f]{2}", rep, s)


def js_unescape(text):
    """The program's unescaping of one row: literal escapes, then unescape()."""
    text = text.replace("\r\n", "{$}")
    if text.startswith("\r"):
        text = text[1:]
    text = text.replace("\\u", "%u")
    text = text.replace("'", "\u2019")
    body = _js_literal(text)
    if body is None:
        return ""
    res = _unescape(body)
    return res.replace("\u2019", "'").replace("{$}", "\r\n")


def strip_highlight(title):
    return (title.replace('<span class="highlight">', "")
            .replace('">', "").replace("\r\n", ""))


def parse_row(escaped_row):
    """(title, size, format, detail path) of one escaped row."""
    row = js_unescape(escaped_row)
    title = strip_highlight(text_between(row, 'data-title="', "</span>"))
    size = text_between(row, '<td style="text-align: right;">', "</td>")
    size = size.replace("\n", "", 1)
    fmt = text_between(row, '<img alt="', '"')
    path = (text_between(row, 'data-url="', '"') + "&__diycdn=" +
            text_between(row, 'data-id="', '"'))
    return title, size, fmt, path


def parse_page(text):
    """None when the page has no probe text, else the list of parsed rows."""
    if _find(text, PROBE) < 0:
        return None
    return [parse_row(r) for r in collect_between(text, ROW_START, ROW_END)]


LISTS = (
    ("1", ".avi.wmv.wmp.wm.asf.mpg.mpeg.mpe.m1v.m2v.mpv2.mp2v.dat.ts.tp.tpr.trp.vob.ifo.ogm.ogv.mp4.m4v.m4p.m4b.3gp.3gpp.3g2.3gp2.mkv.rm.ram.rmvb.rpm.flv.swf.mov.qt.amr.nsv.dpg.m2ts.m2t.mts.dvr-ms.k3g.skm.evo.nsr.amv.divx.webm"),
    ("2", ".wav.wma.mpa.mp2.m1a.m2a.mp3.ogg.m4a.aac.mka.ra.flac.ape.mpc.mod.ac3.eac3.dts.dtshd.wv.tak"),
    ("3", ".BMP.PCX.TIFF.GIF.JPEG.TGA.EXIF.FPX.SVG.PSD.CDR.PCD.DXF.UFO.EPS.AI.PNG.HDRI.RAW"),
    ("4", ".rar.zip.tar.cab.uue.jar.iso.z.7-zip.ace.lzh.arj.gzip.bz2.7z"),
)


def classify(fmt):
    return "".join(code for code, lst in LISTS if _find(lst, fmt) >= 0)


def url_decode_utf8(text):
    """The program's percent decoding of a link (zero bytes dropped, '+' kept)."""
    out = bytearray()
    raw = text.encode("utf-8")
    i = 0
    hexd = "0123456789ABCDEF"
    while i < len(raw):
        b = raw[i]
        if b != 0x25:
            out.append(b)
            i += 1
            continue
        pair = raw[i + 1:i + 3].decode("latin-1").upper()
        vals = [hexd.index(c) if c and c in hexd else -2 for c in (pair + "  ")[:2]]
        v = (16 * vals[0] + vals[1]) & 0xFF
        if v:
            out.append(v)
        i += 3
    return out.decode("utf-8", "replace")


def resolve_detail(page_text):
    """(outcome, magnet) for a detail page: 'link', 'failure' or 'no-resource'."""
    if _find(page_text, "404: Not Found") >= 0:
        return "failure", ""
    if _find(page_text, "迅雷云播") < 0:
        link = text_between(page_text, '<a href="', '"')
        if not link:
            return "no-resource", ""
        link += '"'
        info_hash = text_between(link, "info_hash=", '"')
        if not info_hash:
            # The program does not offer a link without a hash as a magnet link.
            return "no-resource", ""
        return "link", "magnet:?xt=urn:btih:" + info_hash
    link = text_between(page_text, '<a href="', '"') + '"'
    link = url_decode_utf8(link)
    magnet = "magnet" + text_between(link, "magnet", '"')
    if magnet == "magnet":
        return "no-resource", ""
    return "link", magnet
