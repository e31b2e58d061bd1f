"""Quarvel.exe ships as one file: it imports only DLLs that Windows itself provides."""

import subprocess
import unittest

import harness

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "gdiplus.dll", "wininet.dll", "imm32.dll",
               "comctl32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll", "msvcrt.dll", "msimg32.dll",
               "advapi32.dll", "winmm.dll", "oleacc.dll"}


class StaticExeTest(unittest.TestCase):
    def test_imports_only_system_dlls(self):
        out = subprocess.run(["i686-w64-mingw32-objdump", "-p", harness.EXE], capture_output=True, text=True,
                             check=True).stdout
        self.assertIn("i386", out.lower())
        imports = {line.split(":", 1)[1].strip().lower() for line in out.splitlines() if "DLL Name:" in line}
        self.assertTrue(imports)
        self.assertEqual(imports - SYSTEM_DLLS, set(), "imports DLLs Windows does not have")


if __name__ == "__main__":
    unittest.main()
