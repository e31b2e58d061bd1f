"""Page bodies of the reference site: search answers, detail pages, update file.

Everything here is a pure function of its arguments so that the catalogue
generator and the tests can render exactly what the server sends.
"""

import html
import urllib.parse

# Markers the client cuts on. They are the site's wire format, not free text.
ROW_START = '<tr class="search-row'
SIZE_CELL = '<td style="text-align: right;">'
HIGHLIGHT = '<span class="highlight">'
YUNBO_MARK = "迅雷云播"
NOT_FOUND = "404: Not Found"
MAGNET_PREFIX = "magnet:?xt=urn:btih:"
DETAIL_JOINT = "&__diycdn="

# Texts a title must not contain: each would move one of the client's cuts.
FORBIDDEN_IN_TITLE = ("</span>", "data-title", "data-url=\"", "data-id=\"",
                      "<img alt=\"", SIZE_CELL, "</td>", "\r", "\n", "\\u",
                      ROW_START, YUNBO_MARK, NOT_FOUND)


def js_escape(text, ascii_only=False):
    """Escape text as the body of a JSON string, also escaping '/' and '%'.

    '/' becomes \\/ as PHP's json_encode writes it, which the row end marker
    relies on. '%' becomes \\u0025 because the client runs unescape() over
    every row after the literal escapes: a raw '%41' would otherwise turn
    into 'A'.
    """
    out = []
    for ch in text:
        o = ord(ch)
        if ch == "\\":
            out.append("\\\\")
        elif ch == '"':
            out.append('\\"')
        elif ch == "/":
            out.append("\\/")
        elif ch == "\n":
            out.append("\\n")
        elif ch == "\r":
            out.append("\\r")
        elif ch == "\t":
            out.append("\\t")
        elif ch == "%":
            out.append("\\u0025")
        elif o < 0x20 or o == 0x7F:
            out.append("\\u%04x" % o)
        elif o > 0x7E and ascii_only:
            if o > 0xFFFF:
                o -= 0x10000
                out.append("\\u%04x\\u%04x" % (0xD800 + (o >> 10), 0xDC00 + (o & 0x3FF)))
            else:
                out.append("\\u%04x" % o)
        else:
            out.append(ch)
    return "".join(out)


def detail_url(entry):
    return "/detail?id=%d" % entry["id"]


def detail_path(entry):
    """The path the client builds from data-url and data-id."""
    return detail_url(entry) + DETAIL_JOINT + entry["site_id"]


def row_html(entry):
    """One result row, unescaped. Ends with '</td>\\n</tr>' as the cut needs.

    The whole title sits inside the highlight span directly after the
    data-title attribute, so the client's cut (data-title=" .. first
    </span>) holds '"><span class="highlight">' + title, which its
    highlight stripping reduces to the title itself.
    """
    fmt = entry["format"]
    icon = urllib.parse.quote(fmt.lower() or "none", safe="")
    return (
        '<tr class="search-row" data-id="%s" data-url="%s">\n'
        '<td class="name"><a href="%s" target="_blank" data-title="">'
        '%s%s</span></a></td>\n'
        '%s%s</td>\n'
        '<td class="format"><img alt="%s" src="/static/ft/%s.png" width="16" height="16"></td>\n'
        '<td class="date">%s</td>\n'
        '</tr>'
    ) % (entry["site_id"], detail_url(entry), detail_url(entry),
         HIGHLIGHT, entry["title"], SIZE_CELL, entry["size_cell"],
         fmt, icon, entry["date"])


def search_body(entries, page, ascii_only=False):
    """The answer of /ajax/search_next for one page of entries (UTF-8 bytes).

    A JSON object whose "html" string holds the escaped rows joined by \\n.
    A page without entries carries an empty "html" and so no probe text.
    """
    rows = "\n".join(row_html(e) for e in entries)
    body = '{"status":1,"page":%d,"count":%d,"html":"%s"}' % (
        page, len(entries), js_escape(rows, ascii_only))
    return body.encode("utf-8")


def magnet_link(entry):
    """The magnet link the client should end up with for an entry ('' if none)."""
    kind = entry["kind"]
    if kind == "hash":
        return MAGNET_PREFIX + entry["hash"]
    if kind == "yunbo":
        return (MAGNET_PREFIX + entry["hash"] + "&dn=" +
                urllib.parse.quote(entry["title"], safe=""))
    return ""  # nohash pages give no link either: a bare prefix is not offered


def _page(title, body_html):
    return (
        '<!DOCTYPE html>\n<html>\n<head>\n<meta charset="utf-8">\n'
        '<title>%s</title>\n</head>\n<body>\n%s\n'
        '<div class="foot"><a class="nav" href="/">Quarvel</a></div>\n'
        '</body>\n</html>\n') % (html.escape(title), body_html)


def detail_page(entry):
    """(status, body bytes) of an entry's detail page, by its kind.

    hash:  first link carries info_hash=<hash>
    yunbo: page names the Thunder cloud-play service; its first link carries
           the percent-encoded magnet link (the link's dn is encoded again)
    gone:  404 with the site's "404: Not Found" page
    nolink: no marker and no '<a href="' link at all
    nohash: first link without info_hash=
    yunbo-nomagnet: cloud-play marker, first link without a magnet link
    """
    kind = entry["kind"]
    if kind == "gone":
        return 404, not_found_body()
    title = entry["title"]
    info = ('<h1>%s</h1>\n<p class="meta">文件大小：%s　格式：%s　收录时间：%s</p>\n'
            % (html.escape(title), html.escape(entry["size"]),
               html.escape(entry["format"]), entry["date"]))
    if kind == "hash":
        body = info + ('<p><a href="/download?info_hash=%s">下载种子文件</a></p>\n'
                       '<p>哈希值：%s</p>' % (entry["hash"], entry["hash"]))
    elif kind == "yunbo":
        href = "/play?url=" + urllib.parse.quote(magnet_link(entry), safe="")
        body = info + ('<p><a href="%s">%s在线播放</a></p>\n'
                       '<p>使用%s在线观看本资源</p>' % (href, YUNBO_MARK, YUNBO_MARK))
    elif kind == "nolink":
        body = info + '<p>资源已下架</p>'
    elif kind == "nohash":
        body = info + '<p><a href="/download?id=%d">下载种子文件</a></p>' % entry["id"]
    elif kind == "yunbo-nomagnet":
        body = info + ('<p><a href="/play?url=%s">%s在线播放</a></p>'
                       % (urllib.parse.quote("http://example.invalid/x", safe=""),
                          YUNBO_MARK))
    else:
        return 404, not_found_body()
    return 200, _page(title, body).encode("utf-8")


def not_found_body():
    return ("<html><title>%s</title><body>%s</body></html>"
            % (NOT_FOUND, NOT_FOUND)).encode("utf-8")


def update_file(version, notice, link):
    """The update file: '#' version '##' notice '##&' link '&', GBK bytes."""
    return ("#%s##%s##&%s&\r\n" % (version, notice, link)).encode("gbk")


YUNBO_PAGE = """<!DOCTYPE html>
<html>
<head>
<meta charset="utf-8">
<title>云点播</title>
<style>
body { font: 14px sans-serif; margin: 12px; background: #f4f6f8; }
input[type=text] { width: 380px; }
</style>
</head>
<body>
<h3>云点播</h3>
<form action="/yunbo.htm" method="get">
<p>粘贴磁力链接：</p>
<p><input type="text" name="url" value=""> <input type="submit" value="播放"></p>
</form>
<p>本页面为本地参考站点，仅用于演示。</p>
</body>
</html>
"""

INDEX_PAGE = """<!DOCTYPE html>
<html>
<head><meta charset="utf-8"><title>Quarvel</title></head>
<body>
<h1>Quarvel</h1>
<p>本地参考站点：搜索、详情页、更新文件与云点播页面。</p>
</body>
</html>
"""

UPDATE_PAGE = """<!DOCTYPE html>
<html>
<head><meta charset="utf-8"><title>Quarvel 下载</title></head>
<body><h1>Quarvel 最新版本</h1><p>本地参考站点的更新页面。</p></body>
</html>
"""
