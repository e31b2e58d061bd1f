"""Quarvel.exe ships like a Windows program: one GUI exe that imports only DLLs Windows itself
provides and carries its icon, version and application manifest as resources. The debug exe
(the one the other tests run) and the release exe a user downloads (scripts/release.sh) are
both checked, and two release builds of the same sources give the same bytes."""

import hashlib
import http.server
import os
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import unittest
import xml.etree.ElementTree as ET

try:
    import pefile
except ImportError:
    # Debian's python3-pefile lives in the system interpreter's packages; a python3 found
    # earlier on PATH (pyenv, a virtual environment) does not look there.
    sys.path.append("/usr/lib/python3/dist-packages")
    import pefile

import harness

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "gdiplus.dll", "wininet.dll", "imm32.dll",
               "comctl32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll", "msvcrt.dll", "msimg32.dll",
               "advapi32.dll", "winmm.dll", "oleacc.dll"}

# What the exe imports at load: DLLs Windows always takes from its own directory (known DLLs).
# GDI+ is bound when first called, from the system directory; the rest of SYSTEM_DLLS when first
# used.
START_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "ole32.dll", "msvcrt.dll"}

VERSION = "1.0.0.0"
ICON_FILE = os.path.join(harness.SOURCE_DIR, "src", "resources", "window_icon.ico")
RELEASE_SCRIPT = os.path.join(harness.SOURCE_DIR, "scripts", "release.sh")
HOSTS = {"QUARVEL_SEARCH_HOST": "search.example", "QUARVEL_PRODUCT_HOST": "www.example",
         "QUARVEL_UPDATE_HOST": "update.example", "QUARVEL_CLOUDPLAY_HOST": "play.example"}

# supportedOS ids: Windows 7, 8, 8.1, and 10 and 11 (one id).
SUPPORTED_OS = {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}
ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
COMPATIBILITY = "urn:schemas-microsoft-com:compatibility.v1"

RT_ICON = pefile.RESOURCE_TYPE["RT_ICON"]
RT_GROUP_ICON = pefile.RESOURCE_TYPE["RT_GROUP_ICON"]
RT_VERSION = pefile.RESOURCE_TYPE["RT_VERSION"]
RT_MANIFEST = pefile.RESOURCE_TYPE["RT_MANIFEST"]


def load_pe(path):
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY[name] for name in (
        "IMAGE_DIRECTORY_ENTRY_IMPORT", "IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT", "IMAGE_DIRECTORY_ENTRY_RESOURCE")])
    return pe


def resources(pe, type_id):
    """{resource id: data} of one resource type (every language)."""
    found = {}
    directory = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in directory.entries if directory else []:
        if kind.id != type_id:
            continue
        for entry in kind.directory.entries:
            for language in entry.directory.entries:
                found[entry.id] = pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
    return found


def local(tag):
    return tag.rsplit("}", 1)[-1]


def elements(root, name):
    """Every element of that local name, whatever its namespace."""
    return [e for e in root.iter() if local(e.tag) == name]


class ShippedExeChecks:
    """Checks every shipped form of Quarvel.exe passes; the subclass names the file."""

    exe = ""

    @classmethod
    def setUpClass(cls):
        cls.pe = load_pe(cls.exe)

    def test_gui_exe_for_x86(self):
        self.assertEqual(self.pe.FILE_HEADER.Machine, pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"])
        self.assertEqual(self.pe.OPTIONAL_HEADER.Subsystem, pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"])

    def test_imports_only_system_dlls(self):
        imports = {entry.dll.decode("ascii").lower() for entry in self.pe.DIRECTORY_ENTRY_IMPORT}
        self.assertTrue(imports)
        delayed = {entry.dll.decode("ascii").lower() for entry in getattr(self.pe, "DIRECTORY_ENTRY_DELAY_IMPORT", [])}
        self.assertEqual((imports | delayed) - SYSTEM_DLLS, set(), "imports DLLs Windows does not have")

    def test_imports_at_load_only_what_the_first_frame_needs(self):
        # The web, the shell, accessibility, the input method, automation and image lists are
        # bound on their first call.
        imports = {entry.dll.decode("ascii").lower() for entry in self.pe.DIRECTORY_ENTRY_IMPORT}
        self.assertEqual(imports, START_DLLS)

    def test_sections_start_on_pages_in_the_file(self):
        # So that the loader maps them instead of copying the image into private memory.
        self.assertEqual(self.pe.OPTIONAL_HEADER.FileAlignment, 0x1000)
        for section in self.pe.sections:
            if section.SizeOfRawData:
                self.assertEqual(section.PointerToRawData % 0x1000, 0, section.Name)

    def test_icon_is_the_window_icon(self):
        with open(ICON_FILE, "rb") as f:
            ico = f.read()
        _, kind, count = struct.unpack_from("<HHH", ico)
        self.assertEqual(kind, 1)
        groups = resources(self.pe, RT_GROUP_ICON)
        icons = resources(self.pe, RT_ICON)
        self.assertEqual(len(groups), 1, "one icon group: the program's icon")
        group = next(iter(groups.values()))
        self.assertEqual(struct.unpack_from("<HHH", group), (0, 1, count))
        for i in range(count):
            # An .ico entry ends with the image's file offset, a group entry with its RT_ICON id.
            file_entry = struct.unpack_from("<BBBBHHII", ico, 6 + 16 * i)
            group_entry = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
            self.assertEqual(group_entry[:7], file_entry[:7])
            size, offset = file_entry[6], file_entry[7]
            self.assertEqual(icons.get(group_entry[7]), ico[offset:offset + size])

    def test_version_resource(self):
        self.assertIn(1, resources(self.pe, RT_VERSION))
        strings = {}
        for info in getattr(self.pe, "FileInfo", []):
            for block in info:
                for table in getattr(block, "StringTable", []):
                    strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
        self.assertEqual(strings.get("ProductName"), "Quarvel")
        self.assertTrue(strings.get("FileDescription", "").startswith("Quarvel"))
        self.assertEqual(strings.get("FileVersion"), VERSION)
        self.assertEqual(strings.get("ProductVersion"), VERSION)
        fixed = self.pe.VS_FIXEDFILEINFO[0]
        parts = [int(p) for p in VERSION.split(".")]
        packed = (parts[0] << 16 | parts[1], parts[2] << 16 | parts[3])
        self.assertEqual((fixed.FileVersionMS, fixed.FileVersionLS), packed)
        self.assertEqual((fixed.ProductVersionMS, fixed.ProductVersionLS), packed)
        self.assertEqual(fixed.FileType, 1, "VFT_APP")

    def manifest(self):
        manifests = resources(self.pe, RT_MANIFEST)
        # Id 1 is the manifest the loader reads when it creates the process.
        self.assertEqual(list(manifests), [1])
        return ET.fromstring(manifests[1])

    def test_manifest_runs_as_invoker(self):
        root = self.manifest()
        self.assertEqual(root.tag, "{%s}assembly" % ASM_V1)
        identity = [e for e in root if local(e.tag) == "assemblyIdentity"]
        self.assertEqual([(e.get("name"), e.get("version")) for e in identity], [("Quarvel", VERSION)])
        levels = elements(root, "requestedExecutionLevel")
        self.assertEqual([(e.get("level"), e.get("uiAccess", "false")) for e in levels], [("asInvoker", "false")])

    def test_manifest_supports_windows_7_to_11(self):
        root = self.manifest()
        ids = {e.get("Id", "").lower() for e in root.iter("{%s}supportedOS" % COMPATIBILITY)}
        self.assertEqual(ids & SUPPORTED_OS, SUPPORTED_OS)

    def test_manifest_asks_for_common_controls_6(self):
        root = self.manifest()
        wanted = {"type": "win32", "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
                  "publicKeyToken": "6595b64144ccf1df"}
        dependencies = [identity.attrib for dependent in elements(root, "dependentAssembly")
                        for identity in dependent if local(identity.tag) == "assemblyIdentity"]
        self.assertIn(wanted, [{k: d.get(k) for k in wanted} for d in dependencies])

    def test_manifest_declares_per_monitor_dpi_awareness(self):
        root = self.manifest()
        # Windows 7 reads "true" (system aware), 8.1 the "/pm" after it; 10 the first
        # dpiAwareness value it knows, per-monitor v2 before per-monitor.
        aware = [e.text.strip().lower() for e in elements(root, "dpiAware")]
        self.assertEqual(aware, ["true/pm"])
        awareness = [e.text.replace(" ", "").lower().split(",") for e in elements(root, "dpiAwareness")]
        self.assertEqual(awareness, [["permonitorv2", "permonitor"]])
        # Windows ignores either setting outside its own namespace.
        self.assertEqual([e.tag for e in elements(root, "dpiAware")],
                         ["{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware"])
        self.assertEqual([e.tag for e in elements(root, "dpiAwareness")],
                         ["{http://schemas.microsoft.com/SMI/2016/WindowsSettings}dpiAwareness"])

    def test_manifest_keeps_the_ansi_code_page(self):
        root = self.manifest()
        self.assertEqual([e.text for e in elements(root, "activeCodePage") if "utf" in (e.text or "").lower()], [])


class DebugExeTest(ShippedExeChecks, unittest.TestCase):
    exe = harness.EXE

    def test_imports_named_by_objdump(self):
        # A second reader of the import table than pefile: the toolchain's own.
        out = subprocess.run(["i686-w64-mingw32-objdump", "-p", self.exe], capture_output=True, text=True,
                             check=True).stdout
        self.assertIn("i386", out.lower())
        imports = {line.split(":", 1)[1].strip().lower() for line in out.splitlines() if "DLL Name:" in line}
        self.assertTrue(imports)
        self.assertEqual(imports - SYSTEM_DLLS, set(), "imports DLLs Windows does not have")


RELEASE_TREE = os.path.join(harness.BUILD_DIR, "release")
RELEASE_DIST = os.path.join(RELEASE_TREE, "dist")

# What a download may weigh: the stripped, unsigned exe.
SIZE_BUDGET = 950_000

SIGNING = ("QUARVEL_SIGN_PFX", "QUARVEL_SIGN_PASSWORD", "QUARVEL_SIGN_TIMESTAMP_URL")


def run_release(args=(), dist=RELEASE_DIST, hosts_from_environment=True, **extra):
    """Runs scripts/release.sh on the release tree under the test build tree, with only the
    hosts and signing settings given here; returns the finished process."""
    env = {k: v for k, v in os.environ.items() if k not in HOSTS and k not in SIGNING}
    env.update(RELEASE_BUILD_DIR=RELEASE_TREE, DIST_DIR=dist, **extra)
    if hosts_from_environment:
        env.update(HOSTS)
    return subprocess.run(["bash", RELEASE_SCRIPT, *args], env=env, capture_output=True, text=True)


def release_build(args=(), dist=RELEASE_DIST, hosts_from_environment=True, **extra):
    """A release build that must succeed: the exe's bytes and the script's output."""
    done = run_release(args, dist, hosts_from_environment, **extra)
    if done.returncode != 0:
        raise AssertionError("release build failed:\n%s%s" % (done.stdout, done.stderr))
    with open(os.path.join(dist, "Quarvel.exe"), "rb") as f:
        return f.read(), done.stdout


def split_signature(exe):
    """A signed exe's bytes before its certificate table and after, with the header fields
    signing sets (the table's place and the checksum) blanked, and a function that blanks them
    in other bytes of the same layout."""
    pe = pefile.PE(data=exe, fast_load=True)
    table = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]]
    if table.Size == 0:
        raise AssertionError("the exe is not signed")
    fields = [(pe.OPTIONAL_HEADER.get_field_absolute_offset("CheckSum"), 4), (table.get_file_offset(), 8)]

    def blank(data):
        data = bytearray(data)
        for offset, size in fields:
            data[offset:offset + size] = bytes(size)
        return bytes(data)

    return blank(exe[:table.VirtualAddress]), exe[table.VirtualAddress:], blank


def socket_port_closed():
    """The address of a loopback port nothing listens on."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return "http://127.0.0.1:%d" % s.getsockname()[1]


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, capture_output=True)


def make_certificate(folder, name, usage):
    """A throwaway self-signed certificate and key (name.pem, name.key) for one extended key
    usage."""
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key", "-out", name + ".pem",
            "-days", "2", "-subj", "/CN=Quarvel Test %s" % name.title(), "-addext", "extendedKeyUsage=" + usage,
            cwd=folder)


class TimestampServer:
    """An RFC 3161 timestamp authority on loopback, answered by openssl's own with a throwaway
    certificate; counts the requests it answers."""

    def __init__(self, folder):
        self.folder = folder
        make_certificate(folder, "timestamps", "critical,timeStamping")
        with open(os.path.join(folder, "tsa.cnf"), "w", encoding="ascii") as f:
            f.write("[tsa]\ndefault_tsa = main\n[main]\nserial = %s\ndefault_policy = 1.2.3.4.1\n"
                    "digests = sha1, sha256, sha384, sha512\nsigner_digest = sha256\n"
                    "ess_cert_id_alg = sha256\n" % os.path.join(folder, "serial"))
        with open(os.path.join(folder, "serial"), "w", encoding="ascii") as f:
            f.write("01\n")
        self.requests = 0
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(self):
                query = os.path.join(server.folder, "query.tsq")
                with open(query, "wb") as f:
                    f.write(self.rfile.read(int(self.headers["Content-Length"])))
                openssl("ts", "-reply", "-config", "tsa.cnf", "-queryfile", query, "-signer", "timestamps.pem",
                        "-inkey", "timestamps.key", "-out", "reply.tsr", cwd=server.folder)
                with open(os.path.join(server.folder, "reply.tsr"), "rb") as f:
                    reply = f.read()
                server.requests += 1
                self.send_response(200)
                self.send_header("Content-Type", "application/timestamp-reply")
                self.send_header("Content-Length", str(len(reply)))
                self.end_headers()
                self.wfile.write(reply)

            def log_message(self, *args):
                pass

        self.httpd = http.server.HTTPServer(("127.0.0.1", 0), Handler)
        self.url = "http://127.0.0.1:%d" % self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)

    def __enter__(self):
        self.thread.start()
        return self

    def __exit__(self, *exc):
        self.httpd.shutdown()
        self.httpd.server_close()


class ReleaseExeTest(ShippedExeChecks, unittest.TestCase):
    exe = os.path.join(RELEASE_DIST, "Quarvel.exe")

    @classmethod
    def setUpClass(cls):
        if not harness.BUILD_DIR:
            raise AssertionError("QUARVEL_BUILD_DIR is not set: run through ctest")
        # The hosts given once as arguments, once in the environment: the same build.
        cls.first, _ = release_build(["%s=%s" % item for item in HOSTS.items()], hosts_from_environment=False)
        # A second exe, linked, stripped and hashed again from the same objects: time stamps
        # enter at those steps. (A second whole compile would double the test's time; the
        # path check below keeps the build tree's place out of the compiled code.)
        os.remove(os.path.join(RELEASE_TREE, "Quarvel.exe"))
        os.remove(cls.exe)
        cls.bytes, cls.output = release_build()
        super().setUpClass()

    def test_fits_its_size_budget(self):
        self.assertLessEqual(len(self.bytes), SIZE_BUDGET,
                             "the release exe is %d bytes, over its budget of %d" % (len(self.bytes), SIZE_BUDGET))

    def test_two_release_builds_give_the_same_bytes(self):
        self.assertTrue(self.first == self.bytes, "two release builds of the same sources differ")
        self.assertEqual(self.pe.FILE_HEADER.TimeDateStamp, 0)
        # Nor any path of the machine that built it.
        for path in (harness.SOURCE_DIR, harness.BUILD_DIR):
            self.assertFalse(os.fsencode(path) in self.bytes, "the exe holds the path %s" % path)

    def test_stripped(self):
        self.assertEqual(self.pe.FILE_HEADER.NumberOfSymbols, 0)
        names = [self.section_name(s) for s in self.pe.sections]
        self.assertIn(b".text", names)
        self.assertEqual([n for n in names if n.startswith(b".debug")], [])

    def section_name(self, section):
        # Names longer than eight bytes (".eh_frame") are "/offset" into the string table
        # that follows the (empty) symbol table.
        name = section.Name.rstrip(b"\0")
        if not name.startswith(b"/"):
            return name
        header = self.pe.FILE_HEADER
        start = header.PointerToSymbolTable + 18 * header.NumberOfSymbols + int(name[1:])
        return self.bytes[start:self.bytes.index(b"\0", start)]

    def test_checksum_file_and_size_printed(self):
        with open(os.path.join(RELEASE_DIST, "Quarvel.exe.sha256"), encoding="ascii") as f:
            self.assertEqual(f.read(), "%s  Quarvel.exe\n" % hashlib.sha256(self.bytes).hexdigest())
        self.assertIn("%d bytes" % len(self.bytes), self.output)

    def test_unsigned_without_a_certificate(self):
        self.assertEqual(self.pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]]
                         .Size, 0)
        self.assertIn("release: unsigned", self.output)

    def signed_build(self, folder, password="throwaway", given_password=None, **extra):
        """A release build into folder/dist signed with a throwaway self-signed code-signing
        certificate made there; the finished process."""
        make_certificate(folder, "publisher", "codeSigning")
        openssl("pkcs12", "-export", "-inkey", "publisher.key", "-in", "publisher.pem", "-out", "publisher.pfx",
                "-passout", "pass:" + password, cwd=folder)
        return run_release(dist=os.path.join(folder, "dist"), QUARVEL_SIGN_PFX=os.path.join(folder, "publisher.pfx"),
                           QUARVEL_SIGN_PASSWORD=password if given_password is None else given_password, **extra)

    def verify(self, folder, *args):
        return subprocess.run(["osslsigncode", "verify", "-CAfile", os.path.join(folder, "publisher.pem"), *args,
                               "-in", os.path.join(folder, "dist", "Quarvel.exe")], capture_output=True, text=True)

    def test_signed_with_the_certificate_given(self):
        with tempfile.TemporaryDirectory() as folder:
            done = self.signed_build(folder, password="pass word; with $pecials")
            self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
            with open(os.path.join(folder, "dist", "Quarvel.exe"), "rb") as f:
                signed = f.read()
            checked = self.verify(folder)
            self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
            self.assertIn("Signature verification: ok", checked.stdout)
            self.assertIn("/CN=Quarvel Test Publisher", checked.stdout)
            self.assertIn("SHA256", checked.stdout)
            self.assertIn("release: signed by CN = Quarvel Test Publisher", done.stdout)
            self.assertIn("%d bytes" % len(signed), done.stdout)
            with open(os.path.join(folder, "dist", "Quarvel.exe.sha256"), encoding="ascii") as f:
                self.assertEqual(f.read(), "%s  Quarvel.exe\n" % hashlib.sha256(signed).hexdigest())
            # The signature is all that was added: the unsigned build's bytes, padded to eight, then
            # the certificate table, and in the header only the table's place and the checksum.
            image, table, blank = split_signature(signed)
            self.assertEqual(image, blank(self.bytes) + bytes(-len(self.bytes) % 8))
            self.assertGreater(len(table), 1000, "no certificate in the table")
        # Nor did signing touch the unsigned build's own output.
        with open(self.exe, "rb") as f:
            self.assertTrue(f.read() == self.bytes)

    def test_timestamped_by_the_server_given(self):
        with tempfile.TemporaryDirectory() as folder, TimestampServer(folder) as server:
            done = self.signed_build(folder, QUARVEL_SIGN_TIMESTAMP_URL=server.url)
            self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
            self.assertEqual(server.requests, 1)
            self.assertIn("timestamped by %s" % server.url, done.stdout)
            checked = self.verify(folder, "-TSA-CAfile", os.path.join(folder, "timestamps.pem"))
            self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
            self.assertIn("Timestamp Server Signature verification: ok", checked.stdout)
            self.assertIn("/CN=Quarvel Test Timestamps", checked.stdout)

    def test_failed_signing_leaves_no_exe(self):
        # An exe that should have been signed and is not must not be shipped by mistake.
        with tempfile.TemporaryDirectory() as folder:
            closed = socket_port_closed()
            for case, settings in {"wrong password": dict(given_password="not it"),
                                   "timestamp server down": dict(QUARVEL_SIGN_TIMESTAMP_URL=closed)}.items():
                with self.subTest(case):
                    done = self.signed_build(folder, **settings)
                    self.assertNotEqual(done.returncode, 0)
                    self.assertIn("signing failed", done.stderr)
                    self.assertEqual(os.listdir(os.path.join(folder, "dist")), [])

    def test_hosts_built_in(self):
        for host in HOSTS.values():
            self.assertTrue(host.encode("ascii") in self.bytes, "%s not built in" % host)
        self.assertFalse(b"127.0.0.1:8618" in self.bytes, "the reference site's host is built in")


class PlantedLibraryTest(unittest.TestCase):
    """A download folder holds whatever was saved there: a gdiplus.dll beside Quarvel.exe must
    never run inside it. Wine prefers its own DLLs; told to prefer one beside the exe (as
    Windows 7 and 8.1 do for GDI+), it loads the planted one only if the program asks for it
    by bare name."""

    PLANTED = os.path.join(harness.BUILD_DIR, "tests", "planted", "gdiplus.dll")

    def test_a_gdiplus_dll_beside_the_exe_never_runs(self):
        harness.require_environment(self)
        self.assertTrue(os.path.isfile(self.PLANTED), "the planted gdiplus.dll is not built")
        folder = tempfile.mkdtemp(prefix="quarvel-download-")
        exe = os.path.join(folder, "Quarvel.exe")
        shutil.copy(harness.EXE, exe)
        shutil.copy(self.PLANTED, os.path.join(folder, "gdiplus.dll"))
        app = harness.Quarvel(exe=exe, env={"WINEDLLOVERRIDES": "gdiplus=n,b"})
        self.addCleanup(app.end)
        # The planted DLL ends any process that loads it (exit code 77): the window comes and
        # draws with the system's GDI+.
        app.window()
        harness.wait_until(lambda: harness.ping()[0], "the window does not answer")
        self.assertTrue(app.alive())


if __name__ == "__main__":
    unittest.main()
