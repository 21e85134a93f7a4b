"""Runs one unittest module for CTest: the exit status is 0 when every test passed, 1 when one
failed or none was found, and SKIPPED (the registration's SKIP_RETURN_CODE) when none failed
but some were skipped, so that a skip shows in CTest's report as one, not as a pass.

Usage: run_module.py MODULE"""

import os
import sys
import unittest

SKIPPED = 77


def main():
    (name,) = sys.argv[1:]
    sys.path.insert(0, os.getcwd())  # the module's folder, as `python3 -m unittest` has it
    suite = unittest.defaultTestLoader.loadTestsFromName(name)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    if not result.wasSuccessful() or result.testsRun == 0:
        return 1
    if result.skipped:
        print(f"{len(result.skipped)} of {result.testsRun} tests of {name} skipped", file=sys.stderr)
        return SKIPPED
    return 0


if __name__ == "__main__":
    sys.exit(main())
