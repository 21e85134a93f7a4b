"""The Windows programs as built, read with the cross toolchain's objdump: they import only the
system's own DLLs (the C++ runtime is linked in), and tokimori.exe carries its icon, manifest
and version information."""

import os
import re
import unittest
from pathlib import Path

from project import VERSION, run

PROGRAM = Path(os.environ["TOKIMORI_PROGRAM"])
CLI = Path(os.environ["TOKIMORI_CLI"])
OBJDUMP = "x86_64-w64-mingw32-objdump"
# Windows' own DLLs (msvcrt.dll is the system's C runtime, which mingw-w64's runtime uses).
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "gdiplus.dll", "comctl32.dll",
               "comdlg32.dll", "ole32.dll", "oleaut32.dll", "advapi32.dll", "shell32.dll",
               "shlwapi.dll", "windowscodecs.dll", "uxtheme.dll", "msvcrt.dll", "version.dll"}
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


def dump(exe):
    r = run(OBJDUMP, "-p", exe)
    if r.returncode != 0:
        raise AssertionError(f"{OBJDUMP} -p {exe}: {r.stderr}")
    return r.stdout


def resources(text):
    """The resource directory as objdump prints it: each type's ids (the second level)."""
    tree, kind = {}, None
    for line in text.split("The .rsrc Resource Directory section:")[1].splitlines():
        m = re.match(r"^[0-9a-f]+( +)Entry: ID: 0x([0-9a-f]+)", line)
        if not m:
            continue
        depth, ident = len(m.group(1)), int(m.group(2), 16)
        if depth == 3:
            kind = ident
            tree[kind] = []
        elif depth == 5:
            tree[kind].append(ident)
    return tree


def version_string(data, key):
    """A value of the version information's string table (UTF-16, after its key and padding)."""
    at = data.find(key.encode("utf-16-le") + b"\0\0")
    if at < 0:
        return None
    at += len(key) * 2 + 2
    at += -at % 4  # values start on a 32-bit boundary
    end = at
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[at:end].decode("utf-16-le")


class Programs(unittest.TestCase):
    def test_only_system_dlls_are_imported(self):
        for exe in [PROGRAM, CLI]:
            dlls = {d.lower() for d in re.findall(r"DLL Name: (\S+)", dump(exe))}
            self.assertIn("kernel32.dll", dlls, exe)
            self.assertLessEqual(dlls, SYSTEM_DLLS, exe)

    def test_the_programs_resources(self):
        tree = resources(dump(PROGRAM))
        self.assertEqual(tree[RT_GROUP_ICON], [1], "the program icon, id 1")
        self.assertEqual(len(tree[RT_ICON]), 8, "16 to 256 pixels")
        self.assertEqual(tree[RT_MANIFEST], [1])
        self.assertEqual(tree[RT_VERSION], [1])

    def test_version_information(self):
        data = PROGRAM.read_bytes()
        self.assertEqual(version_string(data, "FileDescription"), "Tokimori")
        self.assertEqual(version_string(data, "ProductName"), "Tokimori")
        self.assertEqual(version_string(data, "CompanyName"), "")
        self.assertEqual(version_string(data, "FileVersion"), VERSION)
        self.assertEqual(version_string(data, "ProductVersion"), VERSION)

    def test_manifest(self):
        text = PROGRAM.read_bytes()
        manifest = text[text.find(b"<?xml"):text.find(b"</assembly>")].decode("utf-8")
        for part in ['name="Microsoft.Windows.Common-Controls" version="6.0.0.0"',
                     'level="asInvoker"',
                     "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", f'version="{VERSION}.0"']:
            self.assertIn(part, re.sub(r"\s+", " ", manifest))
        self.assertNotIn("dpiAware", manifest)  # laid out in fixed pixels: Windows scales it


if __name__ == "__main__":
    unittest.main()
