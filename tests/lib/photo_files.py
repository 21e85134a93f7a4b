"""Reading photos in the tests without changing what is checked: bytes read without touching the
access time, and a folder's bytes and times taken at once."""

import os
from pathlib import Path


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


def snapshot(folder, recursive=False):
    """Bytes and times (ns) of every photo in folder, by name; with recursive, of every file
    below it by relative path, links left out."""
    out = {}
    found = Path(folder).rglob("*") if recursive else Path(folder).iterdir()
    for p in sorted(found):
        if p.is_file() and not (recursive and p.is_symlink()):
            st = p.stat()  # before the read, which must not change it anyway
            key = str(p.relative_to(folder)) if recursive else p.name
            out[key] = (read_quietly(p), st.st_mtime_ns, st.st_atime_ns)
    return out
