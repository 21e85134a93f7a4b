"""tokimori --version and --help answer without a display: no window, no Qt platform."""

import os
import subprocess
import unittest

from project import VERSION

PROGRAM = os.environ["TOKIMORI_PROGRAM"]


def without_display():
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR")}
    env["QT_QPA_PLATFORM"] = "xcb"  # a platform that cannot start here: Qt must not be asked
    return env


class Version(unittest.TestCase):
    def test_version_without_a_display(self):
        r = subprocess.run([PROGRAM, "--version"], capture_output=True, text=True,
                           env=without_display(), timeout=30)
        self.assertEqual((r.returncode, r.stdout, r.stderr), (0, VERSION + "\n", ""))

    def test_help_without_a_display(self):
        r = subprocess.run([PROGRAM, "--help"], capture_output=True, text=True,
                           env=without_display(), timeout=30)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(r.stdout.startswith("usage: tokimori "))
        self.assertIn("tokimori-cli", r.stdout)

    def test_without_those_options_the_program_needs_its_platform(self):
        # The check above means something: the same start without --version fails.
        r = subprocess.run([PROGRAM], capture_output=True, text=True, env=without_display(),
                           timeout=30)
        self.assertNotEqual(r.returncode, 0)

    def test_version_that_cannot_be_written_fails(self):
        with open("/dev/full", "w") as full:
            r = subprocess.run([PROGRAM, "--version"], stdout=full, stderr=subprocess.PIPE,
                               text=True, env=without_display(), timeout=30)
        self.assertEqual(r.returncode, 1)
        self.assertIn("cannot write", r.stderr)


if __name__ == "__main__":
    unittest.main()
