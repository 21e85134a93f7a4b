"""Every date a photo carries: the offset texts kept true as the dates change, in the zones of
Berlin, New York and Helsinki, across summer and winter time both ways; a photo taken in another
zone left alone and named; undone exactly."""

import json
import os
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from cli_run import run
from photo_files import PHOTOS, snapshot

OFFSETS = ("OffsetTime", "OffsetTimeOriginal", "OffsetTimeDigitized")


def offsets(path):
    r = subprocess.run(["exiftool", "-j", *("-ExifIFD:" + k for k in OFFSETS), str(path)],
                       capture_output=True, text=True, check=True)
    o = json.loads(r.stdout)[0]
    return tuple(o.get(k, "") for k in OFFSETS)


class Offsets(unittest.TestCase):
    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="tokimori-dates-"))
        self.addCleanup(shutil.rmtree, self.tmp)

    def photo(self, name, date=None, zone=None):
        """A copy of a camera photo, its three dates and three offsets given (exiftool)."""
        dest = self.tmp / name
        shutil.copy(PHOTOS / ("mobile_HMD_Nokia_8.3_5G.jpg" if zone is None and date is None
                              else "Canon_40D.jpg"), dest)
        if date:
            args = [f"-AllDates={date}"]
            if zone:
                args += [f"-{k}={zone}" for k in OFFSETS]
            subprocess.run(["exiftool", "-q", "-overwrite_original", *args, str(dest)], check=True)
        return dest

    def test_offsets_follow_the_local_zone_across_summer_and_winter(self):
        cases = [
            # zone, photo's date and offset, the date set, the offsets after (None: as before)
            ("Europe/Berlin", "2008:05:30 15:56:01", "+02:00", "2006:12:24", "+01:00"),
            ("Europe/Berlin", "2008:01:10 12:00:00", "+01:00", "2008:07:10", "+02:00"),
            ("America/New_York", "2008:07:10 12:00:00", "-04:00", "2008:01:10", "-05:00"),
            ("America/New_York", "2008:01:10 12:00:00", "-05:00", "2008:07:10", "-04:00"),
            ("Europe/Berlin", "2008:05:30 15:56:01", "+09:00", "2006:12:24", None),  # Tokyo's
            # a phone's photo, +03:00, holding DateTimeOriginal alone: only its offset follows
            ("Europe/Helsinki", None, None, "2023:01:14", ("+03:00", "+02:00", "+03:00")),
        ]
        for zone, date, stored, new, want in cases:
            with self.subTest(zone=zone, date=date, stored=stored, new=new):
                p = self.photo(f"p{len(list(self.tmp.iterdir()))}.jpg", date, stored)
                before = offsets(p)
                original = p.read_bytes()
                env = dict(os.environ, TZ=zone)
                code, lines, summary = run("set", "--date", new, "--time", "10:00:00",
                                           "--log-dir", self.tmp / "logs", p, env=env)
                (line,) = lines
                self.assertTrue(line["changed"])
                want = before if want is None else (want,) * 3 if isinstance(want, str) else want
                self.assertEqual(offsets(p), want)
                self.assertEqual(p.stat().st_size, len(original))
                moved = [k for k, a, b in zip(OFFSETS, before, want) if a != b]
                self.assertEqual([w for w in line["written"] if w.startswith("Offset")], moved)
                if not moved:
                    self.assertTrue(any("OffsetTimeOriginal" in n for n in line["notes"]), line)
                code, _, _ = run("undo", summary["journal"], env=env)
                self.assertEqual(code, 0)
                self.assertEqual(p.read_bytes(), original)

    def test_a_photo_without_offsets_gets_none(self):
        p = self.photo("plain.jpg", "2008:05:30 15:56:01")
        code, lines, _ = run("set", "--date", "2006:12:24", "--no-log", p,
                             env=dict(os.environ, TZ="Europe/Berlin"))
        self.assertEqual(code, 0)
        self.assertEqual(lines[0]["written"], ["DateTime", "DateTimeOriginal", "DateTimeDigitized"])
        self.assertNotIn("notes", lines[0])
        self.assertEqual(offsets(p), ("", "", ""))

    def test_a_shift_moves_the_offset_with_the_date(self):
        p = self.photo("s.jpg", "2008:10:26 01:30:00", "+02:00")  # an hour before the change
        code, lines, summary = run("shift", "--by", "+3:00", "--log-dir", self.tmp / "logs", p,
                                   env=dict(os.environ, TZ="Europe/Berlin"))
        self.assertEqual(code, 0, lines)
        self.assertEqual(offsets(p), ("+01:00",) * 3)


if __name__ == "__main__":
    unittest.main()
