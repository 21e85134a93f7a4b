"""tokimori-cli set and undo on copies of the test photos."""

import shutil
import tempfile
import unittest
from pathlib import Path

from cli_run import run
from photo_files import PHOTOS, copy_photos, snapshot

CAMERAS = ["Canon_40D.jpg", "Nikon_D70.jpg", "Sony_HDR-HC3.jpg", "gps_DSCN0010.jpg",
           "exif-org_olympus-c960.jpg", "xmp_no_exif.jpg"]


class SetAndUndo(unittest.TestCase):
    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="tokimori-set-"))
        self.addCleanup(shutil.rmtree, self.tmp)
        self.photos = self.tmp / "photos"
        self.logs = self.tmp / "logs"
        self.photos.mkdir()
        self.logs.mkdir()
        copy_photos(self.photos, CAMERAS)

    def set(self, *extra):
        return run("set", "--date", "2006:12:24", *extra, "--log-dir", self.logs, self.photos)

    def test_dry_run_changes_nothing(self):
        before = snapshot(self.photos)
        code, lines, summary = self.set("--time", "10:00:00", "--dry-run")
        self.assertEqual(code, 0)
        self.assertEqual(snapshot(self.photos), before)
        self.assertEqual(list(self.logs.iterdir()), [])
        self.assertTrue(summary["dry_run"])
        self.assertEqual(summary["changed"], 5)
        canon = next(l for l in lines if l["file"].endswith("Canon_40D.jpg"))
        self.assertEqual(canon["written"], ["DateTime", "DateTimeOriginal", "DateTimeDigitized"])
        self.assertEqual(canon["NewEmbeddedDate"], "2006:12:24 10:00:00")
        self.assertEqual(canon["NewFileTime"], "2006/12/24 10:00:00")

    def test_set_reports_each_photo_and_writes_log_and_journal(self):
        code, lines, summary = self.set("--time", "10:00:00")
        self.assertEqual(code, 0)
        self.assertEqual([Path(l["file"]).name for l in lines], sorted(CAMERAS, key=str.lower))
        noexif = next(l for l in lines if l["file"].endswith("xmp_no_exif.jpg"))
        self.assertFalse(noexif["changed"])
        self.assertEqual(summary["changed"], 5)
        self.assertTrue(Path(summary["journal"]).is_file())
        log = Path(summary["log"]).read_bytes().decode().split("\r\n")
        self.assertEqual(len([l for l in log if l]), 5)
        self.assertIn(" ExifData> [パス-" + str(self.photos / "Canon_40D.jpg")
                      + "] [埋込日付-2008:05:30 15:56:01] [ファイル日付-", log[0])
        st = (self.photos / "Canon_40D.jpg").stat()
        self.assertEqual(st.st_mtime_ns % 1_000_000_000, 0)

    def test_undo_restores_each_kind_of_set(self):
        before = snapshot(self.photos)
        for options in (["--time", "10:00:00"], ["--keep-time"],
                        ["--time", "10:00:00", "--only-date", "2008:05:30"]):
            with self.subTest(options):
                code, _, summary = self.set(*options)
                self.assertEqual(code, 0)
                self.assertNotEqual(snapshot(self.photos), before)
                code, lines, _ = run("undo", summary["journal"])
                self.assertEqual(code, 0, lines)
                self.assertTrue(all(l["restored"] for l in lines))
                self.assertEqual(snapshot(self.photos), before)

    def test_undo_refuses_a_photo_changed_since(self):
        before = snapshot(self.photos)
        _, _, summary = self.set("--time", "10:00:00")
        again = self.photos / "Nikon_D70.jpg"
        run("write", "--date", "2001:01:01", "--time", "01:01:01", again)
        changed_again = again.read_bytes()
        dry_code, dry, _ = run("undo", summary["journal"], "--dry-run")
        self.assertEqual(dry_code, 1)
        self.assertTrue(all(not l["restored"] for l in dry))
        code, lines, _ = run("undo", summary["journal"])
        self.assertEqual(code, 1)
        refused = [l for l in lines if not l["restored"]]
        self.assertEqual([Path(l["file"]).name for l in refused], ["Nikon_D70.jpg"])
        self.assertEqual(again.read_bytes(), changed_again)
        after = snapshot(self.photos)
        for name in CAMERAS:
            if name != "Nikon_D70.jpg":
                self.assertEqual(after[name], before[name], name)

    def test_a_text_stepped_over_beside_written_ones_is_told_and_fails(self):
        # DateTimeDigitized made a text of type UNDEFINED: unsafe to write, the others are.
        photo = self.photos / "Canon_40D.jpg"
        data = photo.read_bytes()
        photo.write_bytes(data.replace(b"\x04\x90\x02\x00", b"\x04\x90\x07\x00", 1))
        code, lines, summary = run("set", "--date", "2006:12:24", "--no-log", photo)
        self.assertEqual(code, 1)
        self.assertEqual(summary["failed"], 1)
        (line,) = lines
        self.assertTrue(line["changed"])
        self.assertEqual(line["written"], ["DateTime", "DateTimeOriginal"])
        self.assertEqual(line["skipped"], "DateTimeDigitized: not ASCII")

    def test_a_journal_cut_short_still_undoes_what_it_names(self):
        before = snapshot(self.photos)
        _, _, summary = self.set("--time", "10:00:00")
        journal = Path(summary["journal"])
        text = journal.read_bytes()
        lines = text.split(b"\n")
        self.assertEqual(len(lines), 8)  # the header, five records, the batch done, the empty rest
        # A crash while the fifth record was written: half of it reached the disk.
        journal.write_bytes(b"\n".join(lines[:5]) + b"\n" + lines[5][: len(lines[5]) // 2])
        code, undone, _ = run("undo", journal)
        self.assertEqual(code, 0)
        self.assertEqual(len([l for l in undone if "file" in l]), 4)
        self.assertEqual(len([l for l in undone if "note" in l]), 1)
        after = snapshot(self.photos)
        restored = [n for n in CAMERAS if after[n] == before[n]]
        self.assertEqual(len(restored), 5)  # four undone and the photo without Exif

    def test_folders_recursive_and_no_log(self):
        sub = self.photos / "sub"
        sub.mkdir()
        shutil.copy(PHOTOS / "Canon_40D.jpg", sub / "deep.JPG")
        _, flat, _ = run("set", "--date", "2006:12:24", "--dry-run", self.photos)
        _, deep, _ = run("set", "--date", "2006:12:24", "--dry-run", "--recursive", self.photos)
        self.assertEqual(len(deep), len(flat) + 1)
        code, _, summary = run("set", "--date", "2006:12:24", "--no-log", sub)
        self.assertEqual(code, 0)
        self.assertEqual(summary["journal"], "")
        self.assertEqual(summary["log"], "")
        self.assertIn(b"2006:12:24", (sub / "deep.JPG").read_bytes())

    def test_a_failing_photo_is_reported_and_the_rest_done(self):
        code, lines, summary = run("set", "--date", "2006:12:24", "--log-dir", self.logs,
                                      self.tmp / "missing.jpg", self.photos)
        self.assertEqual(code, 1)
        self.assertEqual(summary["failed"], 1)
        self.assertEqual(summary["changed"], 5)
        bad = [l for l in lines if "error" in l]
        self.assertEqual(len(bad), 1)
        self.assertEqual(bad[0]["error"], 53)


if __name__ == "__main__":
    unittest.main()
