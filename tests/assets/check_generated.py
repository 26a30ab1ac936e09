#!/usr/bin/python3
"""Regenerates the pictures and sounds into a temporary folder and compares them byte for byte
with the committed assets/. Fails, listing them, on files that differ, are missing or are extra.

Usage: /usr/bin/python3 tests/assets/check_generated.py   (from any working directory)
"""
import filecmp
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
GENERATOR = os.path.join(ROOT, "tools", "gen_assets.py")
COMMITTED = os.path.join(ROOT, "assets")


def listing(top):
    found = set()
    for folder, _, files in os.walk(top):
        for f in files:
            found.add(os.path.relpath(os.path.join(folder, f), top))
    return found


def main():
    with tempfile.TemporaryDirectory(prefix="triwell-assets-") as fresh:
        run = subprocess.run([sys.executable, GENERATOR, fresh], capture_output=True, text=True)
        if run.returncode != 0:
            print("FAIL generator exited with %d\n%s" % (run.returncode, run.stderr))
            return 1
        made, kept = listing(fresh), listing(COMMITTED)
        problems = ["missing from assets/ (generated, not committed): %s" % f for f in sorted(made - kept)]
        problems += ["extra in assets/ (committed, not generated): %s" % f for f in sorted(kept - made)]
        problems += ["differs from a fresh run: %s" % f for f in sorted(made & kept)
                     if not filecmp.cmp(os.path.join(fresh, f), os.path.join(COMMITTED, f), shallow=False)]
    for p in problems:
        print("FAIL", p)
    print("%d generated files compared, %d problems" % (len(made), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
