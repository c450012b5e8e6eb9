#!/usr/bin/env python3
"""txtp and the age tool open each other's passphrase files, binary and
ASCII-armored, and the files txtp convert writes.

age reads a passphrase only from its terminal, so it runs on a
pseudo-terminal here and is typed to once its prompt has appeared.
Usage: age_interop.py PATH_TO_TXTP
"""
import os
import pty
import re
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


def txtp(binary, arguments, password, new_password=None):
    environment = dict(os.environ, AGE_INTEROP_PW=password)
    arguments = arguments + ["--pass", "env:AGE_INTEROP_PW"]
    if new_password is not None:
        environment["AGE_INTEROP_NEW_PW"] = new_password
        arguments += ["--new-pass", "env:AGE_INTEROP_NEW_PW"]
    run = subprocess.run([binary] + arguments, env=environment, capture_output=True)
    if run.returncode != 0:
        sys.exit(f"txtp {' '.join(arguments)} failed ({run.returncode}): {run.stderr.decode(errors='replace')}")


def large_text():
    # 40,000,000 characters, Cyrillic among the Latin, lines ending CR LF.
    line = "Строка текста with Latin words, числа 0123456789 и знаки.\r\n"
    count, rest = divmod(40_000_000, len(line))
    return line * count + "x" * rest


def take(path):
    """The bytes of a file age or txtp wrote; age creates its output file
    only once it has something to write."""
    got = b""
    if os.path.exists(path):
        with open(path, "rb") as f:
            got = f.read()
        os.remove(path)
    return got


def with_line_ends(text, end):
    """The text as a protected file stores it: every line ended by end."""
    if text and not text.endswith(("\r", "\n")):
        text += "\n"
    return re.sub(r"\r\n|\r|\n", end, text)


def expect_same(name, direction, got, expected):
    if got != expected:
        sys.exit(f"{name}: {direction} gave a different text")


def check_case(binary, folder, name, text, password, armor):
    """txtp's file opens with age -d and age's with txtp, in the armored form when armor."""
    plain = os.path.join(folder, name + ".txt")
    with open(plain, "wb") as f:
        f.write(text.encode("utf-8"))
    expected = text.encode("utf-8")
    form = "armored" if armor else "binary"

    ours = os.path.join(folder, name + ".txt.age")
    txtp(binary, ["encrypt", "-i", plain, "-o", ours] + (["--armor"] if armor else []), password)
    by_age = os.path.join(folder, name + ".from-ours.txt")
    run_age_on_terminal(["-d", "-o", by_age, ours], password, 1)

    theirs = os.path.join(folder, name + ".age-made.age")
    run_age_on_terminal(["-p"] + (["-a"] if armor else []) + ["-o", theirs, plain], password, 2)
    by_txtp = os.path.join(folder, name + ".from-age.txt")
    txtp(binary, ["decrypt", theirs, "-o", by_txtp], password)

    expect_same(name, f"{form} txtp -> age -d", take(by_age), expected)
    expect_same(name, f"{form} age -p -> txtp", take(by_txtp), expected)
    for made in (plain, ours, theirs):
        os.remove(made)
    print(f"{name}: {form}, both ways")


def check_convert(binary, folder, name, text, password, armor):
    """A .txtp converted to age (and to armored age when armor) opens with
    age -d and txtp decrypt with LF line ends; age's file converted to .txtp
    opens with txtp decrypt with CR LF."""
    txtp_password = "пароль 1251"
    plain = os.path.join(folder, name + ".txt")
    with open(plain, "wb") as f:
        f.write(text.encode("utf-8"))
    lf = with_line_ends(text, "\n").encode("utf-8")
    crlf = with_line_ends(text, "\r\n").encode("utf-8")

    old = os.path.join(folder, name + ".txtp")
    txtp(binary, ["encrypt", "-i", plain, "-o", old], txtp_password)
    variants = [([], password)] + ([(["--armor"], txtp_password)] if armor else [])
    for options, age_password in variants:
        converted = os.path.join(folder, name + ".converted")
        txtp(binary, ["convert", old, "-o", converted, "--format", "age"] + options, txtp_password,
             None if age_password == txtp_password else age_password)
        by_age = os.path.join(folder, name + ".from-converted.txt")
        run_age_on_terminal(["-d", "-o", by_age, converted], age_password, 1)
        expect_same(name, f"txtp convert {' '.join(options)} -> age -d", take(by_age), lf)
        by_txtp = os.path.join(folder, name + ".decrypted.txt")
        txtp(binary, ["decrypt", converted, "-o", by_txtp], age_password)
        expect_same(name, "txtp convert -> txtp decrypt", take(by_txtp), lf)
        os.remove(converted)

    theirs = os.path.join(folder, name + ".age-made.age")
    run_age_on_terminal(["-p", "-o", theirs, plain], password, 2)
    back = os.path.join(folder, name + ".back.txtp")
    txtp(binary, ["convert", theirs, "-o", back], password, txtp_password)
    by_txtp = os.path.join(folder, name + ".back.txt")
    txtp(binary, ["decrypt", back, "-o", by_txtp], txtp_password)
    expect_same(name, "age -p -> txtp convert -> txtp decrypt", take(by_txtp), crlf)
    for made in (plain, old, theirs, back):
        os.remove(made)
    print(f"{name}: converted both ways")


def main():
    binary = sys.argv[1]
    # Name, text, password, whether a .txtp can hold the text, whether its
    # armored file stays within what txtp reads whole (64 MiB).
    cases = [
        ("latin", "Dear friend,\r\nthe meeting is at noon.\r\n", "correct horse battery", True, True),
        ("cyrillic", "Добрый день!\r\nВстреча в полдень.\r\n", "пароль Ёжик", True, True),
        ("empty", "", "пустой", True, True),
        ("beyond-1251", "Emoji 😀, 中文, ∑ and ǅ\r\n", "secret", False, True),
        ("large", large_text(), "большой текст", True, False),
    ]
    with tempfile.TemporaryDirectory() as folder:
        for name, text, password, fits_txtp, armor_fits in cases:
            check_case(binary, folder, name, text, password, False)
            if armor_fits:
                check_case(binary, folder, name, text, password, True)
            if fits_txtp:
                check_convert(binary, folder, name, text, password, armor_fits)


if __name__ == "__main__":
    main()
