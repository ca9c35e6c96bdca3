#!/usr/bin/python3
"""The test prefix's handler of http and https addresses (scripts/setup.sh
registers it), so that nothing starts a real browser: appends each address
it is asked to open, one per line, to drive C's kelvane-shell-open.log."""

import os
import sys

prefix = os.environ.get("WINEPREFIX") or os.path.expanduser("~/.wine")
with open(os.path.join(prefix, "drive_c", "kelvane-shell-open.log"), "a", encoding="utf-8") as log:
    log.write(" ".join(sys.argv[1:]) + "\n")
