#!/usr/bin/env python3
"""txtp and the age tool open each other's passphrase files.

age reads a passphrase only from its terminal, so it runs on a
pseudo-terminal here and is typed to once its prompt has appeared.
Usage: age_interop.py PATH_TO_TXTP
"""
import os
import pty
import subprocess
import sys
import tempfile


def run_age_on_terminal(arguments, password, prompts, program=("age",)):
    """Runs age (through program, which may wrap it) with a pseudo-terminal
    as its terminal, answering each passphrase prompt as it appears."""
    pid, master = pty.fork()
    if pid == 0:
        os.execvp(program[0], list(program) + arguments)
    seen = b""
    answered = 0
    while True:
        try:
            data = os.read(master, 4096)
        except OSError:  # the terminal is gone: age has ended
            break
        if not data:
            break
        seen += data
        if answered < prompts and seen.lower().count(b"passphrase") > answered:
            os.write(master, password.encode() + b"\n")
            answered += 1
    os.close(master)
    _, status = os.waitpid(pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"age {' '.join(arguments)} failed: {seen.decode(errors='replace')}")


def txtp(binary, arguments, password):
    environment = dict(os.environ, AGE_INTEROP_PW=password)
    run = subprocess.run([binary] + arguments + ["--pass", "env:AGE_INTEROP_PW"], env=environment,
                         capture_output=True)
    if run.returncode != 0:
        sys.exit(f"txtp {' '.join(arguments)} failed ({run.returncode}): {run.stderr.decode(errors='replace')}")


def large_text():
    # 40,000,000 characters, Cyrillic among the Latin, lines ending CR LF.
    line = "Строка текста with Latin words, числа 0123456789 и знаки.\r\n"
    count, rest = divmod(40_000_000, len(line))
    return line * count + "x" * rest


def check_case(binary, folder, name, text, password):
    plain = os.path.join(folder, name + ".txt")
    with open(plain, "wb") as f:
        f.write(text.encode("utf-8"))
    expected = text.encode("utf-8")

    ours = os.path.join(folder, name + ".txt.age")
    txtp(binary, ["encrypt", "-i", plain, "-o", ours], password)
    by_age = os.path.join(folder, name + ".from-ours.txt")
    run_age_on_terminal(["-d", "-o", by_age, ours], password, 1)

    theirs = os.path.join(folder, name + ".age-made.age")
    run_age_on_terminal(["-p", "-o", theirs, plain], password, 2)
    by_txtp = os.path.join(folder, name + ".from-age.txt")
    txtp(binary, ["decrypt", theirs, "-o", by_txtp], password)

    for result, direction in ((by_age, "txtp -> age -d"), (by_txtp, "age -p -> txtp")):
        # age creates its output file only once it has something to write.
        got = b""
        if os.path.exists(result):
            with open(result, "rb") as f:
                got = f.read()
            os.remove(result)
        if got != expected:
            sys.exit(f"{name}: {direction} gave a different text")
    for made in (plain, ours, theirs):
        os.remove(made)
    print(f"{name}: both ways")


def main():
    binary = sys.argv[1]
    cases = [
        ("latin", "Dear friend,\r\nthe meeting is at noon.\r\n", "correct horse battery"),
        ("cyrillic", "Добрый день!\r\nВстреча в полдень.\r\n", "пароль Ёжик"),
        ("empty", "", "пустой"),
        ("beyond-1251", "Emoji 😀, 中文, ∑ and ǅ\r\n", "secret"),
        ("large", large_text(), "большой текст"),
    ]
    with tempfile.TemporaryDirectory() as folder:
        for name, text, password in cases:
            check_case(binary, folder, name, text, password)


if __name__ == "__main__":
    main()
