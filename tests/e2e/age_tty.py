#!/usr/bin/env python3
"""Runs the age tool with a passphrase typed on a terminal of its own, as age
reads a passphrase from nowhere else.

  age_tty.py encrypt PASSWORD INPUT OUTPUT    age -p -o OUTPUT INPUT
  age_tty.py decrypt PASSWORD INPUT OUTPUT    age -d -o OUTPUT INPUT

The password comes from the environment variable AGE_TTY_PASS when PASSWORD
is "-", so that it need not stand on a command line. Exits with age's status.
"""
import os
import pty
import select
import sys
import time

PROMPT_DEADLINE_S = 30


def read_until(fd, wanted, deadline):
    seen = b""
    while wanted not in seen:
        if time.monotonic() > deadline:
            raise TimeoutError(f"age did not ask for the passphrase; it wrote {seen!r}")
        ready, _, _ = select.select([fd], [], [], 0.5)
        if ready:
            try:
                chunk = os.read(fd, 4096)
            except OSError:  # the child has gone
                chunk = b""
            if not chunk:
                raise EOFError(f"age ended before asking; it wrote {seen!r}")
            seen += chunk
    return seen


def main():
    if len(sys.argv) != 5 or sys.argv[1] not in ("encrypt", "decrypt"):
        print(__doc__, file=sys.stderr)
        return 2
    mode, password, source, target = sys.argv[1:]
    if password == "-":
        password = os.environ["AGE_TTY_PASS"]
    args = ["age", "-p", "-o", target, source] if mode == "encrypt" else ["age", "-d", "-o", target, source]
    pid, fd = pty.fork()
    if pid == 0:
        os.execvp("age", args)
    deadline = time.monotonic() + PROMPT_DEADLINE_S
    answer = password.encode() + b"\n"
    read_until(fd, b"passphrase", deadline)
    os.write(fd, answer)
    if mode == "encrypt":
        read_until(fd, b"onfirm", deadline)
        os.write(fd, answer)
    # Drain what age writes until it ends, so it never blocks on the terminal.
    while True:
        try:
            if not os.read(fd, 4096):
                break
        except OSError:
            break
    _, status = os.waitpid(pid, 0)
    return os.waitstatus_to_exitcode(status)


if __name__ == "__main__":
    sys.exit(main())
