#!/usr/bin/env python3
"""Benchmark vantorel against the floor (bench/floor.c) and the tools users would otherwise use.

Usage: bench/run.py [--rounds N] [--vantorel PATH]

Builds its inputs in a temporary directory, times every command alternately over N rounds, and
prints medians, ratios, system calls per WAV file and peak memory as Markdown tables.
"""
import argparse
import os
import random
import re
import shlex
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
FILES = 128


def wav_header(frames, rate=44100, channels=2, bits=16):
    block = channels * bits // 8
    size = frames * block
    return (b"RIFF" + struct.pack("<I", 36 + size) + b"WAVEfmt " +
            struct.pack("<IHHIIHH", 16, 1, channels, rate, rate * block, block, bits) +
            b"data" + struct.pack("<I", size))


def sparse(path, head, length):
    with open(path, "wb") as f:
        f.write(head)
        f.truncate(length)


def worst_header(frames):
    """No "fmt" anywhere, "data" at 14996, the format fields where the probe then reads them."""
    b = bytearray(15024)
    b[0:12] = b"RIFF\0\0\0\0WAVE"
    b[14996:15000] = b"data"
    struct.pack_into("<I", b, 15000, frames * 4)
    struct.pack_into("<H", b, 15010, 2)
    struct.pack_into("<I", b, 15012, 44100)
    struct.pack_into("<H", b, 15022, 16)
    return bytes(b)


def make_inputs(work):
    """Make every input of the benchmark in work: the WAV files and every list that names them."""
    rng = random.Random(7)
    sets = {}
    for kind, header in [("real", wav_header), ("worst", worst_header)]:
        os.makedirs(os.path.join(work, kind))
        sets[kind] = []
        for i in range(FILES):
            name = "%s/track%03d.wav" % (kind, i)
            frames = rng.randint(2 * 60 * 44100, 6 * 60 * 44100)
            head = header(frames)
            sparse(os.path.join(work, name), head, len(head) + frames * 4)
            sets[kind].append(name)
    names = sets["real"]
    worst = sets["worst"]

    def write_list(name, lines):
        with open(os.path.join(work, name), "w") as f:
            f.write("".join(line + "\n" for line in lines))

    write_list("real.txt", names)
    write_list("worst.txt", worst)
    write_list("one.txt", names[:1])
    write_list("worst1.txt", worst[:1])
    # 128 lines: 32 files, each split twice, with a pregap on its second track.
    lines = []
    for name in names[:32]:
        lines += [name, "S 01:00:00", "P 00:02:00", "S 02:00:00"]
    write_list("splits.txt", lines)
    # 1 MiB: the same 128 lines, then filler that is read and ignored.
    with open(os.path.join(work, "big.txt"), "w") as f:
        text = "".join(line + "\n" for line in lines)
        f.write(text)
        filler = "a line the tool reads and ignores\n"
        f.write(filler * ((1024 * 1024 - len(text)) // len(filler)))
    return sets


def fail(message):
    sys.exit("bench/run.py: " + message)


def describe(cmd):
    """The command as a shell would show it, its long file lists cut short."""
    shown = " ".join(shlex.quote(arg) for arg in cmd[:4])
    if len(cmd) > 4:
        shown += " ... (%d more arguments)" % (len(cmd) - 4)
    return shown


def check(cmd, proc):
    """Stop the benchmark when a command fails: a failing run measures nothing."""
    if proc.returncode != 0:
        fail("command failed with exit status %d: %s" % (proc.returncode, describe(cmd)))
    return proc


def require(program):
    """Stop with a clear message when a program the benchmark needs is missing."""
    if shutil.which(program) is None:
        fail("%s is needed but not installed (apt-get install strace time)" % program)


def timed(cmd, cwd):
    start = time.perf_counter()
    proc = subprocess.run(cmd, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    elapsed = time.perf_counter() - start
    check(cmd, proc)
    return elapsed


def syscalls(cmd, cwd):
    # strace exits with the status of the command it traced.
    traced = ["strace", "-c", "-f", "-o", "/dev/stdout", "-qq"] + cmd
    out = check(traced, subprocess.run(traced, cwd=cwd, capture_output=True, text=True)).stdout
    for line in out.splitlines():
        fields = line.split()
        if fields and fields[-1] == "total":
            return int(fields[3])
    fail("no total in the output of: %s" % describe(traced))


def peak_kib(cmd, cwd):
    # /usr/bin/time exits with the status of the command it timed.
    timed_cmd = ["/usr/bin/time", "-v"] + cmd
    err = check(timed_cmd, subprocess.run(timed_cmd, cwd=cwd, stdout=subprocess.DEVNULL,
                                          stderr=subprocess.PIPE, text=True)).stderr
    found = re.search(r"Maximum resident set size \(kbytes\): (\d+)", err)
    if found is None:
        fail("no maximum resident set size in the output of: %s" % describe(timed_cmd))
    return int(found.group(1))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--rounds", type=int, default=31)
    ap.add_argument("--vantorel", default=os.path.join(ROOT, "build/release/vantorel"))
    args = ap.parse_args()
    require("strace")
    require("/usr/bin/time")
    if not os.path.exists(args.vantorel):
        build = ["cmake", "--workflow", "--preset", "release"]
        check(build, subprocess.run(build, cwd=ROOT, stdout=subprocess.DEVNULL))
    vantorel = os.path.abspath(args.vantorel)

    work = tempfile.mkdtemp(prefix="vantorel-bench-")
    try:
        floor = os.path.join(work, "floor")
        compile_floor = ["cc", "-O2", "-o", floor, os.path.join(HERE, "floor.c")]
        check(compile_floor, subprocess.run(compile_floor))
        sets = make_inputs(work)

        cases = {
            "128 WAV files": {
                "vantorel": [vantorel, "real.txt", "out.cue"],
                "floor": [floor, "real.txt", "floor.cue"],
                "shntool len": ["shntool", "len"] + sets["real"],
                "soxi -D": ["soxi", "-D"] + sets["real"],
            },
            "128 worst-case WAV files": {
                "vantorel": [vantorel, "worst.txt", "out.cue"],
                "floor": [floor, "worst.txt", "floor.cue"],
            },
            "128-line list with splits and pregaps": {
                "vantorel": [vantorel, "splits.txt", "out.cue"],
                "floor": [floor, "splits.txt", "floor.cue"],
            },
            "1 MiB list": {
                "vantorel": [vantorel, "big.txt", "out.cue"],
                "floor": [floor, "big.txt", "floor.cue"],
            },
        }
        for case, cmds in cases.items():
            for name in list(cmds):
                if shutil.which(cmds[name][0]) is None and not os.path.exists(cmds[name][0]):
                    print("SKIP: %s is not installed" % cmds[name][0], file=sys.stderr)
                    del cmds[name]

        print("## Time (median of %d alternating rounds, ms)\n" % args.rounds)
        print("| input | " + " | ".join(["vantorel", "floor", "shntool len", "soxi -D"]) +
              " | vantorel / floor |")
        print("|---|---|---|---|---|---|")
        for case, cmds in cases.items():
            samples = {name: [] for name in cmds}
            for _ in range(args.rounds):
                for name, cmd in cmds.items():
                    samples[name].append(timed(cmd, work))
            med = {name: statistics.median(s) * 1000 for name, s in samples.items()}
            cells = ["%.2f" % med[n] if n in med else "—"
                     for n in ["vantorel", "floor", "shntool len", "soxi -D"]]
            print("| %s | %s | %.2f |" % (case, " | ".join(cells), med["vantorel"] / med["floor"]))

        print("\n## System calls per WAV file (strace -c -f; 128 files less 1 file, / 127)\n")
        print("| input | vantorel | floor |")
        print("|---|---|---|")
        for label, many, one in [("128 WAV files", "real.txt", "one.txt"),
                                 ("128 worst-case WAV files", "worst.txt", "worst1.txt")]:
            row = []
            for prog, out in [(vantorel, "out.cue"), (floor, "floor.cue")]:
                n = syscalls([prog, many, out], work)
                m = syscalls([prog, one, out], work)
                row.append("%.2f (%d in all)" % ((n - m) / (FILES - 1), n))
            print("| %s | %s |" % (label, " | ".join(row)))

        print("\n## Peak memory (/usr/bin/time -v, maximum resident set, KiB)\n")
        print("| input | vantorel | floor |")
        print("|---|---|---|")
        for label, lst in [("128 WAV files", "real.txt"), ("128 worst-case WAV files", "worst.txt"),
                           ("1 MiB list", "big.txt")]:
            print("| %s | %d | %d |" % (label, peak_kib([vantorel, lst, "out.cue"], work),
                                        peak_kib([floor, lst, "floor.cue"], work)))
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
