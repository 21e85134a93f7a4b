"""tokimori-cli info and write on the shared test photos, checked against exiftool and cmp."""

import json
import os
import re
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from cli_run import run
from photo_files import PHOTOS

ALL = sorted(p for p in PHOTOS.iterdir() if p.suffix.lower() in (".jpg", ".jpeg"))

NEW = "2006:12:24 10:00:00"
DATE_TAGS = ("DateTime", "DateTimeOriginal", "DateTimeDigitized")
# exiftool's names (with -G1) of the three date-time tags.
EXIFTOOL_NAME = {"DateTime": "IFD0:ModifyDate", "DateTimeOriginal": "ExifIFD:DateTimeOriginal",
                 "DateTimeDigitized": "ExifIFD:CreateDate"}
DATE_SHAPE = re.compile(rb"\d{4}:\d\d:\d\d \d\d:\d\d:\d\d")

# Files where our summary and exiftool's differ for a reason, one line each.
EXPLAINED = {
    # APP0 followed by another segment (APP1 XMP, APP2 ICC ...) before the Exif APP1: no Exif.
    **{p.name: "Exif APP1 not first after at most one APP0"
       for p in ALL if p.name.startswith("orientation_") and p.name[-5] != "1"},
    "xmp_no_exif.jpg": "Exif APP1 not first after at most one APP0",
}


def info(files):
    out = run("info", *files, check=True).stdout.splitlines()
    return {Path(o["file"]).name: o for o in map(json.loads, out)}


def exiftool(files, *tags):
    r = subprocess.run(["exiftool", "-j", "-n", "-a", "-G1", *tags, *map(str, files)],
                       capture_output=True, text=True)
    return {Path(o["SourceFile"]).name: o for o in json.loads(r.stdout or "[]")}


def exif_text(value):
    # exiftool trims trailing blanks of a text; the program shows the text as stored.
    return "" if value is None else str(value)


def first_number(value):
    # A SHORT pair (count 2) shows as "100 0" in exiftool; the program takes the first one.
    if value is None:
        return 0
    return int(str(value).split()[0])


class InfoAgainstExiftool(unittest.TestCase):
    def test_summary_matches_exiftool(self):
        ours = info(ALL)
        theirs = exiftool(ALL, "-EXIF:DateTimeOriginal", "-EXIF:Make", "-EXIF:Model",
                          "-EXIF:ExifImageWidth", "-EXIF:ExifImageHeight")
        self.assertEqual(len(ours), len(ALL))
        compared = 0
        for name, o in ours.items():
            t = {k.split(":")[-1]: v for k, v in theirs.get(name, {}).items()}
            got = (o["EmbeddedDate"], o["Maker"].rstrip(), o["Model"].rstrip(),
                   o["PixelWidth"], o["PixelHeight"])
            want = (exif_text(t.get("DateTimeOriginal")), exif_text(t.get("Make")),
                    exif_text(t.get("Model")), first_number(t.get("ExifImageWidth")),
                    first_number(t.get("ExifImageHeight")))
            with self.subTest(name):
                if name in EXPLAINED:
                    self.assertNotEqual(got, want, f"{name} no longer differs: drop it from EXPLAINED")
                    continue
                self.assertEqual(got, want)
                compared += 1
        self.assertGreater(compared, 35)

    def test_file_date_is_the_general_date_form(self):
        with tempfile.TemporaryDirectory() as d:
            p = Path(d) / "a.jpg"
            shutil.copy(PHOTOS / "Canon_40D.jpg", p)
            env = dict(os.environ, TZ="Asia/Tokyo")
            for stamp, text in (("200611300915.00", "2006/11/30 9:15:00"),
                                ("200611300000.00", "2006/11/30")):
                subprocess.run(["touch", "-t", stamp, str(p)], check=True, env=env)
                r = run("info", p, env=env)
                self.assertEqual(json.loads(r.stdout)["FileDate"], text)


class WriteOnCopies(unittest.TestCase):
    def setUp(self):
        self.dir = Path(tempfile.mkdtemp(prefix="tokimori-cli-"))
        self.addCleanup(shutil.rmtree, self.dir)
        self.files = []
        for p in ALL:
            q = self.dir / p.name
            shutil.copy(p, q)
            self.files.append(q)

    def changed_offsets(self, original, copy):
        a, b = original.read_bytes(), copy.read_bytes()
        self.assertEqual(len(a), len(b), f"{copy.name} changed its size")
        r = subprocess.run(["cmp", "-l", str(original), str(copy)], capture_output=True, text=True)
        self.assertIn(r.returncode, (0, 1), r.stderr)  # 2: cmp could not read them
        return [int(line.split()[0]) - 1 for line in r.stdout.splitlines()], a, b

    def assert_only_date_texts_changed(self, name, limit=19):
        """Every changed byte lies in a 19-byte date text of the original at most `limit` bytes in."""
        offsets, old, new = self.changed_offsets(PHOTOS / name, self.dir / name)
        for at in offsets:
            inside = any(DATE_SHAPE.fullmatch(old[start:start + 19]) and at - start < limit
                         for start in range(max(0, at - 18), at + 1))
            self.assertTrue(inside, f"{name}: byte {at} changed outside a date text")
        return offsets

    def everything_but_dates(self, tags):
        return {k: v for k, v in tags.items()
                if k not in EXIFTOOL_NAME.values() and not k.startswith(("System:", "File:"))
                and k != "SourceFile" and not k.startswith("Composite:")}

    def test_write_changes_only_the_date_texts(self):
        before = exiftool(self.files)
        out = run("write", "--date", "2006:12:24", "--time", "10:00:00", *self.files,
                  check=True).stdout
        results = {Path(o["file"]).name: o for o in map(json.loads, out.splitlines())}
        after = exiftool(self.files)
        rewritten = 0
        for f in self.files:
            with self.subTest(f.name):
                self.assert_only_date_texts_changed(f.name)
                self.assertEqual(self.everything_but_dates(after[f.name]),
                                 self.everything_but_dates(before[f.name]))
                r = results[f.name]
                if f.name in EXPLAINED:  # exiftool does not see these texts
                    continue
                for tag in r["written"]:
                    self.assertEqual(after[f.name][EXIFTOOL_NAME[tag]], NEW)
                self.assertEqual(r["DateChanged"], "DateTime" in r["written"])
                rewritten += bool(r["written"])
        self.assertGreater(rewritten, 30)
        typical = results["Canon_40D.jpg"]
        self.assertEqual(typical["written"], list(DATE_TAGS))
        self.assertTrue(typical["result"])
        self.assertEqual(results["orientation_landscape_2.jpg"]["written"], [])
        self.assertFalse(results["orientation_landscape_2.jpg"]["result"])

    def test_keep_time_changes_only_the_date_part(self):
        before = exiftool(self.files, *(f"-{t}" for t in DATE_TAGS))
        run("write", "--date", "2006:12:24", *self.files, check=True)
        after = exiftool(self.files, *(f"-{t}" for t in DATE_TAGS))
        for f in self.files:
            with self.subTest(f.name):
                self.assert_only_date_texts_changed(f.name, limit=10)
                for key, old in before[f.name].items():
                    if key == "SourceFile" or not isinstance(old, str) or not DATE_SHAPE.fullmatch(old.encode()):
                        continue
                    new = after[f.name][key]
                    self.assertEqual(new[10:], old[10:])

    def test_filter_changes_only_matching_texts(self):
        name = "Canon_40D.jpg"  # DateTime 2008:07:31, DateTimeOriginal/Digitized 2008:05:30
        target = self.dir / name
        r = json.loads(run("write", "--date", "2006:12:24", "--time", "10:00:00",
                           "--only-date", "2008:05:30", target, check=True).stdout)
        self.assertEqual(r["written"], ["DateTimeOriginal", "DateTimeDigitized"])
        self.assertFalse(r["DateChanged"])
        self.assertTrue(r["result"])
        t = exiftool([target])[name]
        self.assertEqual(t["IFD0:ModifyDate"], "2008:07:31 10:38:11")
        self.assertEqual(t["ExifIFD:DateTimeOriginal"], NEW)
        self.assertEqual(t["ExifIFD:CreateDate"], NEW)
        self.assert_only_date_texts_changed(name)

        none = json.loads(run("write", "--date", "2006:12:24", "--only-date", "1999:01:01",
                              self.dir / "Nikon_D70.jpg", check=True).stdout)
        self.assertEqual(none["written"], [])
        self.assertEqual((self.dir / "Nikon_D70.jpg").read_bytes(),
                         (PHOTOS / "Nikon_D70.jpg").read_bytes())


class Arguments(unittest.TestCase):
    def test_a_failing_file_does_not_stop_the_others(self):
        with tempfile.TemporaryDirectory() as d:
            good = Path(d) / "good.jpg"
            shutil.copy(PHOTOS / "Canon_40D.jpg", good)
            r = run("info", Path(d) / "missing.jpg", good)
            self.assertEqual(r.returncode, 1)
            self.assertEqual(json.loads(r.stderr.splitlines()[0])["error"], 53)
            self.assertEqual(json.loads(r.stdout)["Model"], "Canon EOS 40D")
            r = run("write", "--date", "2006:12:24", Path(d) / "missing.jpg", good)
            self.assertEqual(r.returncode, 1)
            self.assertEqual(json.loads(r.stdout)["written"], list(DATE_TAGS))


if __name__ == "__main__":
    unittest.main()
