"""Tokimori.chm as the build makes it, read with libchm's enum_chmLib and extract_chmLib: the
program's help page in it unchanged, contents and index whose every entry leads to a place on
that page, and the Japanese language and title that HTML Help shows."""

import os
import re
import shutil
import struct
import tempfile
import unittest
from pathlib import Path

from project import SOURCE, run

CHM = Path(os.environ["TOKIMORI_CHM"])
PAGE = SOURCE / "app" / "help" / "Tokimori.html"


class HelpFile(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        listed = run("enum_chmLib", CHM)
        if listed.returncode != 0:
            raise AssertionError(f"enum_chmLib {CHM}: {listed.stderr}")
        # Each line of the listing ends in the entry's name, a path from "/".
        cls.names = set(re.findall(r"\s(/\S*)$", listed.stdout, re.M))
        cls.dir = Path(tempfile.mkdtemp(prefix="tokimori-chm-"))
        out = run("extract_chmLib", CHM, cls.dir)
        if out.returncode != 0:
            raise AssertionError(f"extract_chmLib {CHM}: {out.stderr}")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def test_holds_the_page_contents_index_and_search(self):
        for name in ["/Tokimori.html", "/Tokimori.hhc", "/Tokimori.hhk", "/#SYSTEM", "/#WINDOWS",
                     "/$FIftiMain"]:
            self.assertIn(name, self.names)

    def test_the_page_is_the_programs_help_page(self):
        self.assertEqual((self.dir / "Tokimori.html").read_bytes(), PAGE.read_bytes())

    def test_every_entry_leads_to_a_place_on_the_page(self):
        ids = set(re.findall(r'id="([^"]+)"', PAGE.read_text(encoding="utf-8")))
        for part, least in [("Tokimori.hhc", 7), ("Tokimori.hhk", 10)]:
            text = (self.dir / part).read_bytes().decode("cp932")
            entries = re.findall(
                r'<param name="Name" value="([^"]+)">\s*<param name="Local" value="([^"]+)">', text)
            self.assertGreaterEqual(len(entries), least, part)
            for name, local in entries:
                page, _, anchor = local.partition("#")
                self.assertEqual(page, "Tokimori.html", name)
                if anchor:
                    self.assertIn(anchor, ids, f"{part}: {name}")
        self.assertIn("使い方", (self.dir / "Tokimori.hhc").read_bytes().decode("cp932"))

    def test_japanese_with_its_title(self):
        # #SYSTEM: a version, then records of a code, a length and that many bytes.
        data = (self.dir / "#SYSTEM").read_bytes()
        records, at = {}, 4
        while at + 4 <= len(data):
            code, length = struct.unpack_from("<HH", data, at)
            records[code] = data[at + 4:at + 4 + length]
            at += 4 + length
        self.assertEqual(records[3].rstrip(b"\0").decode("cp932"), "Tokimori ヘルプ")  # title
        self.assertEqual(struct.unpack_from("<I", records[4])[0], 0x0411)  # the language
        self.assertEqual(records[2].rstrip(b"\0").decode("cp932"), "Tokimori.html")  # default


if __name__ == "__main__":
    unittest.main()
