#!/usr/bin/env python3
"""txtp decrypt against age -d on the same age file of a 40 MB text, as whole
processes run in turns, with each one's peak memory (/usr/bin/time -f %M).

Usage: age_decrypt_compare.py PATH_TO_TXTP [RUNS]
Both include the key derivation (log2 N = 18). age runs on a
pseudo-terminal, typed to once its prompt shows.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "cli"))
from age_interop import run_age_on_terminal  # noqa: E402

PASSWORD = "bench-password"
TEXT_BYTES = 40_000_000


def peak_kib(path):
    with open(path) as f:
        return int(f.read().split()[-1])


def timed_txtp(binary, file, memory):
    start = time.monotonic()
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", memory, binary, "decrypt", file, "-o", "/dev/null",
                    "--pass", "env:AGE_BENCH_PW"], env=dict(os.environ, AGE_BENCH_PW=PASSWORD), check=True)
    return time.monotonic() - start, peak_kib(memory)


def timed_age(file, memory):
    start = time.monotonic()
    run_age_on_terminal(["-d", "-o", "/dev/null", file], PASSWORD, 1,
                        program=["/usr/bin/time", "-f", "%M", "-o", memory, "age"])
    return time.monotonic() - start, peak_kib(memory)


def main():
    binary = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    with tempfile.TemporaryDirectory() as folder:
        plain, file, memory = (os.path.join(folder, n) for n in ("text", "text.age", "memory"))
        with open(plain, "wb") as f:
            line = "Строка текста with Latin words, 0123456789.\r\n".encode("utf-8")
            f.write((line * (TEXT_BYTES // len(line) + 1))[:TEXT_BYTES])
        subprocess.run([binary, "encrypt", "-i", plain, "-o", file, "--pass", "env:AGE_BENCH_PW"],
                       env=dict(os.environ, AGE_BENCH_PW=PASSWORD), check=True)
        size = os.path.getsize(file)
        ours, theirs = [], []
        for _ in range(runs):
            ours.append(timed_txtp(binary, file, memory))
            theirs.append(timed_age(file, memory))
    ratio = statistics.median(a[0] / b[0] for a, b in zip(ours, theirs))
    print(f"age file of {size / 1e6:.1f} MB, {runs} runs each, in turns")
    for name, results in (("txtp decrypt", ours), ("age -d", theirs)):
        seconds = statistics.median(r[0] for r in results)
        peak = max(r[1] for r in results)
        print(f"{name:13s} median {seconds:.2f} s, peak memory {peak / 1024:.0f} MiB")
    print(f"txtp / age, median of the pairs: {ratio:.2f}")


if __name__ == "__main__":
    main()
