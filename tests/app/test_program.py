"""The program as a user starts it: it opens the last folder, and the end of the session
(SIGTERM) closes it like its close box, so its settings are saved."""

import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

PROGRAM = os.environ["TOKIMORI_PROGRAM"]
PHOTOS = Path(os.environ["TOKIMORI_PHOTOS"])


class SessionEnd(unittest.TestCase):
    def test_sigterm_saves_the_settings(self):
        with tempfile.TemporaryDirectory() as home:
            config = Path(home) / "config"
            runtime = Path(home) / "runtime"
            photos = Path(home) / "photos"
            (config / "Tokimori").mkdir(parents=True)
            runtime.mkdir(mode=0o700)
            photos.mkdir()
            shutil.copy(PHOTOS / "Canon_40D.jpg", photos / "a.jpg")
            conf = config / "Tokimori" / "Tokimori.conf"
            conf.write_text(f"[Tokimori]\nDefPath={photos}\nWTOP=1215\n")
            env = dict(os.environ, XDG_CONFIG_HOME=str(config), XDG_RUNTIME_DIR=str(runtime),
                       QT_QPA_PLATFORM="offscreen")
            p = subprocess.Popen([PROGRAM], env=env, stdout=subprocess.PIPE,
                                 stderr=subprocess.STDOUT)
            # The single-copy lock appears when start-up begins; the session may end any time
            # after that, even before the window shows.
            deadline = time.monotonic() + 60
            while not (runtime / "tokimori.lock").exists() and time.monotonic() < deadline:
                self.assertIsNone(p.poll(), "the program ended by itself")
                time.sleep(0.05)
            self.assertTrue((runtime / "tokimori.lock").exists())
            p.send_signal(signal.SIGTERM)
            out, _ = p.communicate(timeout=20)
            self.assertEqual(p.returncode, 0, out.decode(errors="replace"))
            text = conf.read_text()
            self.assertIn(f"DefPath={photos}", text)
            self.assertIn("WWidth=", text)
            self.assertIn("WTOP=1215", text)


if __name__ == "__main__":
    unittest.main()
