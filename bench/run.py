#!/usr/bin/env python3
"""Benchmark vantorel against the floor (bench/floor.c) and the tools users would otherwise use.

Usage: bench/run.py [--rounds N | --quick] [--vantorel PATH] [--baseline PATH]
                    [--baseline-says-otherwise]
                    [--callgrind-dir DIR] [--set TEXT]... [--no-calls-or-memory]

Builds its inputs in a temporary directory and, for every set of inputs, reports the median of
the per-round ratios vantorel / floor (and baseline / vantorel, given a baseline) over N
alternating rounds, the instructions callgrind counts for each, the system calls per WAV file
(strace) and the peak memory (/usr/bin/time -v), as Markdown tables headed by the machine, the
compilers and the date.
"""
import argparse
import datetime
import os
import platform
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
NOTE_BYTES = 8 * 1024
LIST_LIMIT = 1024 * 1024


def wav_header(frames, rate=44100, channels=2, bits=16):
    block = channels * bits // 8
    size = frames * block
    return (b"RIFF" + struct.pack("<I", 36 + size) + b"WAVEfmt " +
            struct.pack("<IHHIIHH", 16, 1, channels, rate, rate * block, block, bits) +
            b"data" + struct.pack("<I", size))


def worst_header(frames, rate=44100):
    """No "fmt" anywhere, "data" at 14996, the format fields where the probe then reads them."""
    b = bytearray(15024)
    b[0:12] = b"RIFF\0\0\0\0WAVE"
    b[14996:15000] = b"data"
    struct.pack_into("<I", b, 15000, frames * 4)
    struct.pack_into("<H", b, 15010, 2)
    struct.pack_into("<I", b, 15012, rate)
    struct.pack_into("<H", b, 15022, 16)
    return bytes(b)


def text_first_header(frames, rate=44100):
    """A LIST INFO chunk of 14,900 bytes of text, as a tagging tool leaves it, before "fmt "."""
    text = (b"Recorded live at the Harbour, second night; " * 400)[:14888]
    info = b"INFO" + b"ICMT" + struct.pack("<I", len(text)) + text
    canonical = wav_header(frames, rate)
    return canonical[:12] + b"LIST" + struct.pack("<I", len(info)) + info + canonical[12:]


def sparse(path, head, length):
    with open(path, "wb") as f:
        f.write(head)
        f.truncate(length)


def note(rng):
    """A line of notes of NOTE_BYTES that the tool reads and ignores: prose, with full stops."""
    words = ["take", "two", "was", "kept", "for", "the", "bridge", "and", "a", "longer", "fade",
             "room", "mic", "left", "open", "audience", "noise", "under", "the", "intro"]
    text = "Notes:"
    while len(text) < NOTE_BYTES:
        text += " " + rng.choice(words) + ("." if rng.random() < 0.1 else "")
    return text[:NOTE_BYTES]


def make_inputs(work):
    """Makes every WAV file of the benchmark in work, and every list that names them.

    Returns {set: (list, list of one file, WAV files of the list)}; the one-file list costs what
    the list costs but for the other files, so that the difference counts what a file costs.
    """
    rng = random.Random(7)
    made = {}
    for kind, header, rate in [("real", wav_header, 44100), ("worst", worst_header, 44100),
                               ("48k", wav_header, 48000), ("text", text_first_header, 44100)]:
        os.makedirs(os.path.join(work, kind))
        made[kind] = []
        for i in range(FILES):
            name = "%s/track%03d.wav" % (kind, i)
            seconds = rng.randint(2 * 60, 6 * 60)
            # CD audio, as ripped, ends on a whole CD frame of 588 samples; the others need not.
            if rate == 44100:
                frames = seconds * rate + rng.randint(0, 74) * 588
            else:
                frames = seconds * rate + rng.randint(0, rate - 1)
            head = header(frames, rate=rate)
            sparse(os.path.join(work, name), head, len(head) + frames * 4)
            made[kind].append((name, seconds))
    # Recordings, which mostly end inside a CD frame: each draws a note. Their own generator keeps
    # the other sets as they were.
    rec_rng = random.Random(11)
    os.makedirs(os.path.join(work, "rec"))
    made["rec"] = []
    for i in range(FILES):
        name = "rec/take%03d.wav" % i
        seconds = rec_rng.randint(2 * 60, 6 * 60)
        frames = seconds * 44100 + rec_rng.randint(1, 44099)
        if frames % 588 == 0:
            frames += 1
        head = wav_header(frames)
        sparse(os.path.join(work, name), head, len(head) + frames * 4)
        made["rec"].append((name, seconds))

    def write_list(name, groups, pad_to=0):
        text = "".join(line + "\n" for group in groups for line in group)
        if pad_to:
            # Notes after the WAV names, which fill the list to its size and which the tool and
            # the floor read and ignore. A note, so that in a list of one file,
            # it costs no look-up as a file name.
            filler = "# a note, which the tool reads and ignores\n"
            text += filler * ((pad_to - len(text)) // len(filler))
        with open(os.path.join(work, name), "w") as f:
            f.write(text)
        return name

    sets = {}

    def add(label, name, groups, pad_to=0):
        files = [group[0] for group in groups]
        sets[label] = (write_list(name + ".txt", groups, pad_to),
                       write_list(name + "1.txt", groups[:1], pad_to), files)

    add("128 CD-format WAV files", "real", [[n] for n, _ in made["real"]])
    add("128 worst-case files (no `fmt` tag, `data` at 14996)", "worst",
        [[n] for n, _ in made["worst"]])
    add("128 files at 48 kHz, each warned about", "48k", [[n] for n, _ in made["48k"]])
    add("128 recordings that end inside a CD frame, noted together", "rec",
        [[n] for n, _ in made["rec"]])
    add("128 files with 14,900 bytes of text before `fmt`", "text",
        [[n] for n, _ in made["text"]])
    # A split a minute past the end of each of the first 64 CD-format files.
    add("64 files, each with a split past its end, each warned about", "pastend",
        [[n, "S %02d:%02d:00" % divmod(s + 60, 60)] for n, s in made["real"][:64]])
    add("a 1 MiB list: 32 WAV names and notes of 8 KB in its first 128 lines", "big",
        [[n, note(rng), note(rng), note(rng)] for n, _ in made["real"][:32]], pad_to=LIST_LIMIT)
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
    """Stops the benchmark when a command fails: a failing run measures nothing."""
    if proc.returncode != 0:
        fail("command failed with exit status %d: %s" % (proc.returncode, describe(cmd)))
    return proc


def require(program, package):
    """Stops with a clear message when a program the benchmark needs is missing."""
    if shutil.which(program) is None:
        fail("%s is needed but not installed (apt-get install %s)" % (program, package))


def timed(cmd, cwd):
    """Wall time of one run, from spawning the command to reaping it, in seconds, and the fresh
    pages it touched (its minor page faults, which do not depend on the machine's load).

    posix_spawn keeps Python's own cost out of the measure as far as it can be kept out."""
    actions = [(os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0),
               (os.POSIX_SPAWN_OPEN, 2, os.devnull, os.O_WRONLY, 0)]
    here = os.getcwd()
    os.chdir(cwd)
    try:
        start = time.perf_counter()
        pid = os.posix_spawn(cmd[0] if os.path.isabs(cmd[0]) else shutil.which(cmd[0]), cmd,
                             os.environ, file_actions=actions)
        _, status, usage = os.wait4(pid, 0)
        elapsed = time.perf_counter() - start
    finally:
        os.chdir(here)
    if os.waitstatus_to_exitcode(status) != 0:
        fail("command failed with status %d: %s" % (os.waitstatus_to_exitcode(status),
                                                     describe(cmd)))
    return elapsed, usage.ru_minflt


def instructions(cmd, cwd, keep):
    """Instructions executed by the command, as callgrind counts them (the same every run)."""
    out = keep if keep else os.devnull
    traced = ["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out] + cmd
    err = check(traced, subprocess.run(traced, cwd=cwd, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.PIPE, text=True)).stderr
    found = re.search(r"Collected : (\d+)", err)
    if found is None:
        fail("no instruction count in the output of: %s" % describe(traced))
    return int(found.group(1))


def syscalls(cmd, cwd):
    # strace exits with the status of the command it traced.
    traced = ["strace", "-c", "-f", "-o", "/dev/stdout", "-qq"] + cmd
    out = check(traced, subprocess.run(traced, cwd=cwd, capture_output=True, text=True)).stdout
    for line in out.splitlines():
        fields = line.split()
        if fields and fields[-1] == "total":
            return int(fields[3])
    fail("no total in the output of: %s" % describe(traced))


def peak_kib(cmd, cwd, runs=5):
    """The median of the peak resident sets of a few runs, which vary by a hundred KiB or so."""
    peaks = []
    for _ in range(runs):
        # /usr/bin/time exits with the status of the command it timed.
        timed_cmd = ["/usr/bin/time", "-v"] + cmd
        err = check(timed_cmd, subprocess.run(timed_cmd, cwd=cwd, stdout=subprocess.DEVNULL,
                                              stderr=subprocess.PIPE, text=True)).stderr
        found = re.search(r"Maximum resident set size \(kbytes\): (\d+)", err)
        if found is None:
            fail("no maximum resident set size in the output of: %s" % describe(timed_cmd))
        peaks.append(int(found.group(1)))
    return int(statistics.median(peaks))


def first_line(cmd):
    try:
        out = subprocess.run(cmd, capture_output=True, text=True).stdout
    except OSError:
        return "?"
    return out.splitlines()[0] if out else "?"


def machine():
    cpu = "?"
    try:
        with open("/proc/cpuinfo") as f:
            found = re.search(r"^model name\s*:\s*(.*)$", f.read(), re.M)
            if found:
                cpu = found.group(1)
    except OSError:
        pass
    return "%s, %d cores, %s %s" % (cpu, os.cpu_count() or 0, platform.system(),
                                    platform.release())


def compiler_of(vantorel):
    """The C++ compiler of the build that vantorel comes from, as its CMake cache names it."""
    cache = os.path.join(os.path.dirname(vantorel), "CMakeCache.txt")
    try:
        with open(cache) as f:
            found = re.search(r"^CMAKE_CXX_COMPILER:\w+=(.*)$", f.read(), re.M)
    except OSError:
        found = None
    return first_line([found.group(1) if found else "c++", "--version"])


def run_once(cmd, cwd):
    proc = subprocess.run(cmd, cwd=cwd, capture_output=True)
    with open(os.path.join(cwd, cmd[2]), "rb") as f:
        return proc.returncode, proc.stdout, proc.stderr, f.read()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--rounds", type=int, default=201)
    ap.add_argument("--quick", action="store_true", help="21 rounds, to see that it all runs")
    ap.add_argument("--vantorel", default=os.path.join(ROOT, "build/release/vantorel"))
    ap.add_argument("--baseline", help="another vantorel, such as an earlier release build, "
                    "measured beside it; its output must be the same")
    ap.add_argument("--baseline-says-otherwise", action="store_true",
                    help="let the baseline's standard error differ from vantorel's, as an earlier "
                    "build's wording may; its status and cue file must still be the same")
    ap.add_argument("--callgrind-dir", help="keep callgrind's profiles here, one per command")
    ap.add_argument("--set", action="append", metavar="TEXT",
                    help="measure only the sets whose name holds TEXT (given again, either)")
    ap.add_argument("--no-calls-or-memory", action="store_true",
                    help="leave out the system calls and the peak memory, as for a variant")
    args = ap.parse_args()
    rounds = 21 if args.quick else args.rounds
    require("strace", "strace")
    require("/usr/bin/time", "time")
    require("valgrind", "valgrind")
    if not os.path.exists(args.vantorel):
        build = ["cmake", "--workflow", "--preset", "release"]
        check(build, subprocess.run(build, cwd=ROOT, stdout=subprocess.DEVNULL))
    tools = {"vantorel": os.path.abspath(args.vantorel)}
    if args.baseline:
        tools["baseline"] = os.path.abspath(args.baseline)
    if args.callgrind_dir:
        os.makedirs(args.callgrind_dir, exist_ok=True)

    work = tempfile.mkdtemp(prefix="vantorel-bench-")
    try:
        # Each tool is run from a fresh copy, as the floor is compiled afresh: how many pages of a
        # program one fault maps depends on how its file came into the page cache, and a build
        # that has sat there for hours takes a few faults more a run than the same bytes just
        # written.
        for tool in list(tools):
            copy = os.path.join(work, tool)
            shutil.copyfile(tools[tool], copy)
            os.chmod(copy, 0o755)
            tools[tool] = copy
        tools["floor"] = os.path.join(work, "floor")
        compile_floor = ["cc", "-O2", "-o", tools["floor"], os.path.join(HERE, "floor.c")]
        check(compile_floor, subprocess.run(compile_floor))
        sets = make_inputs(work)
        if args.set:
            sets = {label: s for label, s in sets.items() if any(t in label for t in args.set)}
            if not sets:
                fail("no set's name holds " + " or ".join(args.set))
        peers = {"shntool len": ["shntool", "len"], "soxi -D": ["soxi", "-D"]}
        for name in list(peers):
            if shutil.which(peers[name][0]) is None:
                print("SKIP: %s is not installed" % peers[name][0], file=sys.stderr)
                del peers[name]

        def command(tool, lst):
            return [tools[tool], lst, tool + ".cue"]

        # The floor must do the job vantorel does: the same cue text from every list. A baseline
        # must say and write exactly what vantorel does.
        for label, (lst, _, _) in sets.items():
            got = {tool: run_once([tools[tool], lst, "same.cue"], work) for tool in tools}
            if got["floor"][0] != 0:
                fail("the floor failed on " + label)
            if got["floor"][3] != got["vantorel"][3]:
                fail("the floor's cue text differs from vantorel's for " + label)
            if args.baseline_says_otherwise and "baseline" in got:
                # Standard output and error aside: the status and the cue text.
                if (got["baseline"][0], got["baseline"][3]) != (got["vantorel"][0],
                                                                got["vantorel"][3]):
                    fail("the baseline's status or cue differs from vantorel's for " + label)
            elif "baseline" in got and got["baseline"] != got["vantorel"]:
                fail("the baseline's output, status or cue differs from vantorel's for " + label)

        print("Measured on %s UTC on %s; vantorel by %s, the floor by %s (-O2).\n" % (
            datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M"), machine(),
            compiler_of(tools["vantorel"]), first_line(["cc", "--version"])))
        if args.baseline:
            print("The baseline is %s; its %s the same as vantorel's on every set.\n"
                  % (args.baseline, "status and cue file are" if args.baseline_says_otherwise
                     else "output is"))
        ratioed = [tool for tool in tools if tool != "floor"]
        # A baseline is also set against vantorel itself, round by round: what it costs more.
        paired = [("baseline", "vantorel")] if args.baseline else []

        print("## Time: median of the per-round ratios over %d alternating rounds\n" % rounds)
        print("Each round runs every command once, the order reversed every other round, and "
              "divides each tool's time by the floor's of the same round. The quartiles of those "
              "ratios are in brackets; the times are medians, in ms; the pages are the median "
              "count of minor page faults of a run.\n")
        header = ["set"] + ["%s / floor" % tool for tool in ratioed] + \
            ["%s / %s" % pair for pair in paired] + \
            ["%s, ms" % tool for tool in tools] + ["%s, pages" % tool for tool in tools] + \
            list(peers)
        print("| " + " | ".join(header) + " |")
        print("|" + "---|" * len(header))
        for label, (lst, _, files) in sets.items():
            cmds = {tool: command(tool, lst) for tool in tools}
            if label.startswith("128 CD-format"):
                for name, cmd in peers.items():
                    cmds[name] = cmd + files
            samples = {name: [] for name in cmds}
            pages = {name: [] for name in cmds}
            ratios = {pair: [] for pair in [(tool, "floor") for tool in ratioed] + paired}
            for r in range(rounds):
                order = list(cmds) if r % 2 == 0 else list(reversed(cmds))
                got = {}
                for name in order:
                    got[name], faults = timed(cmds[name], work)
                    pages[name].append(faults)
                for name, t in got.items():
                    samples[name].append(t)
                for pair in ratios:
                    ratios[pair].append(got[pair[0]] / got[pair[1]])
            cells = [label]
            for pair in ratios:
                q = statistics.quantiles(ratios[pair], n=4) if rounds > 1 else ratios[pair] * 3
                cells.append("%.3f (%.3f-%.3f)" % (statistics.median(ratios[pair]), q[0], q[2]))
            cells += ["%.2f" % (statistics.median(samples[n]) * 1000) for n in tools]
            cells += ["%d" % statistics.median(pages[n]) for n in tools]
            cells += ["%.2f" % (statistics.median(samples[n]) * 1000) if n in samples else "—"
                      for n in peers]
            print("| " + " | ".join(cells) + " |")

        print("\n## Instructions (valgrind --tool=callgrind, the whole run, millions)\n")
        pairs = [(tool, "floor") for tool in ratioed] + paired
        print("| set | " + " | ".join(tools) + " | " +
              " | ".join("%s / %s" % pair for pair in pairs) + " |")
        print("|---|" + "---|" * (len(tools) + len(pairs)))
        for i, (label, (lst, _, _)) in enumerate(sets.items()):
            counts = {}
            for tool in tools:
                keep = None
                if args.callgrind_dir:
                    keep = os.path.join(os.path.abspath(args.callgrind_dir),
                                        "callgrind.%s.%d" % (tool, i + 1))
                counts[tool] = instructions(command(tool, lst), work, keep)
            print("| %s | %s | %s |" % (
                label, " | ".join("%.3f" % (counts[tool] / 1e6) for tool in tools),
                " | ".join("%.3f" % (counts[a] / counts[b]) for a, b in pairs)))

        if args.no_calls_or_memory:
            return

        print("\n## System calls per WAV file (strace -c -f: the list less its one-file form, "
              "over the files but one)\n")
        print("| set | " + " | ".join(tools) + " |")
        print("|---|" + "---|" * len(tools))
        for label, (many, one, files) in sets.items():
            row = []
            for tool in tools:
                n = syscalls(command(tool, many), work)
                m = syscalls(command(tool, one), work)
                row.append("%.2f (%d in all)" % ((n - m) / (len(files) - 1), n))
            print("| %s | %s |" % (label, " | ".join(row)))

        print("\n## Peak memory (/usr/bin/time -v, maximum resident set, KiB, median of 5 runs)\n")
        print("| set | " + " | ".join(tools) + " |")
        print("|---|" + "---|" * len(tools))
        for label, (lst, _, _) in sets.items():
            print("| %s | %s |" % (label, " | ".join(
                "%d" % peak_kib(command(tool, lst), work) for tool in tools)))
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
