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
from zoneinfo import ZoneInfo

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


# The clock photo's folder: each copy's name, its photo, and the body serial number exiftool
# gives it. Two Canon bodies told apart by their serial numbers and one without, a Nikon, a phone,
# a GPS camera with two photos and a photo that names no camera.
FOLDER = [("canon-111", "Canon_40D.jpg", "111"), ("canon-111-b", "Canon_40D.jpg", "111"),
          ("canon-222", "Canon_40D.jpg", "222"), ("canon", "Canon_40D.jpg", None),
          ("nikon", "Nikon_D70.jpg", None), ("nokia", "mobile_HMD_Nokia_8.3_5G.jpg", None),
          ("coolpix", "gps_DSCN0010.jpg", None), ("coolpix-b", "gps_DSCN0012.jpg", None),
          ("unnamed", "orientation_landscape_1.jpg", None)]


def rome(utc):
    """A UTC time of day on the GPS camera's day, as the local time of Europe/Rome."""
    return (datetime.datetime.strptime(utc, FORMAT).replace(tzinfo=datetime.timezone.utc)
            .astimezone(ZoneInfo("Europe/Rome")).strftime(FORMAT))


class ClockPhoto(unittest.TestCase):
    # The reference, --to, the local zone, the true time, the photos that move.
    CASES = [
        ("canon-111", "2008:05:30 16:00:00", "UTC", "2008:05:30 16:00:00",
         {"canon-111", "canon-111-b"}),
        # GPS 11:12:32 UTC in the photo's own zone, +03:00.
        ("nokia", "gps", "UTC", "2022:08:14 14:12:32", {"nokia"}),
        # No zone in the photo: the local zone's at that instant (summer time in Rome).
        ("coolpix", "gps", "Europe/Rome", rome("2008:10:23 14:27:07"), {"coolpix", "coolpix-b"}),
    ]

    def test_the_reference_cameras_photos_move_by_its_error_and_undo_exactly(self):
        for reference, to, zone, truth, moving in self.CASES:
            with self.subTest(reference=reference, to=to), tempfile.TemporaryDirectory() as d:
                photos, logs = Path(d) / "photos", Path(d) / "logs"
                photos.mkdir()
                for path, (name, _, serial) in zip(
                        copy_photos(photos, [p for _, p, _ in FOLDER], numbered=True), FOLDER):
                    if serial:
                        subprocess.run(["exiftool", "-q", "-P", "-overwrite_original",
                                        f"-ExifIFD:SerialNumber={serial}", path], check=True)
                    path.rename(photos / f"{name}.jpg")
                before, old = snapshot(photos, atime=False), exiftool(photos)
                shot = old[f"{reference}.jpg"]["ExifIFD:DateTimeOriginal"]
                offset = (datetime.datetime.strptime(truth, FORMAT) -
                          datetime.datetime.strptime(shot, FORMAT))
                code, lines, summary = run("shift", "--reference", photos / f"{reference}.jpg",
                                           "--to", to, "--log-dir", logs, photos,
                                           env=dict(os.environ, TZ=zone))
                self.assertEqual(code, 0, lines)
                self.assertEqual((summary["true_time"], summary["offset_seconds"],
                                  summary["other_camera"], summary["changed"]),
                                 (truth, offset.total_seconds(), len(FOLDER) - len(moving),
                                  len(moving)))
                new, after = exiftool(photos), snapshot(photos, atime=False)
                for line in lines:
                    name = Path(line["file"]).stem
                    if name not in moving:
                        self.assertEqual(line.get("skipped"), "another camera", name)
                        self.assertEqual(after[f"{name}.jpg"], before[f"{name}.jpg"], name)
                        continue
                    self.assertTrue(line["changed"], name)
                    for tag in DATES:
                        if tag in old[f"{name}.jpg"]:
                            want = datetime.datetime.strptime(old[f"{name}.jpg"][tag], FORMAT)
                            self.assertEqual(new[f"{name}.jpg"][tag],
                                             (want + offset).strftime(FORMAT), f"{name} {tag}")
                self.assertEqual(new[f"{reference}.jpg"]["ExifIFD:DateTimeOriginal"], truth)
                code, _, _ = run("undo", *logs.glob("*.journal"))
                self.assertEqual(code, 0)
                self.assertEqual(snapshot(photos, atime=False), before)


if __name__ == "__main__":
    unittest.main()
