"""tokimori-cli as the tests start it, and what it said: its exit code, its output, the JSON
lines it prints and the summary line it ends stderr with."""

import json
import os
import subprocess

CLI = os.environ.get("TOKIMORI_CLI", "tokimori-cli")
# The command line with its failure-injection seam open (tests/cli/faults_main.cpp).
FAULTS = os.environ.get("TOKIMORI_CLI_FAULTS", "")


class Ran:
    """A finished run; `code, lines, summary = run(...)` takes it apart, run(...)[0] is the
    code."""

    def __init__(self, completed):
        self.returncode = completed.returncode
        self.stdout = completed.stdout
        self.stderr = completed.stderr

    @property
    def lines(self):
        """The JSON object of each line on stdout."""
        return [json.loads(line) for line in self.stdout.splitlines()]

    @property
    def summary(self):
        """The JSON summary that ends stderr; {} when there is none."""
        err = self.stderr.splitlines()
        return json.loads(err[-1]) if err and err[-1].startswith("{") else {}

    def __iter__(self):
        return iter((self.returncode, self.lines, self.summary))

    def __getitem__(self, i):
        return tuple(self)[i]


def run(*args, fault=None, check=False, env=None, **kw):
    """tokimori-cli with args (texts or paths). With fault ("site:n:kind", e.g.
    "journal-append:3:short") the failure-injection build, failing there. With check a non-zero
    exit fails the test. Other keywords (cwd, …) go to subprocess.run."""
    if fault:
        env = dict(env or os.environ, TOKIMORI_FAULT=fault)
    r = subprocess.run([FAULTS if fault else CLI, *map(str, args)], capture_output=True,
                       encoding="utf-8", env=env, **kw)
    if check and r.returncode != 0:
        raise AssertionError(f"tokimori-cli {' '.join(map(str, args))} exited {r.returncode}: "
                             f"{r.stderr}")
    return Ran(r)
