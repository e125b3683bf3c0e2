"""How the harness finds the Linux processes of what it started, whatever
command line Wine gave them."""

import os

MARKER = "TBO_E2E_STARTED"  # the environment's mark of one start by the harness


def find_processes(files, environment, proc="/proc"):
    """The pids of the processes whose environment holds every (name, value)
    of environment and that map one of files (Unix paths) into memory."""
    wanted = [("%s=%s" % pair).encode() for pair in environment]
    images = {b" " + os.fsencode(os.path.realpath(f)) for f in files}
    found = []
    for entry in filter(str.isdigit, os.listdir(proc)):
        try:
            with open(os.path.join(proc, entry, "environ"), "rb") as f:
                variables = f.read().split(b"\0")
            if not all(w in variables for w in wanted):
                continue
            # "address perms offset dev inode      path": the path ends the line.
            with open(os.path.join(proc, entry, "maps"), "rb") as f:
                if any(line.rstrip(b"\n").endswith(image) for line in f for image in images):
                    found.append(int(entry))
        except OSError:
            continue
    return sorted(found)
