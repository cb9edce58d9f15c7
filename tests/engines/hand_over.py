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
    """Every staged file, oldest first."""
    found = []
    folders = [stage]
    while folders:
        try:
            entries = list(os.scandir(folders.pop()))
        except FileNotFoundError:
            continue
        for entry in entries:
            try:
                if entry.is_dir(follow_symlinks=False):
                    folders.append(entry.path)
                else:
                    found.append((entry.stat(follow_symlinks=False).st_mtime_ns, entry.path))
            except FileNotFoundError:
                pass  # deleted by photorec's checks since the listing
    found.sort()
    return [path for _, path in found]


class Mover:
    """Moves staged files to their places below DEST, making each folder once:
    at thousands of files a second the mover shares the machine with the
    program under test."""

    def __init__(self, stage, dest):
        self.stage = stage
        self.dest = dest
        self.made = set()

    def hand_over(self, paths):
        for path in paths:
            target = self.dest + path[len(self.stage):]
            folder = os.path.dirname(target)
            if folder not in self.made:
                os.makedirs(folder, exist_ok=True)
                self.made.add(folder)
            try:
                os.rename(path, target)
            except FileNotFoundError:
                pass


def main():
    stage, dest, end_marker = sys.argv[1:4]
    mover = Mover(stage.rstrip("/"), dest.rstrip("/"))
    while not os.path.exists(end_marker):
        mover.hand_over(staged_files(stage)[:-1])
        time.sleep(0.1)
    mover.hand_over(staged_files(stage))


if __name__ == "__main__":
    main()
