#!/usr/bin/env python3
"""Re-dating many photos: tokimori-cli set against exiftool, jhead, exiv2 and a minimal C floor,
side by side, medians of several rounds on fresh copies; tokimori-cli shift and filetime against
exiftool and the floor. Also checks that no tool changed a file's size and that each did its
work. Prints figures; it is not a test.

usage: peers.py TOKIMORI_CLI FLOOR PHOTOS_DIR [--rounds N] [--copies N] [--big N]
                [--only set|shift|filetime|copies]"""

import argparse
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
        shutil.copyfile(source, folder / f"P{i:05d}.jpg")
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


def compare(label, n, tools, source, rounds, work, check, ours, targets=("", "")):
    """Times each tool and prints the figures, with the targets (texts) after the two ratios."""
    print(f"{n} copies of {label}, median of {rounds} rounds:")
    results = {}
    for name, command in tools.items():
        results[name] = measure(name, command, source, n, rounds, work, check)
        print(f"  {name:22s} {results[name]:8.3f} s  {n / results[name]:10.0f} photos/s")
    print(f"  exiftool / tokimori: {results['exiftool'] / results[ours]:.0f}x{targets[0]}")
    print(f"  tokimori / floor:    {results[ours] / results['floor (C)']:.2f}x{targets[1]}")
    flushed = {n: t for n, t in results.items() if n.startswith("floor, ")}
    if flushed:
        best = min(flushed, key=flushed.get)
        print(f"  tokimori / the fastest flushing floor ({best[7:]}): "
              f"{results[ours] / flushed[best]:.2f}x (target: within 1.5x); "
              f"durability costs the floor {flushed[best] / results['floor (C)']:.2f}x")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("cli")
    ap.add_argument("floor")
    ap.add_argument("photos", type=Path)
    ap.add_argument("--rounds", type=int, default=3)
    ap.add_argument("--copies", type=int, default=1000)
    ap.add_argument("--big", type=int, default=200)
    ap.add_argument("--only", choices=("set", "shift", "filetime", "copies"))
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
    return 0


if __name__ == "__main__":
    sys.exit(main())
