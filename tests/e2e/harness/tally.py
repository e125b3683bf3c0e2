"""One line a case and the closing "N passed, N failed" line, the same for
every suite that scripts/test reads."""

import sys


class Tally:
    def __init__(self):
        self.passed = self.failed = 0

    def case(self, name, problems, seconds, outputs=None):
        print("%s %s (%.1f s)" % ("FAIL" if problems else "ok  ", name, seconds))
        for p in problems:
            print("    " + p.rstrip().replace("\n", "\n    "))
        if problems and outputs:
            print("    outputs: " + outputs)
        self.passed, self.failed = self.passed + (not problems), self.failed + bool(problems)
        sys.stdout.flush()

    def close(self):
        print("%d passed, %d failed" % (self.passed, self.failed))
        return 0 if self.failed == 0 else 1
