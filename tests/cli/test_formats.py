"""Every kind of file beyond JPEG, re-dated in place by set and shift and put back by undo,
checked against exiftool and the bytes: only the journaled bytes differ, the size stays."""

import json
import os
import re
import shutil
import struct
import subprocess
import tempfile
import unittest
import zlib
from pathlib import Path

from cli_run import run
from photo_files import PHOTOS

FORMATS = PHOTOS.parent / "formats"
ENV = dict(os.environ, TZ="Europe/Berlin")
LOCAL, UTC = "2024:07:01 10:20:30", "2024:07:01 08:20:30"  # summer time: +02:00
EXIF3 = ("IFD0:ModifyDate", "ExifIFD:DateTimeOriginal", "ExifIFD:CreateDate")
MOVIE = ("QuickTime:CreateDate", "QuickTime:ModifyDate", "Track1:TrackCreateDate",
         "Track1:TrackModifyDate", "Track1:MediaCreateDate", "Track2:MediaModifyDate")

# file -> (format, tags holding the new local time, tags holding it in UTC); no tags: a file
# with no date, left as it is. Made in setUpClass: PNG and WebP given Exif data by exiftool, an
# MP4 by ffmpeg, a RAF around a camera JPEG.
CASES = {
    "CanonRaw.cr2": ("CR2", EXIF3, ()),
    "CanonRaw.cr3": ("CR3", EXIF3, MOVIE),
    "DNG.dng": ("TIFF", EXIF3, ()),
    "ExifTool.tif": ("TIFF", EXIF3[:1], ()),
    "tiffep.tif": ("TIFF", (EXIF3[0], "IFD0:DateTimeOriginal"), ()),  # as Nikon's NEF keeps it
    "HMD_Nokia_8.3_5G_hdr.heif": ("HEIC", EXIF3[:1], ()),
    "IMG_5195.HEIC": ("HEIC", EXIF3, ()),
    "Panasonic.rw2": ("RW2", EXIF3[1:], ()),
    "QuickTime.mov": ("MOV", (), MOVIE),
    "exif.png": ("PNG", EXIF3, ()),
    "exif.webp": ("WebP", EXIF3, ()),
    "ffmpeg.mp4": ("MP4", (), MOVIE),
    "keys.mov": ("MOV", ("Keys:CreationDate",), MOVIE[:-1]),
    "made.raf": ("RAF", EXIF3, ()),
    "Jobagent.tiff": ("TIFF", (), ()),
    "samplefilehub.heif": ("HEIC", (), ()),
    "PNG.png": ("PNG", (), ()),
    "README.md": ("", (), ()),
}


def make_files(into):
    for name in CASES:
        if (FORMATS / name).exists():
            shutil.copy(FORMATS / name, into / name)
    for made, source, tag in (("exif.png", "PNG.png", "AllDates"),
                              ("exif.webp", "RIFF.webp", "AllDates"),
                              ("tiffep.tif", "ExifTool.tif", "IFD0:DateTimeOriginal")):
        shutil.copy(FORMATS / source, into / made)
        subprocess.run(["exiftool", "-q", "-overwrite_original", f"-{tag}=2011:02:03 04:05:06",
                        into / made], check=True)
    subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc=d=1:s=64x48:r=5",
                    "-f", "lavfi", "-i", "sine=d=1", "-c:v", "mpeg4", "-c:a", "aac", "-shortest",
                    "-metadata", "creation_time=2015-03-04T05:06:07Z", into / "ffmpeg.mp4"],
                   check=True)
    # A phone's movie: the creation date of its metadata keys, in its zone (winter, +01:00).
    subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc=d=1:s=64x48:r=5",
                    "-c:v", "mpeg4", "-movflags", "use_metadata_tags", "-metadata",
                    "com.apple.quicktime.creationdate=2015-03-04T06:06:07+0100",
                    "-metadata", "creation_time=2015-03-04T05:06:07Z", into / "keys.mov"],
                   check=True)
    # RAF: a 84-byte header, the embedded JPEG's offset and length, then the JPEG.
    jpeg = (PHOTOS / "Canon_40D.jpg").read_bytes()
    head = b"FUJIFILMCCD-RAW 0201FF129502".ljust(84, b"\0") + struct.pack(">II", 108, len(jpeg))
    (into / "made.raf").write_bytes(head.ljust(108, b"\0") + jpeg)
    for p in into.iterdir():
        p.chmod(0o644)


def dates(path):
    out = subprocess.run(["exiftool", "-j", "-a", "-G1", "-time:all", path], capture_output=True,
                         text=True, check=True).stdout
    return json.loads(out)[0]


def png_chunks_whole(data):
    """Whether every chunk's CRC matches its type and data."""
    at = 8
    while at < len(data):
        length, = struct.unpack(">I", data[at:at + 4])
        crc, = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        if crc != zlib.crc32(data[at + 4:at + 8 + length]):
            return False
        at += 12 + length
    return True


def journaled(journal):
    """The byte ranges each write of the journal covers."""
    text = Path(journal).read_text()
    return [(int(at), int(at) + len(new) // 2)
            for at, new in re.findall(r"\tw:[0-9A-F]+:(\d+):[0-9A-F]*:([0-9A-F]*)", text)]


class EveryKind(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = Path(tempfile.mkdtemp(prefix="tokimori-formats-"))
        cls.originals = cls.tmp / "originals"
        cls.originals.mkdir()
        make_files(cls.originals)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp)

    def check_run(self, name, args, local, utc):
        kind, _, _ = CASES[name]
        work = self.tmp / "work" / name.replace(".", "_")
        shutil.rmtree(work, ignore_errors=True)
        work.mkdir(parents=True)
        p = work / ("renamed.jpg" if kind == "MOV" else name)  # the name tells nothing
        shutil.copy(self.originals / name, p)
        before = p.read_bytes()
        (read,) = run("info", p, env=ENV, check=True).lines
        self.assertEqual(read["format"], kind)
        if kind in ("MOV", "MP4"):  # a movie's size is its picture track's
            size = subprocess.run(["exiftool", "-s3", "-ImageWidth", p], capture_output=True,
                                  text=True, check=True).stdout.strip()
            self.assertEqual(str(read["FrameWidth"]), size)
        code, (line,), summary = run(*args, "--log-dir", work / "logs", p, env=ENV)
        self.assertEqual(code, 0, line)
        after = p.read_bytes()
        self.assertEqual(len(after), len(before))
        if not (local or utc):
            self.assertFalse(line["changed"])
            self.assertIn(line.get("note"), (None, "no Exif date to change") if kind else
                          ("not a kind of file Tokimori knows; left as it is",))
            self.assertEqual(after, before)
            return
        self.assertTrue(line["changed"], line)
        if kind in ("CR2", "CR3"):  # the maker's own dates are named, not written
            self.assertIn("MakerNote: its own dates, if any, are left as they are",
                          line["notes"])
        found = dates(p)
        for tag in local:
            self.assertEqual(str(found.get(tag))[:19], LOCAL, tag)
        if "Keys:CreationDate" in local:  # its zone follows the local one into summer
            self.assertEqual(found["Keys:CreationDate"][19:], "+02:00")
        for tag in utc:
            self.assertEqual(str(found.get(tag))[:19], UTC, tag)
        ranges = journaled(summary["journal"])
        changed = [i for i, (a, b) in enumerate(zip(before, after)) if a != b]
        self.assertTrue(changed)
        self.assertEqual([i for i in changed if not any(a <= i < b for a, b in ranges)], [])
        self.assertEqual(os.path.getmtime(p) % 60, 30)
        if kind == "PNG":
            self.assertTrue(png_chunks_whole(after))
        run("undo", summary["journal"], env=ENV, check=True)
        self.assertEqual(p.read_bytes(), before)

    def test_set_writes_every_date_of_every_kind_in_place_and_undo_puts_it_back(self):
        for name, (_, local, utc) in CASES.items():
            with self.subTest(name=name):
                self.check_run(name, ("set", "--date", "2024:07:01", "--time", "10:20:30"),
                               local, utc)

    def test_shift_moves_them(self):
        # From 2011:02:03 04:05:06 (winter, +01:00 in Berlin) to the summer date: the movie's
        # UTC times keep the instant's own offset at each end.
        for name in ("exif.png", "ffmpeg.mp4"):
            with self.subTest(name=name):
                _, local, utc = CASES[name]
                by = "+4897d6:15:24" if name == "exif.png" else "+3407d4:14:23"
                self.check_run(name, ("shift", "--by", by), local, utc)


if __name__ == "__main__":
    unittest.main()
