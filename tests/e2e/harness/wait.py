"""The harness's one wait shape."""

import time

LOOK_EVERY = 0.05  # seconds between looks


def wait_until(condition, seconds, every=LOOK_EVERY, each=lambda: None):
    """Waits until condition() holds, for at most `seconds`; whether it did.
    each() runs between looks (to poll a process that is to bring the
    condition about, or to act for the person at the machine)."""
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        each()
        time.sleep(every)
    return True
