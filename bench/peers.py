#!/usr/bin/env python3
"""Re-dating many photos: tokimori-cli set against exiftool, jhead, exiv2 and a minimal C floor,
side by side, medians of several rounds on fresh copies; tokimori-cli shift and filetime against
exiftool and the floor; set over HEIC photos and MP4 movies of two sizes against exiftool and
the floor. Also checks that no tool changed a file's size and that each did its work. Prints
figures; it is not a test.

usage: peers.py TOKIMORI_CLI FLOOR PHOTOS_DIR [--rounds N] [--copies N] [--big N]
                [--formats DIR] [--only set|shift|filetime|copies|formats]"""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

NEW = "2006:12:24 10:00:00"


def make_big(photos, work):
    big = work / "big.jpg"
    subprocess.run(["convert", str(photos / "Canon_40D.jpg"), "-resize", "6000x4000!",
                    "-attenuate", "0.6", "+noise", "Gaussian", "-quality", "92", str(big)], check=True)
    subprocess.run(["exiftool", "-q", "-overwrite_original", "-TagsFromFile",
                    str(photos / "Canon_40D.jpg"), "-all:all", str(big)], check=True)
    return big


def copies(source, folder, n):
    if folder.exists():
        shutil.rmtree(folder)
    folder.mkdir()
    for i in range(n):
        shutil.copyfile(source, folder / f"P{i:05d}{source.suffix}")
    return sorted(folder.iterdir())


FLUSHES = ("fsync", "range", "syncfs")


def flushing(way, head):
    return lambda d, files: ["env", f"FLOOR_FLUSH={way}", *head, *map(str, files)]


def tools(cli, floor, work):
    when = str(int(time.mktime(time.strptime(NEW, "%Y:%m:%d %H:%M:%S"))))
    return {
        "tokimori-cli set": lambda d, files: [cli, "set", "--date", NEW[:10], "--time", NEW[11:],
                                             "--log-dir", str(work / "logs"), str(d)],
        "floor (C)": lambda d, files: [floor, NEW, when, str(work / "floor.log"), *map(str, files)],
        # The floor that also hands its photos to the disk, each of three ways (FLOOR_FLUSH).
        **{f"floor, {way}": flushing(way, [floor, NEW, when, str(work / "floor.log")])
           for way in FLUSHES},
        "exiftool": lambda d, files: ["exiftool", "-q", "-overwrite_original", f"-AllDates={NEW}",
                                      f"-FileModifyDate={NEW}", str(d)],
        "jhead": lambda d, files: ["jhead", "-q", "-ts" + NEW.replace(" ", "-"), "-ft",
                                   *map(str, files)],
        "exiv2": lambda d, files: ["exiv2", "-M", f"set Exif.Image.DateTime {NEW}",
                                   "-M", f"set Exif.Photo.DateTimeOriginal {NEW}",
                                   "-M", f"set Exif.Photo.DateTimeDigitized {NEW}",
                                   *map(str, files)],
    }


# Moving the camera photo's DateTimeOriginal (2008:10:22 16:28:39) by an hour.
ORIGINAL = "2008:10:22 16:28:39"
SHIFTED = "2008:10:22 17:28:39"


def local_seconds(text):
    return int(time.mktime(time.strptime(text, "%Y:%m:%d %H:%M:%S")))


def shift_tools(cli, floor, work):
    return {
        "tokimori-cli shift": lambda d, files: [cli, "shift", "--by", "+1:00", "--log-dir",
                                               str(work / "logs"), str(d)],
        "floor (C)": lambda d, files: [floor, SHIFTED, str(local_seconds(SHIFTED)),
                                       str(work / "floor.log"), *map(str, files)],
        "exiftool": lambda d, files: ["exiftool", "-q", "-overwrite_original", "-AllDates+=1:00",
                                      str(d)],
    }


def filetime_tools(cli, floor, work):
    return {
        "tokimori-cli filetime": lambda d, files: [cli, "filetime", "--log-dir",
                                                  str(work / "logs"), str(d)],
        "floor (C)": lambda d, files: [floor, "-", str(local_seconds(ORIGINAL)),
                                       str(work / "floor.log"), *map(str, files)],
        "exiftool": lambda d, files: ["exiftool", "-q", "-overwrite_original",
                                      "-FileModifyDate<DateTimeOriginal", str(d)],
    }


# The dates a HEIF photo's Exif item and a movie's headers (every track's) hold, exiftool's
# names; the photo's XMP copies are left alone, as set leaves them without --all-copies.
PHOTO_DATES = ("EXIF:ModifyDate", "EXIF:DateTimeOriginal", "EXIF:CreateDate")
MOVIE_DATES = tuple(f"QuickTime:{n}" for n in ("CreateDate", "ModifyDate", "TrackCreateDate",
                                               "TrackModifyDate", "MediaCreateDate",
                                               "MediaModifyDate"))


def make_movie(work, seconds):
    """An MP4 of about 1 MB a second (MPEG-4 video over noise, AAC sound), its header times
    2015-03-04 05:06:07 UTC, its moov box after the media data (as ffmpeg writes it)."""
    movie = work / f"movie{seconds}s.mp4"
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                    f"testsrc=d={seconds}:s=640x480:r=25,noise=alls=40:allf=t", "-f", "lavfi",
                    "-i", f"sine=d={seconds}", "-c:v", "mpeg4", "-b:v", "8M", "-maxrate", "8M",
                    "-bufsize", "2M", "-c:a", "aac", "-shortest", "-metadata",
                    "creation_time=2015-03-04T05:06:07Z", str(movie)], check=True)
    return movie


def dates_of(path, names):
    """Every tag among names in every group, as exiftool reads it (a movie's UTC times turned
    into local time)."""
    out = subprocess.run(["exiftool", "-j", "-a", "-G1", "-api", "QuickTimeUTC",
                          *[f"-{n}" for n in names], str(path)],
                         check=True, capture_output=True).stdout
    # A movie's times come with the zone's offset ("+09:00") after them.
    return {k: v[:19] for k, v in json.loads(out)[0].items() if k != "SourceFile"}


def redated(names, source):
    """Checks the first and last files hold NEW in every date the source holds, and that every
    file's modification time is NEW."""
    count = len(dates_of(source, names))

    def check(files):
        for f in (files[0], files[-1]):
            dates = dates_of(f, names)
            wrong = {k: v for k, v in dates.items() if v != NEW}
            if wrong or len(dates) != count:
                return f"left {f.name} with {wrong or dates}"
        return timed(NEW)(files)
    return check


def formats_tools(cli, floor, work, names):
    when = str(local_seconds(NEW))
    # exiftool told that the movie's times are UTC, so that it writes local NEW as UTC as
    # Tokimori does.
    utc = ["-api", "QuickTimeUTC"] if names is MOVIE_DATES else []
    return {
        "tokimori-cli set": tools(cli, floor, work)["tokimori-cli set"],
        "floor (C)": lambda d, files: [floor, "=", when, str(work / "floor.log"),
                                       *map(str, files)],
        "floor, syncfs": flushing("syncfs", [floor, "=", when, str(work / "floor.log")]),
        "exiftool": lambda d, files: [
            "exiftool", "-q", "-overwrite_original", *utc, *[f"-{n}={NEW}" for n in names],
            f"-FileModifyDate={NEW}", str(d)],
    }


def wrote(text):
    def check(files):
        return None if text.encode() in files[0].read_bytes()[:70000] else "did not write " + text
    return check


def timed(text):
    def check(files):
        want = local_seconds(text)
        wrong = [f for f in files if int(f.stat().st_mtime) != want]
        return f"left {len(wrong)} file times other than {text}" if wrong else None
    return check


def measure(name, command, source, n, rounds, work, check=wrote(NEW)):
    times = []
    size = source.stat().st_size
    for _ in range(rounds):
        d = work / "photos"
        files = copies(source, d, n)
        os.sync()
        start = time.perf_counter()
        r = subprocess.run(command(d, files), stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        times.append(time.perf_counter() - start)
        if r.returncode != 0:
            print(f"  {name} failed: {r.stderr.decode(errors='replace')[:200]}")
        wrong = [f.name for f in d.iterdir() if f.stat().st_size != size]
        if wrong:
            print(f"  {name} CHANGED THE SIZE of {len(wrong)} files")
        problem = check(files)
        if problem:
            print(f"  {name} {problem}")
    return statistics.median(times)


def compare(label, n, tools, source, rounds, work, check, ours, targets=("", ""),
            floor_check=None, flush_target=" (target: within 1.5x)"):
    """Times each tool and prints the figures, with the targets (texts) after the two ratios.
    The floors are checked by floor_check where given (a floor that writes no date)."""
    print(f"{n} copies of {label}, median of {rounds} rounds:")
    results = {}
    for name, command in tools.items():
        results[name] = measure(name, command, source, n, rounds, work,
                                floor_check if floor_check and name.startswith("floor") else check)
        print(f"  {name:22s} {results[name]:8.3f} s  {n / results[name]:10.0f} photos/s")
    print(f"  exiftool / tokimori: {results['exiftool'] / results[ours]:.0f}x{targets[0]}")
    print(f"  tokimori / floor:    {results[ours] / results['floor (C)']:.2f}x{targets[1]}")
    flushed = {n: t for n, t in results.items() if n.startswith("floor, ")}
    if flushed:
        best = min(flushed, key=flushed.get)
        print(f"  tokimori / the fastest flushing floor ({best[7:]}): "
              f"{results[ours] / flushed[best]:.2f}x{flush_target}; "
              f"durability costs the floor {flushed[best] / results['floor (C)']:.2f}x")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("cli")
    ap.add_argument("floor")
    ap.add_argument("photos", type=Path)
    ap.add_argument("--rounds", type=int, default=3)
    ap.add_argument("--copies", type=int, default=1000)
    ap.add_argument("--big", type=int, default=200)
    ap.add_argument("--formats", type=Path, help="the folder of IMG_5195.HEIC (default: "
                    "PHOTOS_DIR's neighbour formats)")
    ap.add_argument("--only", choices=("set", "shift", "filetime", "copies", "formats"))
    args = ap.parse_args()
    with tempfile.TemporaryDirectory(prefix="tokimori-bench-") as w:
        work = Path(w)
        (work / "logs").mkdir()
        camera = args.photos / "gps_DSCN0010.jpg"
        label = f"{camera.name} ({camera.stat().st_size // 1024} KB)"
        if args.only in (None, "set"):
            big = make_big(args.photos, work)
            for name, source, n in ((label, camera, args.copies),
                                    (f"24-megapixel photo ({big.stat().st_size / 1e6:.1f} MB)",
                                     big, args.big)):
                compare(name, n, tools(args.cli, args.floor, work), source, args.rounds, work,
                        wrote(NEW), "tokimori-cli set",
                        (" (target: at least 50x)", " (target: within 1.5x)"))
        if args.only in (None, "shift"):
            compare(label + ", shift --by +1:00", args.copies,
                    shift_tools(args.cli, args.floor, work), camera, args.rounds, work,
                    wrote(SHIFTED), "tokimori-cli shift")
        if args.only in (None, "filetime"):
            compare(label + ", file times from the shooting date", args.copies,
                    filetime_tools(args.cli, args.floor, work), camera, args.rounds, work,
                    timed(ORIGINAL), "tokimori-cli filetime")
        if args.only in (None, "copies"):
            # The 1000 copies of the camera photo (no XMP or IPTC: the segments are walked
            # only), and of a photo whose XMP packet holds three copies (5 KB, each parsed).
            logs = str(work / "logs")
            head = [args.cli, "set", "--date", NEW[:10], "--time", NEW[11:], "--log-dir", logs]
            every = [f"-{t}={NEW}" for t in ("AllDates", "XMP-exif:DateTimeOriginal",
                                             "XMP-xmp:CreateDate", "XMP-xmp:ModifyDate")]
            for source in (camera, args.photos / "Nikon_D70.jpg"):
                print(f"{args.copies} copies of {source.name} with the XMP and IPTC copies of "
                      f"the dates, median of {args.rounds} rounds:")
                results = {}
                for name, command in (
                        ("tokimori-cli set", lambda d, files: [*head, str(d)]),
                        ("tokimori-cli set --all-copies",
                         lambda d, files: [*head, "--all-copies", str(d)]),
                        ("exiftool, every copy",
                         lambda d, files: ["exiftool", "-q", "-overwrite_original", *every,
                                           f"-FileModifyDate={NEW}", str(d)])):
                    results[name] = measure(name, command, source, args.copies, args.rounds,
                                            work, wrote(NEW))
                    print(f"  {name:30s} {results[name]:8.3f} s")
                ours, plain = results["tokimori-cli set --all-copies"], results["tokimori-cli set"]
                print(f"  --all-copies / set: {ours / plain:.2f}x (target: within 1.3x); "
                      f"exiftool / --all-copies: {results['exiftool, every copy'] / ours:.0f}x")
        if args.only in (None, "formats"):
            # Through the boxes: the HEIC photo's Exif item, the movie's moov at the end. In
            # Tokyo's zone (every tool and check after this), so that a movie's UTC times differ
            # from the local ones.
            os.environ["TZ"] = "Asia/Tokyo"
            time.tzset()
            heic = (args.formats or args.photos.parent / "formats") / "IMG_5195.HEIC"
            for source, names, label in (
                    (heic, PHOTO_DATES, f"{heic.name} ({heic.stat().st_size / 1e6:.1f} MB)"),
                    *((m, MOVIE_DATES, f"an MP4 of {s} s ({m.stat().st_size / 1e6:.1f} MB)")
                      for s in (1, 20) for m in (make_movie(work, s),))):
                compare(label, args.big, formats_tools(args.cli, args.floor, work, names), source,
                        args.rounds, work, redated(names, source), "tokimori-cli set",
                        (" (target: at least 50x)", ""), timed(NEW), "")
    return 0


if __name__ == "__main__":
    sys.exit(main())
