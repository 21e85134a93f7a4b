"""A hostile tester's cases for tokimori-cli set and undo: kill -9 at any moment, a full disk,
two runs at once, tampered input, links that loop, names that are not UTF-8. Photos are copies in
temporary folders; the failure-injection build of the command line makes the bad moments exact."""

import json
import os
import random
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

import photo_files
from cli_run import CLI, FAULTS, run
from photo_files import PHOTOS, copy_photos, read_quietly

CAMERAS = ["Canon_40D.jpg", "Nikon_D70.jpg", "Sony_HDR-HC3.jpg", "gps_DSCN0010.jpg",
           "Kodak_CX7530.jpg", "exif-org_olympus-c960.jpg"]


def snapshot(folder):
    return photo_files.snapshot(folder, recursive=True)


def journals(folder):
    return sorted(str(p) for p in Path(folder).glob("*.journal"))


def check_lines(journal):
    """Every line of a journal ends in its own length and checksum."""
    import zlib
    text = Path(journal).read_bytes()
    assert text.endswith(b"\n"), "journal ends in a whole line"
    for line in text.split(b"\n")[:-1]:
        body, _, trailer = line.rpartition(b"\t#")
        length, _, crc = trailer.partition(b":")
        assert int(length) == len(body), line[:60]
        assert int(crc, 16) == zlib.crc32(body), line[:60]
    return text.count(b"\n") - 1  # records, the header aside


class Photos(unittest.TestCase):
    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="tokimori-safety-"))
        self.addCleanup(shutil.rmtree, self.tmp, True)
        self.photos = self.tmp / "photos"
        self.logs = self.tmp / "logs"
        self.photos.mkdir()

    def copies(self, count=None, names=CAMERAS):
        """Copies of the cameras' photos (count of them, numbered, when given)."""
        many = count is not None
        copy_photos(self.photos, [names[i % len(names)] for i in range(count)] if many else names,
                    numbered=many)

    def set(self, *extra, fault=None, date="2006:12:24"):
        return run("set", "--date", date, "--log-dir", self.logs, *extra, self.photos,
                   fault=fault)


class KillsAndFullDisks(Photos):
    def test_killed_between_text_writes_undo_puts_everything_back(self):
        self.copies()
        before = snapshot(self.photos)
        # Photo 1's three texts, then the first of photo 2's: the process dies there.
        code, _, _ = self.set("--time", "10:00:00", fault="photo-write:5:kill")
        self.assertEqual(code, -signal.SIGKILL)
        half = snapshot(self.photos)
        self.assertNotEqual(half, before)
        (journal,) = journals(self.logs)
        code, lines, summary = run("undo", journal)
        self.assertEqual(code, 0, lines)
        self.assertEqual(summary["refused"], 0)
        self.assertEqual(snapshot(self.photos), before)

    def test_killed_during_undo_a_second_undo_completes(self):
        self.copies()
        before = snapshot(self.photos)
        self.assertEqual(self.set("--time", "10:00:00")[0], 0)
        (journal,) = journals(self.logs)
        for fault in ("photo-write:2:kill", "photo-times:2:kill"):
            with self.subTest(fault):
                if fault != "photo-write:2:kill":
                    self.assertEqual(self.set("--time", "11:00:00")[0], 0)
                    journal = journals(self.logs)[-1]
                code, _, _ = run("undo", journal, fault=fault)
                self.assertEqual(code, -signal.SIGKILL)
                code, lines, summary = run("undo", journal)
                self.assertEqual(code, 0, lines)
        code, _, _ = run("undo", *journals(self.logs))
        self.assertEqual(code, 0)
        self.assertEqual(snapshot(self.photos), before)

    def test_a_full_disk_mid_record_stops_the_run_before_that_photo(self):
        self.copies()
        before = snapshot(self.photos)
        code, lines, summary = self.set("--time", "10:00:00", fault="journal-append:3:short")
        self.assertEqual(code, 1)
        self.assertEqual(summary["stopped"], 61)
        self.assertEqual(summary["changed"], 2)
        (journal,) = journals(self.logs)
        self.assertIn(Path(journal).name, summary["journal"])
        self.assertEqual(check_lines(journal), 2)  # whole records only
        after = snapshot(self.photos)
        changed = [n for n in before if after[n] != before[n]]
        self.assertEqual(len(changed), 2)
        code, lines, summary = run("undo", journal)
        self.assertEqual(code, 0, lines)
        self.assertEqual(snapshot(self.photos), before)

    def test_kill_at_random_moments_leaves_everything_undoable(self):
        """Half the rounds kill the process at a random moment once its journal holds records
        (a fast machine finishes 2000 photos before a fixed sleep ends); the other half kill it
        at a random text write through the failure seam, which always lands inside the run."""
        rng = random.Random(20061224)
        cut_mid_run = 0
        for round in range(8):
            with self.subTest(round=round):
                shutil.rmtree(self.photos)
                shutil.rmtree(self.logs, True)
                self.photos.mkdir()
                self.copies(2000)
                before = snapshot(self.photos)
                argv = ["set", "--date", "2006:12:24", "--time", "10:00:00",
                        "--log-dir", self.logs, self.photos]
                if round % 2:
                    env = dict(os.environ,
                               TOKIMORI_FAULT=f"photo-write:{rng.randrange(1, 2000)}:kill")
                    r = subprocess.run([FAULTS, *map(str, argv)], env=env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                    self.assertEqual(r.returncode, -signal.SIGKILL)
                else:
                    p = subprocess.Popen([CLI, *map(str, argv)], stdout=subprocess.DEVNULL,
                                         stderr=subprocess.DEVNULL)
                    deadline = time.monotonic() + 10
                    while p.poll() is None and time.monotonic() < deadline:
                        if any(Path(j).read_bytes().count(b"\n") > 1
                               for j in journals(self.logs)):
                            break
                        time.sleep(0.0005)
                    time.sleep(rng.uniform(0.0, 0.02))
                    p.send_signal(signal.SIGKILL)
                    p.wait()
                after = snapshot(self.photos)
                changed = sum(after[n] != before[n] for n in before)
                cut_mid_run += 0 < changed < len(before)
                for j in journals(self.logs):
                    # An undo killed too, at a random moment, then run again to the end.
                    u = subprocess.Popen([CLI, "undo", j], stdout=subprocess.DEVNULL,
                                         stderr=subprocess.DEVNULL)
                    time.sleep(rng.uniform(0.0, 0.03))
                    u.send_signal(signal.SIGKILL)
                    u.wait()
                    code, lines, summary = run("undo", j)
                    self.assertEqual(code, 0, [l for l in lines if not l.get("restored")])
                self.assertEqual(snapshot(self.photos), before)
        self.assertGreaterEqual(cut_mid_run, 4)  # the kills did land inside runs

    def test_a_low_limit_of_open_files_is_no_failure(self):
        self.copies(300)
        r = subprocess.run(f"ulimit -n 40; exec '{CLI}' set --date 2006:12:24 --no-log "
                           f"'{self.photos}'", shell=True, capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr[-300:])
        self.assertEqual(json.loads(r.stderr.splitlines()[-1])["changed"], 300)

    def test_a_log_line_that_cannot_be_written_is_reported(self):
        self.copies()
        code, lines, summary = self.set("--time", "10:00:00", fault="log-append:1:fail")
        self.assertEqual(code, 1)
        self.assertEqual(lines[0]["log_error"], 61)
        self.assertTrue(lines[0]["changed"])
        self.assertEqual(summary["failed"], 1)
        self.assertEqual(summary["log_failed"], 1)


class TwoRunsAtOnce(Photos):
    def test_runs_never_mix_and_one_undo_takes_both_back(self):
        for newest_first in (False, True):
            with self.subTest(newest_first=newest_first):
                shutil.rmtree(self.photos)
                shutil.rmtree(self.logs, True)
                self.photos.mkdir()
                self.copies(3000, ["Canon_40D.jpg", "Nikon_D70.jpg"])
                before = snapshot(self.photos)
                args = [("2001:01:01", "01:01:01"), ("2002:02:02", "02:02:02")]
                # The second run takes the photos in the opposite order: neither may wait on the
                # other while holding photos of its own.
                names = sorted(str(p) for p in self.photos.iterdir())
                orders = [names, names[::-1]]
                procs = [subprocess.Popen([CLI, "set", "--date", d, "--time", t, "--log-dir",
                                           self.logs, *order], stdout=subprocess.DEVNULL,
                                          stderr=subprocess.DEVNULL)
                         for (d, t), order in zip(args, orders)]
                self.assertEqual([p.wait(timeout=60) for p in procs], [0, 0])
                for name in before:
                    data = read_quietly(self.photos / name)
                    runs = {d for d, t in args if (d + " " + t).encode() in data}
                    self.assertEqual(len(runs), 1, name)  # every text from the same run
                    self.assertNotIn(b"2008:05:30 15:56:01", data)
                js = journals(self.logs)
                self.assertEqual(len(js), 2)
                # The two runs did overlap in time: photos were changed by both in turn.
                spans = []
                for j in js:
                    ats = [int(l.split(b"\tat=")[1].split(b"\t")[0])
                           for l in Path(j).read_bytes().split(b"\n") if l.startswith(b"photo")]
                    spans.append((min(ats), max(ats)))
                self.assertLess(max(a for a, _ in spans), min(b for _, b in spans))
                code, lines, summary = run("undo", *(reversed(js) if newest_first else js))
                self.assertEqual(code, 0, [l for l in lines if not l.get("restored")][:3])
                self.assertEqual(snapshot(self.photos), before)


class LinksAndNames(Photos):
    def test_links_that_loop_and_files_reached_twice_are_done_once(self):
        self.copies(names=["Canon_40D.jpg"])
        sub = self.photos / "sub"
        sub.mkdir()
        shutil.copy(PHOTOS / "Nikon_D70.jpg", sub / "b.jpg")
        (self.photos / "self").symlink_to(".")
        (sub / "up").symlink_to("..")
        (self.photos / "loop1").symlink_to("loop2")
        (self.photos / "loop2").symlink_to("loop1")
        os.link(self.photos / "Canon_40D.jpg", self.photos / "hard.jpg")
        (self.photos / "soft.jpg").symlink_to("Canon_40D.jpg")
        code, lines, summary = run("set", "--date", "2006:12:24", "--recursive", "--log-dir",
                                   self.logs, self.photos, self.photos / "Canon_40D.jpg")
        self.assertEqual(code, 0, lines)
        self.assertEqual(summary["changed"], 2)
        done = [l for l in lines if l.get("changed")]
        self.assertEqual(sorted(Path(l["file"]).name for l in done), ["Canon_40D.jpg", "b.jpg"])
        self.assertTrue(all(Path(l["file"]).is_absolute() for l in lines))
        # write names each file given a line of its own, the same file reached again noted.
        a, soft = self.photos / "Canon_40D.jpg", self.photos / "soft.jpg"
        code, lines, _ = run("write", "--date", "2007:01:02", a, soft, a)
        self.assertEqual(code, 0, lines)
        self.assertEqual([l["file"] for l in lines], [str(a), str(soft), str(a)])
        self.assertEqual([bool(l.get("written")) for l in lines], [True, False, False])
        self.assertTrue(all("note" in l for l in lines[1:]))

    def test_names_that_are_not_utf8_give_valid_json(self):
        name = b"\xff\xfe ph\xe9to.jpg"
        path = os.path.join(bytes(self.photos), name)
        shutil.copy(PHOTOS / "Canon_40D.jpg", path)
        for args in (["info", path], ["set", "--date", "2006:12:24", "--log-dir", self.logs,
                                      path]):
            with self.subTest(args[0]):
                r = subprocess.run([CLI.encode(), *[a if isinstance(a, bytes) else
                                                    str(a).encode() for a in args]],
                                   capture_output=True)
                line = json.loads(r.stdout.decode("utf-8"))  # strict UTF-8 and JSON
                self.assertTrue(line["file"].endswith("\ufffd\ufffd ph\ufffdto.jpg"))
                self.assertEqual(bytes.fromhex(line["file_hex"]), path)

    def test_relative_paths_are_journaled_absolute(self):
        self.copies(names=["Canon_40D.jpg"])
        before = snapshot(self.photos)
        code, _, summary = run("set", "--date", "2006:12:24", "--log-dir", "../logs",
                               "Canon_40D.jpg", cwd=self.photos)
        self.assertEqual(code, 0)
        code, _, _ = run("undo", summary["journal"], cwd="/")
        self.assertEqual(code, 0)
        self.assertEqual(snapshot(self.photos), before)


class LogFolder(Photos):
    def test_the_log_folder_is_made_or_one_error_before_the_first_photo(self):
        self.copies()
        made = self.tmp / "new" / "logs"
        code, _, summary = run("set", "--date", "2006:12:24", "--log-dir", made, self.photos)
        self.assertEqual(code, 0)
        self.assertTrue(Path(summary["log"]).parent == made)
        shutil.rmtree(self.photos)
        self.photos.mkdir()
        self.copies()
        before = snapshot(self.photos)
        blocker = self.tmp / "blocker"
        blocker.write_text("x")
        code, lines, summary = run("set", "--date", "2006:12:24", "--log-dir", blocker,
                                   self.photos)
        self.assertEqual(code, 1)
        self.assertEqual(lines, [])  # not a single photo was tried
        self.assertEqual(summary["stopped"], 75)
        self.assertEqual(snapshot(self.photos), before)


class Skipped(Photos):
    def test_a_photo_whose_every_date_is_unsafe_is_reported_not_done(self):
        """Date entries whose type is not ASCII are stepped over; the photo is not 'done'."""
        data = bytearray((PHOTOS / "Canon_40D.jpg").read_bytes())
        base = data.index(b"Exif\0\0") + 6
        assert data[base:base + 2] == b"II"

        def entries(ifd):
            n = struct.unpack_from("<H", data, base + ifd)[0]
            return [base + ifd + 2 + 12 * k for k in range(n)]

        ifd0 = struct.unpack_from("<I", data, base + 4)[0]
        exif = None
        for e in entries(ifd0):
            tag = struct.unpack_from("<H", data, e)[0]
            if tag == 0x8769:
                exif = struct.unpack_from("<I", data, e + 8)[0]
        for e in entries(ifd0) + entries(exif):
            if struct.unpack_from("<H", data, e)[0] in (0x0132, 0x9003, 0x9004):
                struct.pack_into("<H", data, e + 2, 7)  # UNDEFINED
        (self.photos / "odd.jpg").write_bytes(bytes(data))
        code, lines, summary = run("set", "--date", "2006:12:24", "--log-dir", self.logs,
                                   self.photos)
        self.assertEqual(code, 1)
        self.assertFalse(lines[0]["changed"])
        self.assertIn("skipped", lines[0])
        self.assertEqual(read_quietly(self.photos / "odd.jpg"), bytes(data))


if __name__ == "__main__":
    unittest.main()
