"""The tally the Python test scripts keep: check() records a check and
prints what failed; finish() prints the closing count and exits with it."""
import sys


class Checks(object):
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def __call__(self, ok, what):
        if ok:
            self.passed += 1
        else:
            self.failed += 1
            print("FAILED: " + what)

    def finish(self):
        print("%d passed, %d failed" % (self.passed, self.failed))
        sys.exit(1 if self.failed else 0)
