#!/usr/bin/env python3
"""Moves the files photorec writes into a staging folder to the place they
would have under the scan folder's parent, once each is finished.

photorec writes one file at a time, so every file but the newest is finished;
it may rename a finished file from f... to b... or delete it after its own
checks, which happens before the next file is started. A Windows engine holds
the file it writes open without sharing, so the program under test never sees
a file before then; a Linux photorec takes no Windows locks, so this staging
shows the program what a Windows engine would.

Usage: hand_over.py STAGE DEST END_MARKER
Hands over all but the newest file every 0.1 s until END_MARKER exists, then
everything, and exits.
"""
import os
import sys
import time


def staged_files(stage):
    found = []
    for folder, _, names in os.walk(stage):
        for name in names:
            path = os.path.join(folder, name)
            try:
                found.append((os.stat(path).st_mtime_ns, path))
            except FileNotFoundError:
                pass  # deleted by photorec's checks since the listing
    found.sort()
    return [path for _, path in found]


def hand_over(stage, dest, paths):
    for path in paths:
        target = os.path.join(dest, os.path.relpath(path, stage))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        try:
            os.rename(path, target)
        except FileNotFoundError:
            pass


def main():
    stage, dest, end_marker = sys.argv[1:4]
    while not os.path.exists(end_marker):
        hand_over(stage, dest, staged_files(stage)[:-1])
        time.sleep(0.1)
    hand_over(stage, dest, staged_files(stage))


if __name__ == "__main__":
    main()
