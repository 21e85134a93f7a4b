#!/usr/bin/env python3
"""Re-dating many photos: tokimori-cli set against exiftool, jhead, exiv2 and a minimal C floor,
side by side, medians of several rounds on fresh copies. Also checks that no tool changed a
file's size. Prints figures; it is not a test.

usage: peers.py TOKIMORI_CLI FLOOR PHOTOS_DIR [--rounds N] [--copies N] [--big N]"""

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


def tools(cli, floor, work):
    when = str(int(time.mktime(time.strptime(NEW, "%Y:%m:%d %H:%M:%S"))))
    return {
        "tokimori-cli set": lambda d, files: [cli, "set", "--date", NEW[:10], "--time", NEW[11:],
                                             "--log-dir", str(work / "logs"), str(d)],
        "floor (C)": lambda d, files: [floor, NEW, when, str(work / "floor.log"), *map(str, files)],
        "exiftool": lambda d, files: ["exiftool", "-q", "-overwrite_original", f"-AllDates={NEW}",
                                      f"-FileModifyDate={NEW}", str(d)],
        "jhead": lambda d, files: ["jhead", "-q", "-ts" + NEW.replace(" ", "-"), "-ft",
                                   *map(str, files)],
        "exiv2": lambda d, files: ["exiv2", "-M", f"set Exif.Image.DateTime {NEW}",
                                   "-M", f"set Exif.Photo.DateTimeOriginal {NEW}",
                                   "-M", f"set Exif.Photo.DateTimeDigitized {NEW}",
                                   *map(str, files)],
    }


def measure(name, command, source, n, rounds, work):
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
        if NEW.encode() not in files[0].read_bytes()[:70000]:
            print(f"  {name} did not write the new date")
    return statistics.median(times)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("cli")
    ap.add_argument("floor")
    ap.add_argument("photos", type=Path)
    ap.add_argument("--rounds", type=int, default=3)
    ap.add_argument("--copies", type=int, default=1000)
    ap.add_argument("--big", type=int, default=200)
    args = ap.parse_args()
    with tempfile.TemporaryDirectory(prefix="tokimori-bench-") as w:
        work = Path(w)
        (work / "logs").mkdir()
        camera = args.photos / "gps_DSCN0010.jpg"
        big = make_big(args.photos, work)
        for label, source, n in ((f"{camera.name} ({camera.stat().st_size // 1024} KB)", camera, args.copies),
                                 (f"24-megapixel photo ({big.stat().st_size / 1e6:.1f} MB)", big, args.big)):
            print(f"{n} copies of {label}, median of {args.rounds} rounds:")
            results = {}
            for name, command in tools(args.cli, args.floor, work).items():
                results[name] = measure(name, command, source, n, args.rounds, work)
                print(f"  {name:18s} {results[name]:8.3f} s  {n / results[name]:10.0f} photos/s")
            ours = results["tokimori-cli set"]
            print(f"  exiftool / tokimori: {results['exiftool'] / ours:.0f}x (target: at least 50x)")
            print(f"  tokimori / floor:    {ours / results['floor (C)']:.2f}x (target: within 1.5x)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
