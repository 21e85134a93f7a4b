"""Photos in the tests: copies of the shared test photos with old times of their own, and what a
folder holds (bytes and times) taken at once, read without touching the access time."""

import os
import shutil
from pathlib import Path

PHOTOS = Path(os.environ["TOKIMORI_PHOTOS"])


def copy_photos(folder, names, numbered=False):
    """Copies of the named test photos in folder, numbered "00000_NAME" … when asked (a name may
    then come more than once), each with a distinct old time to the nanosecond, so that putting
    a time back must be exact. Their paths."""
    paths = []
    for i, name in enumerate(names):
        dest = Path(folder) / (f"{i:05d}_{name}" if numbered else name)
        shutil.copy(PHOTOS / name, dest)
        t = 1_300_000_000_000_000_000 + i * 86_400_123_456_789
        os.utime(dest, ns=(t + 5, t))
        paths.append(dest)
    return paths


def read_quietly(path):
    """The bytes of a file, read without touching its access time."""
    fd = os.open(path, os.O_RDONLY | getattr(os, "O_NOATIME", 0))
    try:
        chunks = []
        while chunk := os.read(fd, 1 << 20):
            chunks.append(chunk)
        return b"".join(chunks)
    finally:
        os.close(fd)


def snapshot(folder, recursive=False, atime=True):
    """Bytes and times (ns) of every photo in folder, by name; with recursive, of every file
    below it by relative path, links left out; without atime, the last-write time alone (for
    tests that read the photos with other tools between two snapshots). A folder that is not
    there or holds no file fails the test: two of them would compare equal."""
    out = {}
    found = Path(folder).rglob("*") if recursive else Path(folder).iterdir()
    for p in sorted(found):
        if p.is_file() and not (recursive and p.is_symlink()):
            st = p.stat()  # before the read, which must not change it anyway
            key = str(p.relative_to(folder)) if recursive else p.name
            times = (st.st_mtime_ns, st.st_atime_ns) if atime else (st.st_mtime_ns,)
            out[key] = (read_quietly(p), *times)
    if not out:
        raise AssertionError(f"no files in {folder} to compare")
    return out
