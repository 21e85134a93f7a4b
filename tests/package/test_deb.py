"""The Debian package made by CPack from this build (as tools/package.sh makes it), unpacked with
dpkg-deb: its control fields, its files, and its programs run from where they were unpacked."""

import json
import os
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from project import VERSION, run

BUILD = Path(os.environ["TOKIMORI_BUILD"])
PHOTOS = Path(os.environ["TOKIMORI_PHOTOS"])

PATHS = [
    "usr/bin/tokimori",
    "usr/bin/tokimori-cli",
    "usr/share/applications/tokimori.desktop",
    "usr/share/icons/hicolor/48x48/apps/tokimori.png",
    "usr/share/icons/hicolor/64x64/apps/tokimori.png",
    "usr/share/icons/hicolor/128x128/apps/tokimori.png",
    "usr/share/icons/hicolor/256x256/apps/tokimori.png",
    "usr/share/icons/hicolor/scalable/apps/tokimori.svg",
    "usr/share/man/man1/tokimori.1.gz",
    "usr/share/man/man1/tokimori-cli.1.gz",
    "usr/share/bash-completion/completions/tokimori-cli",
    "usr/share/doc/tokimori/Tokimori.html",
    "usr/share/doc/tokimori/copyright",
    "usr/share/doc/tokimori/changelog.gz",
]


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = Path(tempfile.mkdtemp(prefix="tokimori-deb-"))
        r = run("cpack", "--config", BUILD / "CPackConfig.cmake", "-B", cls.dir / "out")
        if r.returncode != 0:
            shutil.rmtree(cls.dir)
            raise AssertionError("cpack failed:\n" + r.stdout + r.stderr)
        cls.debs = list((cls.dir / "out").glob("*.deb"))
        cls.root = cls.dir / "root"
        for deb in cls.debs:
            subprocess.run(["dpkg-deb", "-x", str(deb), str(cls.root)], check=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def deb(self):
        self.assertEqual(len(self.debs), 1)
        return self.debs[0]

    def field(self, name):
        return run("dpkg-deb", "-f", self.deb(), name).stdout.strip()

    def test_file_name_and_control_fields(self):
        arch = run("dpkg", "--print-architecture").stdout.strip()
        self.assertEqual(self.deb().name, f"tokimori_{VERSION}_{arch}.deb")
        self.assertEqual(self.field("Package"), "tokimori")
        self.assertEqual(self.field("Version"), VERSION)
        self.assertEqual(self.field("Architecture"), arch)
        self.assertEqual(self.field("Section"), "graphics")
        self.assertRegex(self.field("Maintainer"), r"^[^<>]+ <[^<>@\s]+@[^<>@\s]+>$")
        description = self.field("Description").splitlines()
        self.assertGreater(len(description), 3)
        self.assertTrue(all(len(line) <= 80 for line in description))

    def test_dependencies_are_computed_from_the_programs(self):
        depends = {d.split()[0] for d in self.field("Depends").split(", ")}
        self.assertTrue({"libc6", "libstdc++6", "libqt6core6", "libqt6widgets6"} <= depends,
                        depends)

    def test_holds_the_listed_paths_and_nothing_outside_usr(self):
        for path in PATHS:
            self.assertTrue((self.root / path).is_file(), path)
        listing = run("dpkg-deb", "-c", self.deb()).stdout.splitlines()
        self.assertTrue(listing)
        metainfo = list((self.root / "usr/share/metainfo").glob("*.metainfo.xml"))
        self.assertEqual(len(metainfo), 1)
        for line in listing:
            mode, owner, *_, path = line.split()
            with self.subTest(path):
                self.assertTrue(path.startswith("./usr/"))
                self.assertEqual(owner, "root/root")
                if path.endswith("/"):
                    self.assertEqual(mode, "drwxr-xr-x")
                elif path.startswith("./usr/bin/"):
                    self.assertEqual(mode, "-rwxr-xr-x")
                else:
                    self.assertEqual(mode, "-rw-r--r--")

    def test_programs_are_stripped_and_find_their_libraries_without_a_run_path(self):
        for program in ("tokimori", "tokimori-cli"):
            with self.subTest(program):
                path = self.root / "usr/bin" / program
                self.assertNotRegex(run("readelf", "-d", path).stdout, r"R(UN)?PATH")
                self.assertNotIn(".debug_info", run("readelf", "-S", path).stdout)
                self.assertNotIn("not found", run("ldd", path).stdout)

    def test_unpacked_programs_tell_their_version(self):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["QT_QPA_PLATFORM"] = "xcb"  # no display: --version must not need one
        for program in ("tokimori-cli", "tokimori"):
            with self.subTest(program):
                r = run(self.root / "usr/bin" / program, "--version", env=env)
                self.assertEqual((r.returncode, r.stdout, r.stderr), (0, VERSION + "\n", ""))

    def test_unpacked_command_line_tool_reads_a_photo(self):
        r = run(self.root / "usr/bin/tokimori-cli", "info", PHOTOS / "Canon_40D.jpg")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(json.loads(r.stdout)["Model"], "Canon EOS 40D")

    def test_man_pages_are_found_by_man(self):
        env = dict(os.environ, LC_ALL="C.UTF-8", MANPATH=str(self.root / "usr/share/man"))
        for page in ("tokimori", "tokimori-cli"):
            with self.subTest(page):
                r = run("man", "--warnings", page, env=env)
                self.assertEqual((r.returncode, r.stderr), (0, ""))
                self.assertIn(VERSION, r.stdout)

    def test_copyright_names_the_license(self):
        text = (self.root / "usr/share/doc/tokimori/copyright").read_text()
        self.assertRegex(text, r"(?m)^Copyright: \d{4} ")
        self.assertRegex(text, r"(?m)^License: LicenseRef-proprietary$")


if __name__ == "__main__":
    unittest.main()
