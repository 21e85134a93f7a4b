"""tokimori-cli's command line: --opt=value, per-command help, --version, and the usage errors
(missing, bad, empty and repeated options) that must leave every photo as it was."""

import json
import os
import re
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from cli_run import CLI, run
from photo_files import PHOTOS
from project import VERSION, cli_options

COMMANDS = ("info", "write", "set", "shift", "filetime", "undo")
# A value of the right form for each valued option.
VALUES = {"--date": "2006:12:24", "--time": "10:00:00", "--only-date": "2008:05:30",
          "--by": "+1:00", "--reference": str(PHOTOS / "Canon_40D.jpg"),
          "--to": "2008:05:30 16:00:00"}
# The options a command cannot go without; a clock shift takes --reference and --to for --by.
REQUIRED = {"write": ["--date"], "set": ["--date"], "shift": ["--by"]}
CLOCK = ["--reference", "--to"]
PHOTO = object()  # where a command line takes the photo it must leave alone


class Photos(unittest.TestCase):
    """Copies of a real photo in a temporary folder, to see that nothing was written."""

    def setUp(self):
        self.dir = Path(tempfile.mkdtemp(prefix="tokimori-args-"))
        self.addCleanup(shutil.rmtree, self.dir)
        self.original = PHOTOS / "Canon_40D.jpg"

    def copy(self, name="a.jpg"):
        p = self.dir / name
        shutil.copy(self.original, p)
        os.utime(p, (1_000_000_000, 1_000_000_000))
        return p

    def assert_untouched(self, photo):
        self.assertEqual(photo.read_bytes(), self.original.read_bytes())
        self.assertEqual(photo.stat().st_mtime, 1_000_000_000)


class Version(unittest.TestCase):
    def test_version_is_the_projects(self):
        r = run("--version")
        self.assertEqual((r.returncode, r.stdout, r.stderr), (0, VERSION + "\n", ""))

    def test_output_that_cannot_be_written_fails(self):
        with open("/dev/full", "w") as full:
            for args in (["--version"], ["set", "--help"], ["info", PHOTOS / "Canon_40D.jpg"]):
                with self.subTest(args):
                    r = subprocess.run([CLI, *map(str, args)], stdout=full, stderr=subprocess.PIPE,
                                       text=True)
                    self.assertEqual(r.returncode, 1)
                    self.assertIn("cannot write", r.stderr)


class CommandHelp(unittest.TestCase):
    def test_each_command_documents_itself(self):
        for command in COMMANDS:
            with self.subTest(command):
                r = run(command, "--help")
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertEqual(r.stderr, "")
                self.assertTrue(r.stdout.startswith(f"usage: tokimori-cli {command} "), r.stdout)
                self.assertIn("Exit codes: 0", r.stdout)
                # Every option in the synopsis is explained below it, and nothing more.
                synopsis = r.stdout.split("\n\n")[0]
                in_synopsis = set(re.findall(r"--[a-z-]+", synopsis))
                self.assertEqual(set(cli_options(CLI, command)) - {"--help"}, in_synopsis)
                for line in r.stdout.splitlines():
                    self.assertLessEqual(len(line), 80, line)
                # The same text for -h, for "help COMMAND" and after other options.
                self.assertEqual(run(command, "-h").stdout, r.stdout)
                self.assertEqual(run("help", command).stdout, r.stdout)
                self.assertEqual(run(command, "x.jpg", "--help").stdout, r.stdout)

    def test_a_value_that_looks_like_an_option_is_a_value(self):
        # "--by -8:00" is an offset, and "--date --help" asks for no help.
        self.assertEqual(run("shift", "--by", "-8:00", "--help").stdout,
                         run("shift", "--help").stdout)
        r = run("set", "--date", "--help", "x.jpg")
        self.assertEqual(r.returncode, 2)
        self.assertEqual(r.stdout, "")

    def test_help_after_the_end_of_options_is_a_path(self):
        with tempfile.TemporaryDirectory() as d:
            r = run("info", "--", "--help", cwd=d)
            self.assertEqual(r.returncode, 1)
            self.assertEqual(r.stdout, "")
            self.assertEqual([json.loads(line)["file"] for line in r.stderr.splitlines()],
                             ["--help"])

    def test_overview_names_every_command(self):
        r = run("--help")
        self.assertEqual(r.returncode, 0)
        for command in COMMANDS:
            self.assertIn(f"tokimori-cli {command} ", r.stdout)
            self.assertRegex(r.stdout, rf"\n{command} +\S")

    def test_every_option_in_the_help_is_accepted(self):
        with tempfile.TemporaryDirectory() as d:
            missing = Path(d) / "missing.jpg"
            for command in COMMANDS:
                for option, valued in cli_options(CLI, command).items():
                    if option == "--help":
                        continue
                    required = CLOCK if option in CLOCK else REQUIRED.get(command, [])
                    args = [command]
                    for r in required:
                        if r != option:
                            args += [r, VALUES[r]]
                    args.append(option)
                    if valued:
                        args.append(VALUES.get(option, d))
                    with self.subTest(args):
                        r = run(*args, "--dry-run" if command != "write" and
                                option != "--dry-run" else "--", missing)
                        self.assertNotIn("unknown option", r.stderr)
                        self.assertEqual(r.returncode, 1, r.stderr)


class JoinedValues(Photos):
    def test_joined_and_separate_values_do_the_same(self):
        apart, joined = self.copy("apart.jpg"), self.copy("joined.jpg")
        a = run("write", "--date", "2006:12:24", "--time", "10:00:00", "--only-date", "2008:05:30",
                apart)
        j = run("write", "--date=2006:12:24", "--time=10:00:00", "--only-date=2008:05:30", joined)
        self.assertEqual((a.returncode, j.returncode), (0, 0), a.stderr + j.stderr)
        self.assertEqual(a.stdout.replace("apart", "joined"), j.stdout)
        self.assertEqual(apart.read_bytes(), joined.read_bytes())
        self.assertNotEqual(apart.read_bytes(), self.original.read_bytes())

    def test_joined_log_dir_holds_the_journal(self):
        photo, logs = self.copy(), self.dir / "logs"
        logs.mkdir()
        r = run("set", "--date=2006:12:24", "--time=10:00:00", f"--log-dir={logs}", photo)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(len(list(logs.glob("*.journal"))), 1)
        self.assertEqual(len(list(logs.glob("Date*.log"))), 1)

    def test_only_the_first_equals_sign_splits(self):
        # "--log-dir=a=b" names the folder "a=b".
        photo, logs = self.copy(), self.dir / "a=b"
        logs.mkdir()
        r = run("set", "--date", "2006:12:24", f"--log-dir={logs}", photo)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(len(list(logs.glob("*.journal"))), 1)

    def test_a_path_after_the_end_of_options(self):
        photo = self.copy("--date=1999:01:01.jpg")
        r = run("write", "--date", "2006:12:24", "--", photo.name, cwd=self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertNotEqual(photo.read_bytes(), self.original.read_bytes())


class UsageErrors(Photos):
    """Bad command lines exit 2 with a usage message, print nothing on stdout and change
    nothing."""

    def test_bad_command_lines(self):
        photo, logs = self.copy(), self.dir / "logs"
        logs.mkdir()
        day = ["--date", "2006:12:24"]
        cases = [  # the arguments, and what the message says
            ([], ""),
            (["frobnicate", "--", PHOTO], "unknown command frobnicate"),
            (["info"], "info needs at least one FILE"),
            (["undo"], "undo needs a JOURNAL"),
            (["write", "--", PHOTO], "write needs --date"),
            (["set", "--time=10:00:00", "--", PHOTO], "set needs --date"),
            (["shift", "--", PHOTO], "shift needs --by"),
            (["write", *day], "write needs at least one FILE"),
            (["set", *day], "set needs at least one PATH"),
            (["write", "--date"], "--date needs a value"),
            (["set", *day, "--time", "10:00:00", "--keep-time", "--", PHOTO], "exclude each other"),
            (["write", *day, "--dates=2006:12:24", "--", PHOTO], "unknown option --dates"),
            (["set", *day, "--bogus", "--", PHOTO], "unknown option --bogus"),
            (["info", "--json", "--", PHOTO], "unknown option --json"),
            *((["write", "--date", d, "--", PHOTO], "--date is a real date")
              for d in ("2006-12-24", "2006:02:30")),
            (["set", "--date", "2006:02:30", "--", PHOTO], "--date is a real date"),
            *(([c, *day, "--time", t, "--", PHOTO], "--time is hh:mm:ss")
              for c, t in (("write", "25"), ("write", "24:61:99"), ("write", "10:00"),
                           ("set", "25:00:00"))),
            (["write", *day, "--only-date", "2008:13:01", "--", PHOTO], "--only-date is a real date"),
            (["shift", "--by", "+1:00", "--reference", PHOTO, "--to", "gps", "--", PHOTO],
             "--by and --reference exclude each other"),
            (["shift", "--reference", PHOTO, "--", PHOTO], "--reference needs --to"),
            (["shift", "--to", "gps", "--", PHOTO], "--to needs --reference"),
            (["shift", "--reference", PHOTO, "--to", "2008:05:30", "--", PHOTO], "--to is the true"),
            # References that give no clock error: they change nothing either.
            (["shift", "--reference", PHOTO, "--to", "gps", "--", PHOTO], "has no GPS date and time"),
            *((["shift", "--reference", PHOTOS / name, "--to", "2008:05:30 16:00:00", "--", PHOTO],
               why) for name, why in (("tests_67-0_length_string.jpg", "has no DateTimeOriginal"),
                                      ("orientation_landscape_1.jpg", "names no camera"),
                                      ("missing.jpg", "cannot be read"))),
            *((["shift", "--by", by, "--", PHOTO], "--by is")
              for by in ("+", "9", "1h", "9:60", "+1d 2:00", "--1d", "1d1d", "tomorrow")),
            *(([*args, "--", PHOTO], "needs a value")
              for args in (["write", "--date", ""], ["write", "--date="],
                           ["write", *day, "--time", ""], ["write", *day, "--time="],
                           ["set", *day, "--time", ""], ["set", *day, "--only-date="],
                           ["set", *day, "--log-dir", ""], ["shift", "--by", ""])),
            *(([*args, "--", PHOTO], "given twice")
              for args in (["write", *day, "--date", "2006:12:25"],
                           ["write", "--date=2006:12:24", *day],
                           ["write", *day, "--time", "10:00:00", "--time=11:00:00"],
                           ["set", *day, "--log-dir", logs, "--log-dir", logs],
                           ["set", *day, "--keep-time", "--keep-time"],
                           ["set", *day, "--no-log", "--no-log"])),
            *(([*args, "--", PHOTO], "takes no value")
              for args in (["set", *day, "--keep-time=yes"], ["set", *day, "--dry-run="])),
        ]
        for args, why in cases:
            with self.subTest(args):
                r = run(*(photo if a is PHOTO else a for a in args))
                self.assertEqual(r.returncode, 2, r.stderr)
                self.assertEqual(r.stdout, "")
                self.assertIn(why, r.stderr)
                self.assertIn("usage:", r.stderr)
                self.assert_untouched(photo)
                self.assertEqual(list(logs.iterdir()), [])


if __name__ == "__main__":
    unittest.main()
