"""The installer, Tokimori-VERSION-setup.exe, run silently under Wine in a prefix of its own: it
installs the programs, the help, a Start-menu entry and the uninstall entry; its uninstaller
takes all of those away and leaves the user's logs, journals and settings alone."""

import os
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from project import VERSION

SETUP = Path(os.environ["TOKIMORI_SETUP"])
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tokimori"
SETTINGS_KEY = r"HKCU\Software\VB and VBA Program Settings\Tokimori\Tokimori"
FILES = ["tokimori.exe", "tokimori-cli.exe", "Tokimori.chm", "uninstall.exe"]


class Installer(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = Path(tempfile.mkdtemp(prefix="tokimori-setup-"))
        cls.env = dict(os.environ, WINEPREFIX=str(cls.prefix), WINEARCH="win64",
                       WINEDEBUG="-all",
                       # No menu entries on the host's desktop, no browser engine to install.
                       WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        cls.wine("wineboot", "-i")
        cls.drive = cls.prefix / "drive_c"
        cls.folder = cls.drive / "Program Files" / "Tokimori"
        cls.link = (cls.drive / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" /
                    "Programs" / "Tokimori.lnk")
        users = [u for u in (cls.drive / "users").iterdir() if u.name != "Public"]
        cls.data = users[0] / "AppData" / "Local" / "Tokimori"

    @classmethod
    def tearDownClass(cls):
        subprocess.run(["wineserver", "-k"], env=cls.env, capture_output=True)
        shutil.rmtree(cls.prefix, ignore_errors=True)

    @classmethod
    def wine(cls, *args):
        """Runs a program of the prefix and waits until the prefix has no process left (an
        uninstaller runs on from a copy of itself)."""
        r = subprocess.run(["wine", *map(str, args)], env=cls.env, capture_output=True,
                           timeout=600)
        subprocess.run(["wineserver", "-w"], env=cls.env, timeout=600)
        return r

    @classmethod
    def registry(cls, key):
        """The values of a key as reg query shows them, or None when there is no such key."""
        r = cls.wine("reg", "query", key)
        if r.returncode != 0:
            return None
        values = {}
        for line in r.stdout.decode("utf-8", "replace").splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[1].startswith("REG_"):
                values[parts[0]] = parts[2] if len(parts) > 2 else ""
        return values

    def test_installs_and_uninstalls_leaving_the_users_things(self):
        self.assertEqual(self.wine(SETUP, "/S").returncode, 0)
        for name in FILES:
            self.assertTrue((self.folder / name).is_file(), name)
        self.assertTrue(self.link.is_file(), "the Start-menu entry")
        entry = self.registry(UNINSTALL_KEY)
        self.assertIsNotNone(entry, "the uninstall entry")
        self.assertEqual(entry["DisplayName"], "Tokimori")
        self.assertEqual(entry["DisplayVersion"], VERSION)
        self.assertIn(entry["Publisher"], ["", "Tokimori"])
        self.assertEqual(entry["UninstallString"],
                         r'"C:\Program Files\Tokimori\uninstall.exe"')
        self.assertTrue(entry["DisplayIcon"].startswith(r"C:\Program Files\Tokimori\tokimori.exe"))
        kib = sum((self.folder / n).stat().st_size for n in FILES) / 1024
        self.assertAlmostEqual(int(entry["EstimatedSize"], 16), kib, delta=4)
        # The installed command line runs.
        r = self.wine(self.folder / "tokimori-cli.exe", "--version")
        self.assertIn(VERSION, r.stdout.decode("utf-8", "replace"))

        # What the program leaves: a log beside itself, a log and a journal in the user's data
        # folder, its settings.
        beside = self.folder / "Date20261207.log"
        beside.write_text("2026/12/07-10:00:00 ExifData> [...]\r\n")
        self.data.mkdir(parents=True)
        for name in ["Date20261207.log", "Date20261207-100000-1.journal"]:
            (self.data / name).write_text("kept\r\n")
        self.assertEqual(self.wine("reg", "add", SETTINGS_KEY, "/v", "DefPath", "/d",
                                   r"C:\Photos", "/f").returncode, 0)

        self.assertEqual(self.wine(self.folder / "uninstall.exe", "/S").returncode, 0)
        for name in FILES:
            self.assertFalse((self.folder / name).exists(), name)
        self.assertFalse(self.link.exists(), "the Start-menu entry")
        self.assertIsNone(self.registry(UNINSTALL_KEY), "the uninstall entry")
        self.assertTrue(beside.is_file(), "the log beside the program")
        self.assertEqual(sorted(p.name for p in self.data.iterdir()),
                         ["Date20261207-100000-1.journal", "Date20261207.log"])
        self.assertEqual(self.registry(SETTINGS_KEY).get("DefPath"), r"C:\Photos")


if __name__ == "__main__":
    unittest.main()
