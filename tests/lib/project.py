"""What the Python tests share: the project's version and release date as the top CMakeLists.txt
gives them, and the commands and options that tokimori-cli's own help lists."""

import os
import re
import subprocess
from pathlib import Path

SOURCE = Path(os.environ["TOKIMORI_SOURCE"])

_top = (SOURCE / "CMakeLists.txt").read_text()
VERSION = re.search(r"project\(Tokimori VERSION (\d+\.\d+\.\d+)", _top).group(1)
RELEASE_DATE = re.search(r'set\(TOKIMORI_RELEASE_DATE "(\d{4}-\d\d-\d\d)"\)', _top).group(1)


def run(*args, **kw):
    return subprocess.run([*map(str, args)], capture_output=True, text=True, **kw)


def cli_commands(cli):
    """The commands that `tokimori-cli --help` lists, one per line under the synopses. A help
    in which none is found fails the test: every check over them would pass unchecked."""
    commands = re.findall(r"^([a-z]+) {2,}\S", run(cli, "--help").stdout, re.M)
    if not commands:
        raise AssertionError(f"no commands found in {cli} --help")
    return commands


def cli_options(cli, command):
    """The options that `tokimori-cli COMMAND --help` lists, each with whether it takes a value
    (at least --help itself, or the test fails)."""
    options = {}
    for line in run(cli, command, "--help").stdout.splitlines():
        m = re.match(r"  (?:-h, )?(--[a-z-]+)( [A-Za-z:]+)?  ", line)
        if m:
            options[m.group(1)] = m.group(2) is not None
    if "--help" not in options:
        raise AssertionError(f"no options found in {cli} {command} --help")
    return options
