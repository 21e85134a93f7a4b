"""tokimori-cli shift and filetime on copies of the test photos, checked against exiftool, and
undone exactly."""

import datetime
import json
import os
import shutil
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

from cli_run import run
from photo_files import PHOTOS, copy_photos, snapshot

CAMERAS = ["Canon_40D.jpg", "Nikon_D70.jpg", "Sony_HDR-HC3.jpg", "gps_DSCN0010.jpg",
           "exif-org_olympus-c960.jpg", "Kodak_CX7530.jpg"]
DATES = ("IFD0:ModifyDate", "ExifIFD:DateTimeOriginal", "ExifIFD:CreateDate")
FORMAT = "%Y:%m:%d %H:%M:%S"


def exiftool(folder):
    r = subprocess.run(["exiftool", "-j", "-a", "-G1", "-DateTimeOriginal", "-CreateDate",
                        "-ModifyDate", str(folder)], capture_output=True, text=True)
    return {Path(o["SourceFile"]).name: o for o in json.loads(r.stdout or "[]")}


class ShiftAndFileTime(unittest.TestCase):
    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="tokimori-shift-"))
        self.addCleanup(shutil.rmtree, self.tmp)
        self.photos = self.tmp / "photos"
        self.logs = self.tmp / "logs"
        self.photos.mkdir()
        copy_photos(self.photos, CAMERAS)

    def test_shift_moves_every_date_by_the_offset_and_undo_puts_it_back(self):
        before = snapshot(self.photos, atime=False)
        old = exiftool(self.photos)
        offset = datetime.timedelta(days=-2, hours=-3)
        code, lines, _ = run("shift", "--by", "-2d3:00", "--log-dir", self.logs, self.photos)
        self.assertEqual(code, 0, lines)
        new = exiftool(self.photos)
        moved = 0
        for name in CAMERAS:
            for tag in DATES:
                if tag not in old[name]:
                    continue
                want = (datetime.datetime.strptime(old[name][tag], FORMAT) + offset)
                self.assertEqual(new[name][tag], want.strftime(FORMAT), f"{name} {tag}")
                moved += 1
            # The file's time is the moved shooting date (local time).
            shot = new[name].get("ExifIFD:DateTimeOriginal") or new[name].get("IFD0:ModifyDate")
            if shot:
                want = time.mktime(time.strptime(shot, FORMAT))
                self.assertEqual(os.stat(self.photos / name).st_mtime, want, name)
            self.assertEqual((self.photos / name).stat().st_size, (PHOTOS / name).stat().st_size)
        self.assertGreaterEqual(moved, 12)
        code, _, _ = run("undo", *self.logs.glob("*.journal"))
        self.assertEqual(code, 0)
        self.assertEqual(snapshot(self.photos, atime=False), before)

    def test_filetime_takes_the_shooting_date_and_changes_no_byte(self):
        before = snapshot(self.photos, atime=False)
        tags = exiftool(self.photos)
        code, lines, _ = run("filetime", "--log-dir", self.logs, self.photos)
        self.assertEqual(code, 0, lines)
        for name in CAMERAS:
            shot = tags[name].get("ExifIFD:DateTimeOriginal") or tags[name].get("IFD0:ModifyDate")
            want = time.mktime(time.strptime(shot, FORMAT))
            self.assertEqual(os.stat(self.photos / name).st_mtime, want, name)
            self.assertEqual(snapshot(self.photos, atime=False)[name][0], before[name][0])
        code, _, _ = run("undo", *self.logs.glob("*.journal"))
        self.assertEqual(code, 0)
        self.assertEqual(snapshot(self.photos, atime=False), before)


if __name__ == "__main__":
    unittest.main()
