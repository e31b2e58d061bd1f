"""Starts or stops the reference site for the test executables (a ctest fixture).

    site_fixture.py start DIR [PORT [SWITCH...]]
                                starts site/server.py on PORT (default: a free loopback port)
                                with the given switches, writes DIR/port, DIR/pid and logs
                                requests to DIR/requests.log
    site_fixture.py stop DIR    ends it
"""

import json
import os
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def escape(text):
    return text.replace("\\", "\\\\").replace("\t", "\\t").replace("\r", "\\r").replace("\n", "\\n")


def write_expectations(folder):
    """DIR/expect.tsv: per catalogue entry, what the program should read from its rows and
    detail page, in GBK, tab-separated and backslash-escaped: detail path, title, size, format,
    category codes, outcome (link, failure, no-resource), magnet link."""
    catalogue = json.load(open(os.path.join(ROOT, "site", "catalogue.json"), encoding="utf-8"))
    with open(os.path.join(folder, "expect.tsv"), "wb") as out:
        for entry in catalogue["entries"]:
            e = entry["expect"]
            fields = [e["detail_path"], e["title"], e["size"], e["format"], e["codes"], e["outcome"], e["magnet"]]
            out.write(("\t".join(escape(f) for f in fields) + "\n").encode("gbk", "replace"))


def start(folder, port="0", *switches):
    os.makedirs(folder, exist_ok=True)
    write_expectations(folder)
    stop(folder)
    port_file = os.path.join(folder, "port")
    if os.path.exists(port_file):
        os.remove(port_file)
    server = subprocess.Popen(
        [sys.executable, os.path.join(ROOT, "site", "server.py"), "--port", str(port), "--port-file", port_file,
         "--log", os.path.join(folder, "requests.log"), *switches],
        stdout=subprocess.DEVNULL, stderr=open(os.path.join(folder, "server.err"), "w"), start_new_session=True)
    with open(os.path.join(folder, "pid"), "w") as f:
        f.write(str(server.pid))
    deadline = time.time() + 20
    while time.time() < deadline:
        if server.poll() is not None:
            sys.exit("reference site ended at start (see %s/server.err)" % folder)
        if os.path.exists(port_file) and open(port_file).read().strip():
            print("reference site on port", open(port_file).read().strip())
            return
        time.sleep(0.05)
    sys.exit("reference site did not start")


def stop(folder):
    pid_file = os.path.join(folder, "pid")
    if not os.path.exists(pid_file):
        return
    try:
        os.kill(int(open(pid_file).read()), signal.SIGTERM)
    except (ValueError, ProcessLookupError):
        pass
    os.remove(pid_file)


if __name__ == "__main__":
    {"start": start, "stop": stop}[sys.argv[1]](*sys.argv[2:])
