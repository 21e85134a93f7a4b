"""The files the package installs, as the desktop's and Debian's own tools check them: the menu
entry, the AppStream metainfo, the man pages and the bash completion."""

import configparser
import datetime
import email.utils
import gzip
import os
import re
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ET
from pathlib import Path

from project import RELEASE_DATE, SOURCE, VERSION, cli_commands, cli_options, run

CLI = os.environ["TOKIMORI_CLI"]
MADE = Path(os.environ["TOKIMORI_MADE"])  # what the build made from data/
DESKTOP = SOURCE / "data" / "tokimori.desktop"
LANG = "{http://www.w3.org/XML/1998/namespace}lang"


class DesktopEntry(unittest.TestCase):
    def test_validates(self):
        r = run("desktop-file-validate", DESKTOP)
        self.assertEqual((r.returncode, r.stdout + r.stderr), (0, ""))

    def test_names_and_categories(self):
        entry = configparser.ConfigParser(interpolation=None, strict=True)
        entry.optionxform = str
        entry.read(DESKTOP, encoding="utf-8")
        e = entry["Desktop Entry"]
        self.assertEqual(e["Name"], "Tokimori")
        self.assertIn("時守", e["Name[ja]"])
        self.assertEqual(e["Categories"], "Graphics;Photography;")
        self.assertEqual(e["Exec"], "tokimori")  # it opens no file given to it ...
        self.assertNotIn("MimeType", e)  # ... so it claims no file type
        self.assertEqual(e["Icon"], "tokimori")
        for size in (48, 64, 128, 256):
            png = MADE / "icons" / f"{size}x{size}" / "tokimori.png"
            out = run("file", "-b", png).stdout
            self.assertIn(f"PNG image data, {size} x {size}", out)


class MetaInfo(unittest.TestCase):
    def files(self):
        shipped = list(MADE.glob("*.metainfo.xml"))
        with_links = list((MADE / "with-links").glob("*.metainfo.xml"))
        self.assertEqual((len(shipped), len(with_links)), (1, 1))
        return shipped[0], with_links[0]

    def test_validates_without_network(self):
        for path in self.files():
            with self.subTest(path.parent.name):
                r = run("appstreamcli", "validate", "--no-net", path)
                self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
                self.assertNotRegex(r.stdout, r"(?m)^[EW]:")

    def test_names_the_project_release_and_license(self):
        shipped, _ = self.files()
        root = ET.parse(shipped).getroot()
        self.assertEqual(shipped.name, root.findtext("id") + ".metainfo.xml")
        self.assertEqual(root.get("type"), "desktop-application")
        self.assertEqual(root.find("launchable").text, DESKTOP.name)
        release = root.find("releases/release")
        self.assertEqual((release.get("version"), release.get("date")), (VERSION, RELEASE_DATE))
        self.assertEqual(root.findtext("project_license"), "LicenseRef-proprietary")
        self.assertIsNotNone(root.find("content_rating[@type='oars-1.1']"))
        for tag in ("summary", "description/p"):
            langs = {e.get(LANG) for e in root.findall(tag)}
            self.assertEqual(langs, {None, "ja"}, tag)
        self.assertEqual({b.text for b in root.findall("provides/binary")},
                         {"tokimori", "tokimori-cli"})

    def test_screenshot_when_its_address_is_given(self):
        shipped, with_links = self.files()
        self.assertIsNone(ET.parse(shipped).getroot().find("screenshots"))
        shot = ET.parse(with_links).getroot().find("screenshots/screenshot")
        self.assertEqual(shot.get("type"), "default")
        self.assertTrue(shot.findtext("image").startswith("https://"))
        self.assertEqual({c.get(LANG) for c in shot.findall("caption")}, {None, "ja"})


class ManPages(unittest.TestCase):
    PAGES = ("tokimori", "tokimori-cli")

    def page(self, name):
        return MADE / "man" / f"{name}.1"

    def test_render_without_warnings(self):
        # As a user's man does, and as lintian does (UTF-8 in, UTF-8 out).
        for name in self.PAGES:
            for how in (["man", "--warnings", "-l"],
                        ["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z"]):
                with self.subTest(name=name, how=how):
                    env = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80")
                    r = subprocess.run([*how, str(self.page(name))], capture_output=True,
                                       text=True, env=env)
                    self.assertEqual((r.returncode, r.stderr), (0, ""))
                    self.assertGreater(len(r.stdout), 1000)

    def test_command_line_page_is_plain_ascii(self):
        # It renders in any locale; the window's page names its Japanese captions.
        text = self.page("tokimori-cli").read_bytes()
        self.assertTrue(text.isascii())
        r = subprocess.run(["man", "--warnings", "-l", str(self.page("tokimori-cli"))],
                           capture_output=True, text=True, env=dict(os.environ, LC_ALL="C"))
        self.assertEqual(r.stderr, "")

    def test_heading_has_version_and_date(self):
        for name in self.PAGES:
            heading = next(line for line in self.page(name).read_text().splitlines()
                           if line.startswith(".TH "))
            self.assertEqual(heading, f'.TH {name.upper()} 1 "{RELEASE_DATE}" '
                                      f'"Tokimori {VERSION}" "User Commands"')

    def test_every_command_and_option_is_described(self):
        source = self.page("tokimori-cli").read_text().replace("\\-", "-")
        sections = re.split(r"(?m)^\.S[HS] ", source)
        common = next(s for s in sections if s.startswith("OPTIONS"))
        commands = cli_commands(CLI)
        self.assertEqual(set(commands), {"info", "write", "set", "shift", "filetime", "undo"})
        for command in commands:
            with self.subTest(command):
                own = next(s for s in sections if s.startswith(f'"{command} '))
                synopsis = next(s for s in source.split(".SY tokimori-cli\n")
                                if s.startswith(f".B {command}\n"))
                for option in cli_options(CLI, command):
                    if option != "--help":
                        self.assertIn(option, synopsis)
                    self.assertTrue(option in own or option in common, option)
        for part in ("EXIT STATUS", "FILES", "EXAMPLES"):
            self.assertIn(f'\n.SH "{part}"' if " " in part else f"\n.SH {part}", source)
        self.assertIn("~/.local/share/Tokimori", source)
        self.assertIn("$XDG_DATA_HOME/Tokimori", source)

    def test_compressed_as_debian_wants(self):
        # gzip -9 -n: no file name, no time stamp, so the package is reproducible.
        for name in (*(f"man/{p}.1" for p in self.PAGES), "changelog"):
            with self.subTest(name):
                gz = (MADE / f"{name}.gz").read_bytes()
                self.assertEqual(gz[:3], b"\x1f\x8b\x08")
                self.assertEqual(gz[3] & 0x08, 0, "holds a file name")
                self.assertEqual(gz[4:8], b"\0\0\0\0", "holds a time stamp")
                self.assertEqual(gz[8], 2, "not compressed with -9")
                self.assertEqual(gzip.decompress(gz), (MADE / name).read_bytes())


class Changelog(unittest.TestCase):
    def test_names_the_release_and_its_date(self):
        text = (MADE / "changelog").read_text()
        self.assertTrue(text.startswith(f"tokimori ({VERSION}) "))
        date = datetime.datetime.strptime(RELEASE_DATE, "%Y-%m-%d").replace(
            tzinfo=datetime.timezone.utc)
        self.assertIn(f">  {email.utils.format_datetime(date)}\n", text)
        r = run("dpkg-parsechangelog", "-l", MADE / "changelog", "-S", "Version")
        self.assertEqual((r.returncode, r.stdout, r.stderr), (0, VERSION + "\n", ""))


class Completion(unittest.TestCase):
    """The bash completion, run by bash-completion as a shell would, in a folder of sample files."""

    SCRIPT = r'''
source /usr/share/bash-completion/bash_completion
source "$COMPLETION"
for line in "$@"; do
  COMP_LINE=$line COMP_POINT=${#line}
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1)) COMPREPLY=()
  _tokimori_cli tokimori-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[*]}"
done
'''

    def complete(self, *lines):
        with tempfile.TemporaryDirectory() as d:
            for name in ("a.jpg", "b.JPEG", "notes.txt", "run.journal"):
                Path(d, name).touch()
            Path(d, "sub").mkdir()
            env = dict(os.environ, COMPLETION=str(SOURCE / "data/tokimori-cli.bash-completion"))
            r = subprocess.run(["bash", "-c", self.SCRIPT, "bash", *lines], capture_output=True,
                               text=True, env=env, cwd=d)
            self.assertEqual(r.returncode, 0, r.stderr)
            return [set(words.split()) for words in r.stdout.split("\n")[:len(lines)]]

    def test_commands_are_the_programs(self):
        (got,) = self.complete("tokimori-cli ")
        self.assertEqual(got, set(cli_commands(CLI)) | {"help"})
        self.assertEqual(self.complete("tokimori-cli s")[0], {"set", "shift"})

    def test_options_are_each_commands(self):
        commands = cli_commands(CLI)
        got = self.complete(*(f"tokimori-cli {c} --" for c in commands))
        for command, options in zip(commands, got):
            with self.subTest(command):
                self.assertEqual(options, set(cli_options(CLI, command)))

    def test_paths(self):
        log_dir, photos, journals, value = self.complete(
            "tokimori-cli set --log-dir ", "tokimori-cli set --date 2006:12:24 ",
            "tokimori-cli undo ", "tokimori-cli shift --by ")
        self.assertEqual(log_dir, {"sub"})
        self.assertEqual(photos, {"a.jpg", "b.JPEG", "sub"})
        self.assertEqual(journals, {"run.journal", "sub"})
        self.assertEqual(value, set())


if __name__ == "__main__":
    unittest.main()
