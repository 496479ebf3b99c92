#!/usr/bin/env python3
"""Speed, size and memory of `kvi create` / `kvi restore` beside gzip, pigz and a raw copy.

Usage: bench/bench.py --kvi build/cli/kvi [--out bench/results.md] [--work DIR]
                      [--size-mib 1024] [--fill 0.70] [--big-gib 4] [--no-loop]
                      [--levels 1-9] [--only verify|raw-formats] [--raw-formats]

Test data is made here, never downloaded: a "card" image of --size-mib MiB
holding an ext4 filesystem (mkfs.ext4 -d) filled to about --fill with files
copied from /usr, the rest never written (zeros); and a "used card" whose
free space holds random bytes. Every tool works on the same bytes in the same
run: first through a simulated drive (a file, KORVALITH_SIMULATED_DRIVES),
then, when running as root with loop devices, through real loop devices.

Before every timed run the page cache is written back (sync) and, as root,
dropped, so no run profits from what the one before left in memory or
pays for what it left to flush; the tools take turns round by round.

A level sweep creates the image at each of --levels and sets its size
against gzip -9: the default level is the fastest whose images are no
larger than gzip -9 on every card. With perf installed, one profiled
restore tells the share of the progress meter.

The restore rows run with --no-verify, beside a raw copy; the cost of the
check that follows a restore has a section of its own: the same restore
with and without it, and the check's reading rate beside a raw
`dd iflag=direct` read of the same device. `--only verify` runs that section
alone and puts it into --out in place of the one there.

The raw-format rows create .img.zst and .img.xz images beside zstd -T0 -19,
zstd -T0 -3 and xz -T0, restore them beside zstd -d | dd and xz -d | dd, and
sweep zstd's levels for the one kvi writes at. --raw-formats (or --only
raw-formats) runs these rows alone and puts their section into --out in place
of the one there.

The table goes to standard output and to --out (markdown).
"""

import argparse
import datetime
import os
import platform
import re
import shutil
import subprocess
import sys
import tempfile
import time

MiB = 1 << 20
BLOCK = 4096
TIME = "/usr/bin/time"


def fail(message):
    print("bench: " + message, file=sys.stderr)
    sys.exit(1)


def run(argv, **kwargs):
    """Runs a command that must succeed; returns its standard output."""
    done = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, **kwargs)
    if done.returncode != 0:
        fail("%s failed (%d): %s" % (" ".join(argv), done.returncode, done.stderr.strip()))
    return done.stdout


class Measure:
    """One timed run: wall seconds, processor seconds (user and system, all
    threads), peak resident memory, output size, what it wrote to standard
    error."""

    def __init__(self, seconds, peak_kib, size=None, cpu=0.0, said=""):
        self.seconds = seconds
        self.peak_kib = peak_kib
        self.size = size
        self.cpu = cpu
        self.said = said


def settle():
    """Writes the page cache back and, as root, drops it."""
    os.sync()
    if os.geteuid() == 0:
        with open("/proc/sys/vm/drop_caches", "w") as f:
            f.write("3\n")


def timed(argv, stdin=None, stdout=None, env=None, output=None):
    """Runs argv under /usr/bin/time -v after settle(). Returns a Measure;
    `output` names the file whose size is the result's size."""
    settle()
    with tempfile.NamedTemporaryFile(mode="r", suffix=".time") as report:
        fin = open(stdin, "rb") if stdin else subprocess.DEVNULL
        fout = open(stdout, "wb") if stdout else subprocess.DEVNULL
        try:
            start = time.perf_counter()
            done = subprocess.run([TIME, "-v", "-o", report.name] + argv, stdin=fin, stdout=fout,
                                  stderr=subprocess.PIPE, env=env)
            seconds = time.perf_counter() - start
        finally:
            if stdin:
                fin.close()
            if stdout:
                fout.close()
        if done.returncode != 0:
            fail("%s failed (%d): %s" % (" ".join(argv), done.returncode, done.stderr.decode(errors="replace").strip()))
        peak = 0
        cpu = 0.0
        for line in report.read().splitlines():
            if "Maximum resident set size" in line:
                peak = int(line.split(":")[-1])
            elif "User time (seconds)" in line or "System time (seconds)" in line:
                cpu += float(line.split(":")[-1])
    size = os.path.getsize(output) if output else None
    return Measure(seconds, peak, size, cpu, done.stderr.decode(errors="replace"))


def rounds(repeat, runs):
    """Runs every (name, make) of `runs` in turn, `repeat` rounds, so a busy
    moment of the machine does not fall on one tool alone. Returns {name:
    Measure}: the fastest run of each, with the highest memory seen."""
    kept = {}
    for _ in range(repeat):
        for name, make in runs:
            m = make()
            if name in kept:
                m.peak_kib = max(m.peak_kib, kept[name].peak_kib)
                if m.seconds > kept[name].seconds:
                    kept[name].peak_kib = m.peak_kib
                    continue
            kept[name] = m
    return {name: kept[name] for name, _ in runs}


def sparse_file(path, size):
    """Creates `path` anew as a file of `size` bytes, none of them written."""
    if os.path.exists(path):
        os.unlink(path)
    with open(path, "wb") as f:
        f.truncate(size)


def kvi_default_level(kvi):
    """Returns the level kvi writes images at when none is given, from its help."""
    match = re.search(r"(\d+) when not given", run([kvi, "create", "--help"]))
    return int(match.group(1)) if match else "?"


def same_bytes(a, b, length):
    return subprocess.run(["cmp", "-n", str(length), a, b], stdout=subprocess.DEVNULL).returncode == 0


# ---- test data ---------------------------------------------------------------

def free_blocks(image):
    """Returns (block count, free blocks) of the ext4 filesystem in `image`."""
    counts = {}
    for line in run(["dumpe2fs", "-h", image], ).splitlines():
        key, _, value = line.partition(":")
        if key in ("Block count", "Free blocks"):
            counts[key] = int(value)
    return counts["Block count"], counts["Free blocks"]


def mkfs(image, staging):
    run(["mkfs.ext4", "-q", "-F", "-b", str(BLOCK), "-L", "card", "-E", "nodiscard,root_owner=0:0",
         "-d", staging, image])


def stage_files(staging, budget):
    """Copies regular files from /usr into `staging` until they fill `budget`
    bytes of 4 KiB blocks. Returns the bytes of blocks used."""
    used = 0
    sources = ["/usr/bin", "/usr/sbin", "/usr/lib", "/usr/libexec", "/usr/share/doc", "/usr/share", "/usr/include"]
    seen = set()
    for top in sources:
        for folder, dirs, files in os.walk(top):
            dirs.sort()
            for name in sorted(files):
                path = os.path.join(folder, name)
                if path in seen or os.path.islink(path) or not os.path.isfile(path):
                    continue
                seen.add(path)
                size = os.path.getsize(path)
                blocks = (size + BLOCK - 1) // BLOCK * BLOCK
                if used + blocks > budget:
                    continue
                target = os.path.join(staging, os.path.relpath(path, "/"))
                os.makedirs(os.path.dirname(target), exist_ok=True)
                try:
                    shutil.copyfile(path, target)
                except OSError:
                    continue
                used += blocks
                if used >= budget - 64 * BLOCK:
                    return used
    return used


def random_fill(path, size):
    with open(path, "wb") as f:
        left = size
        while left > 0:
            chunk = min(left, 8 * MiB)
            f.write(os.urandom(chunk))
            left -= chunk


def make_cards(work, size, fill):
    """Makes work/fresh.img and work/used.img unless they are there from an
    earlier run with the same parameters. Returns {name: (path, fill ratio)}."""
    stamp = os.path.join(work, "cards.stamp")
    wanted = "%d %.3f\n" % (size, fill)
    cards = {"fresh card": os.path.join(work, "fresh.img"), "used card": os.path.join(work, "used.img")}
    if not (os.path.exists(stamp) and open(stamp).read() == wanted and all(map(os.path.exists, cards.values()))):
        print("bench: making the %d MiB cards (ext4, %.0f %% full of files from /usr)" % (size // MiB, fill * 100))
        probe = os.path.join(work, "probe.img")
        sparse_file(probe, size)
        empty = tempfile.mkdtemp(dir=work)
        mkfs(probe, empty)
        total, free = free_blocks(probe)
        os.unlink(probe)
        overhead = (total - free) * BLOCK
        # Directories take blocks of their own: leave room for them.
        budget = int(total * BLOCK * fill) - overhead - 2 * MiB
        staging = os.path.join(work, "staging")
        shutil.rmtree(staging, ignore_errors=True)
        os.makedirs(staging)
        stage_files(staging, budget)
        sparse_file(cards["fresh card"], size)
        mkfs(cards["fresh card"], staging)
        random_fill(cards["used card"], size)
        mkfs(cards["used card"], staging)
        shutil.rmtree(staging)
        os.rmdir(empty)
        with open(stamp, "w") as f:
            f.write(wanted)
    result = {}
    for name, path in cards.items():
        total, free = free_blocks(path)
        result[name] = (path, (total - free) / total)
    return result


# ---- drives --------------------------------------------------------------------

class SimulatedDrives:
    """Drive 1 the card (a hard link to it; a never-written file when card is
    None), drive 2 an empty target of the same size."""

    def __init__(self, work, card, size, folder="drives"):
        self.dir = os.path.join(work, folder)
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        self.source_path = os.path.join(self.dir, "PHYSICALDRIVE1.img")
        if card:
            os.link(card, self.source_path)
        else:
            sparse_file(self.source_path, size)
        self.target_path = os.path.join(self.dir, "PHYSICALDRIVE2.img")
        self.size = size
        self.env = dict(os.environ, KORVALITH_SIMULATED_DRIVES=self.dir)
        self.source, self.target = "1", "2"
        self.kind = "simulated drive (file)"

    def fresh_target(self):
        sparse_file(self.target_path, self.size)

    def close(self):
        shutil.rmtree(self.dir, ignore_errors=True)


class LoopDrives:
    """The card and an empty file of the same size, each behind a loop device;
    with `direct_io` the devices read and write their files past the page
    cache, as a card's reads reach the card."""

    def __init__(self, work, card, size, direct_io=False):
        self.size = size
        self.target_file = os.path.join(work, "loop-target.img")
        sparse_file(self.target_file, size)
        attach = ["losetup", "--find", "--show"] + (["--direct-io=on"] if direct_io else [])
        self.source_path = run(attach + [card]).strip()
        self.target_path = run(attach + [self.target_file]).strip()
        self.env = dict(os.environ)
        self.env.pop("KORVALITH_SIMULATED_DRIVES", None)
        self.source, self.target = self.source_path, self.target_path
        self.kind = "loop device"

    def fresh_target(self):
        # A loop device keeps its size: the old bytes stay, as on a real card.
        pass

    def close(self):
        for dev in (self.source_path, self.target_path):
            subprocess.run(["losetup", "-d", dev], stderr=subprocess.DEVNULL)
        os.unlink(self.target_file)


def loop_devices_usable():
    if os.geteuid() != 0 or not shutil.which("losetup"):
        return False
    return subprocess.run(["losetup", "--find"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


# ---- the runs ------------------------------------------------------------------

def bench_card(args, work, drives, cores, tag):
    """Create and restore with kvi and the peers on one card. Returns the rows."""
    kvi = args.kvi
    image = os.path.join(work, tag + ".kvi")
    gz = os.path.join(work, tag + ".gz")
    pgz = os.path.join(work, tag + ".pigz.gz")
    raw_target = os.path.join(work, "raw-target.img")

    def kvi_create():
        if os.path.exists(image):
            os.unlink(image)
        return timed([kvi, "--yes", "--quiet", "create", drives.source, image], env=drives.env, output=image)

    def kvi_restore():
        drives.fresh_target()
        m = timed([kvi, "--yes", "--quiet", "restore", "--no-verify", image, drives.target], env=drives.env)
        if not same_bytes(drives.source_path, drives.target_path, drives.size):
            fail("kvi restore did not give back the card's bytes (%s)" % tag)
        return m

    def raw_target_path():
        if isinstance(drives, LoopDrives):
            return drives.target_path
        sparse_file(raw_target, drives.size)
        return raw_target

    def raw_copy():
        return timed(["dd", "if=" + drives.source_path, "of=" + raw_target_path(), "bs=512K", "conv=fsync,notrunc",
                      "status=none"])

    def pigz_expand():
        return timed(["sh", "-c", 'pigz -d -p "$1" -c < "$2" | dd of="$3" bs=512K conv=fsync,notrunc status=none',
                      "sh", str(cores), pgz, raw_target_path()])

    rows = rounds(args.repeat, [
        ("kvi create", kvi_create),
        ("gzip -9", lambda: timed(["gzip", "-9", "-c"], stdin=drives.source_path, stdout=gz, output=gz)),
        ("pigz -9 -p %d" % cores, lambda: timed(["pigz", "-9", "-p", str(cores), "-c"], stdin=drives.source_path,
                                                stdout=pgz, output=pgz)),
        ("kvi restore", kvi_restore),
        ("dd bs=512K conv=fsync", raw_copy),
        ("pigz -d -p %d (| dd conv=fsync)" % cores, pigz_expand),
    ])
    for path in (image, gz, pgz, raw_target):
        if os.path.exists(path):
            os.unlink(path)
    return rows


def bench_verify(args, work, cards, size, use_loop):
    """The check after a restore: the used card restored with and without it,
    and a raw direct read of the target. Returns the section's lines."""
    path, _ = cards["used card"]
    # The loop devices reach their files past the page cache: otherwise the
    # check right after a restore would read what the file's cache still
    # holds, at memory speed, and so would the direct read beside it.
    drives = LoopDrives(work, path, size, direct_io=True) if use_loop else SimulatedDrives(work, path, size)
    image = os.path.join(work, "verify.kvi")
    try:
        timed([args.kvi, "--yes", "--quiet", "create", drives.source, image], env=drives.env, output=image)

        checks = []  # seconds of each check, as kvi tells them

        def restore(*options):
            def run_it():
                drives.fresh_target()
                m = timed([args.kvi, "--yes", "--quiet", "restore"] + list(options) + [image, drives.target],
                          env=drives.env)
                told = re.search(r"kvi: verified: .* in ([0-9.]+) s\)", m.said)
                if told:
                    checks.append(float(told.group(1)))
                return m
            return run_it

        rows = rounds(max(args.repeat, 3), [
            ("kvi restore --no-verify", restore("--no-verify")),
            ("kvi restore (verified)", restore()),
            ("dd iflag=direct bs=1M", lambda: timed(["dd", "if=" + drives.target_path, "of=/dev/null", "bs=1M",
                                                     "iflag=direct", "status=none"])),
        ])
    finally:
        drives.close()
        if os.path.exists(image):
            os.unlink(image)
    plain, checked, raw = rows["kvi restore --no-verify"], rows["kvi restore (verified)"], rows["dd iflag=direct bs=1M"]
    if not checks:
        fail("kvi restore did not tell how long its check took")
    check = min(checks)
    ratio = raw.seconds / check
    kind = drives.kind + (" (reaching its file past the page cache)" if use_loop else "")
    lines = ["### The check after a restore: used card, %s" % kind, "",
             "| Run | Seconds | MB/s |", "|---|---:|---:|"]
    for name, m in rows.items():
        lines.append("| %s | %.2f | %.0f |" % (name, m.seconds, mbps(size, m)))
    lines += ["| the check alone (as kvi tells it) | %.2f | %.0f |" % (check, size / check / 1e6), "",
              "The check reads at %.2f × the raw direct read of the same device: target ≥ 0.8 ×, %s." % (
                  ratio, "met" if ratio >= 0.8 else "**missed**")]
    return lines


def marked_section(name, lines):
    """Returns the lines between the marks that let a later run of that
    section alone find them in the report."""
    return ["<!-- section: %s -->" % name] + lines + ["<!-- end: %s -->" % name]


def replace_section(path, name, lines):
    """Puts the lines of section `name` into the report at path, in place of
    the section of that name there, or at its end."""
    text = open(path).read() if os.path.exists(path) else ""
    section = "\n".join(marked_section(name, lines))
    begin, end = marked_section(name, [])
    if begin in text and end in text:
        head, rest = text.split(begin, 1)
        text = head + section + rest.split(end, 1)[1]
    else:
        text = text.rstrip("\n") + "\n\n" + section + "\n"
    with open(path, "w") as f:
        f.write(text)


def bench_raw(args, work, drives, cores, tag):
    """Raw compressed images with kvi beside zstd and xz on one card. Returns the rows."""
    kvi = args.kvi
    paths = {name: os.path.join(work, tag + name) for name in
             (".img.zst", ".img.xz", ".zstd19.zst", ".zstd3.zst", ".xz")}
    raw_target = os.path.join(work, "raw-target.img")

    def kvi_create(ext):
        def make():
            if os.path.exists(paths[ext]):
                os.unlink(paths[ext])
            return timed([kvi, "--yes", "--quiet", "create", drives.source, paths[ext]], env=drives.env,
                         output=paths[ext])
        return make

    def kvi_restore(ext):
        def make():
            drives.fresh_target()
            m = timed([kvi, "--yes", "--quiet", "restore", "--no-verify", paths[ext], drives.target], env=drives.env)
            if not same_bytes(drives.source_path, drives.target_path, drives.size):
                fail("kvi restore of %s did not give back the card's bytes (%s)" % (ext, tag))
            return m
        return make

    def tool(argv, key):
        return lambda: timed(argv + ["-c"], stdin=drives.source_path, stdout=paths[key], output=paths[key])

    def tool_restore(expand, key):
        def make():
            sparse_file(raw_target, drives.size)
            return timed(["sh", "-c", expand + ' < "$1" | dd of="$2" bs=512K conv=fsync,notrunc status=none', "sh",
                          paths[key], raw_target])
        return make

    rows = rounds(args.repeat, [
        ("kvi create .img.zst", kvi_create(".img.zst")),
        ("zstd -T0 -19", tool(["zstd", "-q", "-T0", "-19"], ".zstd19.zst")),
        ("zstd -T0 -3", tool(["zstd", "-q", "-T0", "-3"], ".zstd3.zst")),
        ("kvi create .img.xz", kvi_create(".img.xz")),
        ("xz -T0", tool(["xz", "-T0"], ".xz")),
        ("kvi restore .img.zst", kvi_restore(".img.zst")),
        ("zstd -d (| dd conv=fsync)", tool_restore("zstd -d -q -c", ".img.zst")),
        ("kvi restore .img.xz", kvi_restore(".img.xz")),
        ("xz -d (| dd conv=fsync)", tool_restore("xz -d -c", ".img.xz")),
    ])
    for path in list(paths.values()) + [raw_target]:
        if os.path.exists(path):
            os.unlink(path)
    return rows


def zstd_sweep(card, work, levels, known):
    """zstd -T0 at each level on the card, one run each; the levels in
    `known` ({level: Measure}) were measured by the rows already. Returns
    {level: Measure}."""
    out = os.path.join(work, "sweep.zst")
    sweep = {level: known.get(level) or timed(["zstd", "-q", "-T0", "-%d" % level, "-c"], stdin=card, stdout=out,
                                              output=out)
             for level in levels}
    if os.path.exists(out):
        os.unlink(out)
    return sweep


def raw_report(args, work, cards, size, cores):
    """Runs the raw-format rows on every card (simulated drive). Returns the
    lines of their section."""
    lines = ["## Raw disk images: .img.zst and .img.xz beside zstd and xz", "",
             "kvi writes .img.zst at zstd level %s and .img.xz at xz preset 6 (xz's default), both with one "
             "thread per core; it reads them back through libarchive, on one thread." % kvi_zstd_level(args.kvi),
             "Each figure is the fastest of %d run(s), simulated drive (file)." % args.repeat, ""]
    known = {}  # per card, the zstd levels the rows measured
    for name, (path, filled) in cards.items():
        drives = SimulatedDrives(work, path, size, folder="raw-drives")
        try:
            print("bench: raw formats, %s" % name, flush=True)
            rows = bench_raw(args, work, drives, cores, name.split()[0] + "-raw")
        finally:
            drives.close()
        known[name] = {3: rows["zstd -T0 -3"], 19: rows["zstd -T0 -19"]}
        lines += ["### %s (%d MiB ext4, %.0f %% used)" % (name, size // MiB, filled * 100), "",
                  "| Run | Seconds | CPU seconds | MB/s | Output MiB | Peak memory MiB |", "|---|---:|---:|---:|---:|---:|"]
        for run_name, m in rows.items():
            out = "%.1f" % (m.size / MiB) if m.size is not None else ""
            lines.append("| %s | %.2f | %.2f | %.0f | %s | %s |" % (run_name, m.seconds, m.cpu, mbps(size, m), out,
                                                                    fmt_mib(m.peak_kib)))
        lines.append("")
    print("bench: zstd level sweep", flush=True)
    levels = [1, 3, 6, 9, 12, 15, 19]
    sweeps = {name: zstd_sweep(path, work, levels, known[name]) for name, (path, _) in cards.items()}
    lines += sweep_table("### zstd -T0 -N on the cards (levels 3 and 19: the rows above; the others one run each; "
                         "the library kvi writes .img.zst with)",
                         "MiB", levels, sweeps, size, lambda name, m: "%.1f" % (m.size / MiB))
    lines.append("")
    return lines


def sweep_table(title, size_head, levels, sweeps, size, size_cell):
    """Returns the lines of a level sweep's table: per level, each card's
    MB/s and its size as size_cell(card name, Measure) gives it."""
    lines = [title, "", "| Level | " + " | ".join("%s MB/s | %s %s" % (n, n, size_head) for n in sweeps) + " |",
             "|---:|" + "---:|---:|" * len(sweeps)]
    for level in levels:
        cells = []
        for name in sweeps:
            m = sweeps[name][level]
            cells += ["%.0f" % mbps(size, m), size_cell(name, m)]
        lines.append("| %d | %s |" % (level, " | ".join(cells)))
    return lines


def kvi_zstd_level(kvi):
    """Returns the zstd level kvi writes .img.zst at, from its help."""
    match = re.search(r"zstd level (\d+)", run([kvi, "create", "--help"]))
    return int(match.group(1)) if match else "?"


def bench_zero(args, work, size):
    """kvi on a drive that was never written: create, restore, peak memory."""
    drives = SimulatedDrives(work, None, size, folder="zero-drives")
    image = os.path.join(work, "zero.kvi")

    def create():
        if os.path.exists(image):
            os.unlink(image)
        return timed([args.kvi, "--yes", "--quiet", "create", "1", image], env=drives.env, output=image)

    def restore():
        drives.fresh_target()
        return timed([args.kvi, "--yes", "--quiet", "restore", image, "2"], env=drives.env)

    rows = rounds(args.repeat, [("kvi create", create), ("kvi restore", restore)])
    drives.close()
    os.unlink(image)
    return rows


def bench_levels(args, work, cards, levels):
    """kvi create at each level on each card (simulated drives, one run each).
    Returns {card name: {level: Measure}} and {card name: gzip -9 size}."""
    sizes, gzip_sizes = {}, {}
    image = os.path.join(work, "level.kvi")
    for name, (path, _) in cards.items():
        drives = SimulatedDrives(work, path, os.path.getsize(path), folder="level-drives")
        try:
            gz = os.path.join(work, "level.gz")
            gzip_sizes[name] = timed(["gzip", "-9", "-c"], stdin=path, stdout=gz, output=gz).size
            os.unlink(gz)
            sizes[name] = {}
            for level in levels:
                if os.path.exists(image):
                    os.unlink(image)
                sizes[name][level] = timed([args.kvi, "--yes", "--quiet", "create", "1", image, "--level", str(level)],
                                           env=drives.env, output=image)
        finally:
            drives.close()
    if os.path.exists(image):
        os.unlink(image)
    return sizes, gzip_sizes


def meter_share(args, work, card, size):
    """Profiles one kvi restore of `card` with perf. Returns the share of the
    samples in the progress meter and the bar, or None without perf."""
    if not shutil.which("perf"):
        return None
    drives = SimulatedDrives(work, card, size, folder="meter-drives")
    image = os.path.join(work, "meter.kvi")
    data = os.path.join(work, "meter.perf")
    try:
        run([args.kvi, "--yes", "--quiet", "create", "1", image], env=drives.env)
        drives.fresh_target()
        settle()
        run(["perf", "record", "-q", "-o", data, args.kvi, "--yes", "--quiet", "restore", image, "2"], env=drives.env)
        report = run(["perf", "report", "-i", data, "--no-children", "-g", "none", "--sort", "sym", "--stdio"])
    finally:
        drives.close()
        for path in (image, data):
            if os.path.exists(path):
                os.unlink(path)
    share = 0.0
    for line in report.splitlines():
        if any(k in line for k in ("ProgressMeter", "ProgressReading", "ProgressBar", "SetReading", "DurationText")):
            share += float(line.split("%")[0].strip() or 0)
    return share


# ---- the report ----------------------------------------------------------------

def mbps(size, m):
    return size / 1e6 / m.seconds


def fmt_mib(kib):
    return "%.1f" % (kib / 1024)


def card_table(title, size, rows, cores):
    gz = rows["gzip -9"]
    pigz = rows["pigz -9 -p %d" % cores]
    raw = rows["dd bs=512K conv=fsync"]
    pigz_d = rows["pigz -d -p %d (| dd conv=fsync)" % cores]
    lines = ["### " + title, "",
             "| Run | Seconds | CPU seconds | MB/s | Output MiB | Size / gzip -9 | Peak memory MiB |",
             "|---|---:|---:|---:|---:|---:|---:|"]
    for name, m in rows.items():
        out = "%.1f" % (m.size / MiB) if m.size is not None else ""
        ratio = "%.4f" % (m.size / gz.size) if m.size is not None else ""
        lines.append("| %s | %.2f | %.2f | %.0f | %s | %s | %s |" % (name, m.seconds, m.cpu, mbps(size, m), out, ratio,
                                                                     fmt_mib(m.peak_kib)))
    create, restore = rows["kvi create"], rows["kvi restore"]
    ratios = {
        "create speed kvi / pigz -9 -p %d" % cores: pigz.seconds / create.seconds,
        "create speed kvi / gzip -9": gz.seconds / create.seconds,
        "image size kvi / gzip -9": create.size / gz.size,
        "image size kvi / pigz -9": create.size / pigz.size,
        "restore speed kvi / raw copy (dd)": raw.seconds / restore.seconds,
        "restore speed kvi / pigz -d": pigz_d.seconds / restore.seconds,
    }
    lines += ["", "| Ratio | Value |", "|---|---:|"]
    lines += ["| %s | %.2f%s |" % (k, v, "" if "size" not in k else " (%.4f)" % v) for k, v in ratios.items()]
    return lines, ratios, create, restore


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--kvi", required=True)
    parser.add_argument("--out", default="bench/results.md")
    parser.add_argument("--work", default=None, help="folder for the test data (kept for the next run)")
    parser.add_argument("--size-mib", type=int, default=1024)
    parser.add_argument("--fill", type=float, default=0.70)
    parser.add_argument("--big-gib", type=int, default=4, help="size of the never-written drive of the memory check")
    parser.add_argument("--repeat", type=int, default=2, help="runs of each measurement; the fastest counts")
    parser.add_argument("--no-loop", action="store_true", help="skip the loop device rows")
    parser.add_argument("--levels", default="1-9", help="levels of the sweep, FIRST-LAST")
    parser.add_argument("--only", choices=["verify", "raw-formats"],
                        help="run one section alone, put into --out in its place")
    parser.add_argument("--raw-formats", action="store_true", help="the same as --only raw-formats")
    args = parser.parse_args()
    first, _, last = args.levels.partition("-")
    levels = list(range(int(first), int(last or first) + 1))

    args.kvi = os.path.abspath(args.kvi)
    if not os.access(args.kvi, os.X_OK):
        fail("no kvi at %s (build it: cmake --build build --target kvi)" % args.kvi)
    for tool in (TIME, "gzip", "pigz", "mkfs.ext4", "dumpe2fs", "dd", "cmp", "zstd", "xz"):
        if not shutil.which(tool):
            fail("%s is missing (make bench installs pigz, time and e2fsprogs)" % tool)
    work = os.path.abspath(args.work or os.path.join(tempfile.gettempdir(), "korvalith-bench"))
    os.makedirs(work, exist_ok=True)
    size = args.size_mib * MiB
    cores = os.cpu_count() or 1
    started = datetime.datetime.now()

    cards = make_cards(work, size, args.fill)
    if args.raw_formats or args.only == "raw-formats":
        lines = raw_report(args, work, cards, size, cores)
        replace_section(args.out, "raw-formats", lines)
        print("\n".join(lines))
        print("bench: raw formats written into %s (%.0f s)" % (args.out, (datetime.datetime.now() - started).total_seconds()))
        return
    use_loop = not args.no_loop and loop_devices_usable()
    if args.only == "verify":
        print("bench: the check after a restore", flush=True)
        lines = bench_verify(args, work, cards, size, use_loop)
        replace_section(args.out, "verify", lines)
        print("\n".join(lines))
        return
    report = ["# Benchmark: kvi beside gzip, pigz and a raw copy", "",
              "Run %s on %s, %d cores (`nproc`), %s, kernel %s." % (
                  started.strftime("%Y-%m-%d %H:%M"), platform.node() or "this machine", cores,
                  platform.machine(), platform.release()),
              "Made by `make bench` (bench/bench.py). MB/s are 10^6 bytes of drive per second of wall time;",
              "before every timed run the page cache is written back (sync)%s, so inputs come from storage;" % (
                  " and dropped" if os.geteuid() == 0 else " (not dropped: not root)"),
              "restores and raw copies end with the data flushed to storage (kvi: fdatasync; dd: conv=fsync).",
              "kvi writes images at its default level (%s) unless a row names another." % kvi_default_level(args.kvi),
              "Each figure is the fastest of %d run(s); peak memory is the highest resident set seen (`/usr/bin/time -v`)." % args.repeat,
              ""]
    summary = []
    for name, (path, filled) in cards.items():
        kinds = [SimulatedDrives] + ([LoopDrives] if use_loop else [])
        for kind in kinds:
            drives = kind(work, path, size)
            try:
                tag = name.split()[0] + ("-loop" if kind is LoopDrives else "")
                print("bench: %s, %s" % (name, drives.kind), flush=True)
                rows = bench_card(args, work, drives, cores, tag)
            finally:
                drives.close()
            title = "%s (%d MiB ext4, %.0f %% used, free space %s), %s" % (
                name, size // MiB, filled * 100, "never written" if name == "fresh card" else "random bytes",
                drives.kind)
            lines, ratios, create, restore = card_table(title, size, rows, cores)
            report += lines + [""]
            summary.append((title, ratios, create, restore, rows["dd bs=512K conv=fsync"]))
    if not use_loop:
        why = "--no-loop" if args.no_loop else "they need root and a free loop device"
        report += ["Loop device rows: not run (%s)." % why, ""]

    print("bench: never-written drives", flush=True)
    zero_rows = {}
    for gib_size in sorted({size, args.big_gib << 30}):
        zero_rows[gib_size] = bench_zero(args, work, gib_size)
    report += ["### Never-written drives (all zero), simulated drive", "",
               "| Drive | Run | Seconds | MB/s | Output MiB | Peak memory MiB |", "|---|---|---:|---:|---:|---:|"]
    for zsize, rows in zero_rows.items():
        for run_name, m in rows.items():
            out = "%.2f" % (m.size / MiB) if m.size is not None else ""
            report.append("| %d MiB | %s | %.2f | %.0f | %s | %s |" % (zsize // MiB, run_name, m.seconds, mbps(zsize, m),
                                                                       out, fmt_mib(m.peak_kib)))
    report.append("")

    print("bench: level sweep", flush=True)
    sweep, gzip_sizes = bench_levels(args, work, cards, levels)
    report += sweep_table("### Level sweep: `kvi create --level N`, simulated drive, one run each", "size / gzip -9",
                          levels, sweep, size, lambda name, m: "%.4f" % (m.size / gzip_sizes[name]))
    fitting = [lv for lv in levels if all(sweep[n][lv].size <= gzip_sizes[n] for n in sweep)]
    chosen = min(fitting, key=lambda lv: max(sweep[n][lv].seconds for n in sweep)) if fitting else None
    report += ["", "Fastest level no larger than gzip -9 on every card: %s (kvi's default: %s)." % (
        chosen if chosen is not None else "none of %s" % args.levels, kvi_default_level(args.kvi)), ""]

    print("bench: the meter's share of a restore", flush=True)
    meter = meter_share(args, work, cards["fresh card"][0], size)

    print("bench: the check after a restore", flush=True)
    verify_lines = bench_verify(args, work, cards, size, use_loop)

    # Targets
    def verdict(ok):
        return "met" if ok else "**missed**"

    zero_create = zero_rows[size]["kvi create"]
    peaks = [s[2].peak_kib for s in summary] + [s[3].peak_kib for s in summary]
    peaks += [m.peak_kib for rows in zero_rows.values() for m in rows.values()]
    small = [m.peak_kib for m in zero_rows[size].values()]
    big = [m.peak_kib for m in zero_rows[max(zero_rows)].values()]
    report += ["## Targets", "", "| Target | Worst case measured | Verdict |", "|---|---|---|"]
    key_pigz = "create speed kvi / pigz -9 -p %d" % cores
    create_missed = []
    for card, floor in (("fresh card", 4.0), ("used card", 3.0)):
        rows_of = [s for s in summary if s[0].startswith(card)]
        if not rows_of:
            continue
        worst = min(rows_of, key=lambda s: s[1][key_pigz])
        ok = worst[1][key_pigz] >= floor
        if not ok:
            create_missed.append(worst)
        report.append("| create ≥ %.0f × pigz -9 -p %d, %s | %.2f × (%s) | %s |" % (
            floor, cores, card, worst[1][key_pigz], worst[0], verdict(ok)))
    worst = max(summary, key=lambda s: s[1]["image size kvi / gzip -9"])
    report.append("| image size ≤ 1.00 × gzip -9 | %.4f × (%s) | %s |" % (worst[1]["image size kvi / gzip -9"], worst[0],
                                                                         verdict(worst[1]["image size kvi / gzip -9"] <= 1.0)))
    zero_speed = mbps(size, zero_create) / 1000
    report.append("| all-zero stretches ≥ 1 GB/s | %.2f GB/s (never-written %d MiB drive) | %s |" % (
        zero_speed, size // MiB, verdict(zero_speed >= 1.0)))
    key_raw = "restore speed kvi / raw copy (dd)"
    worst = worst_restore = min(summary, key=lambda s: s[1][key_raw])
    report.append("| restore ≥ 0.8 × dd bs=512K conv=fsync | %.2f × (%s) | %s |" % (worst[1][key_raw], worst[0],
                                                                                 verdict(worst[1][key_raw] >= 0.8)))
    peak = max(peaks) / 1024
    report.append("| peak memory < 64 MiB | %.1f MiB | %s |" % (peak, verdict(peak < 64)))
    growth = max(big) - max(small)
    report.append("| memory not growing with drive size | %.1f MiB at %d MiB, %.1f MiB at %d MiB | %s |" % (
        max(small) / 1024, size // MiB, max(big) / 1024, max(zero_rows) // MiB, verdict(growth < 4096)))
    if meter is None:
        report.append("| progress meter < 1 %% of a run | not measured (no perf) | |")
    else:
        report.append("| progress meter < 1 %% of a run | %.2f %% of the samples of a restore (perf) | %s |" % (
            meter, verdict(meter < 1.0)))
    report.append("")

    notes = []
    if create_missed:
        notes.append("- Create: %s." % "; ".join("%.2f × pigz on the %s" % (s[1][key_pigz], s[0]) for s in create_missed))
    if worst_restore[1][key_raw] < 0.8:
        restore, raw = worst_restore[3], worst_restore[4]
        notes.append("- Restore: in the worst case (%s) kvi took %.2f s, %.2f s of processor time on %d cores "
                     "(expanding every stored block, then writing it), where the raw copy took %.2f s with %.2f s "
                     "of processor time: it only moves bytes, at %.0f MB/s here. With both cores busy expanding, "
                     "kvi cannot come within 0.8 × of a copy that needs a fraction of the work; both end with the "
                     "same flush of the whole drive. A real card writes at 10–90 MB/s, below either (kvi restored "
                     "at %.0f–%.0f MB/s)." % (
                         worst_restore[0], restore.seconds, restore.cpu, cores, raw.seconds, raw.cpu, mbps(size, raw),
                         min(mbps(size, s[3]) for s in summary), max(mbps(size, s[3]) for s in summary)))
    if notes:
        report += ["Why the missed targets are missed:", ""] + notes + [""]
    report += marked_section("verify", verify_lines) + [""]
    report += marked_section("raw-formats", raw_report(args, work, cards, size, cores)) + [""]

    text = "\n".join(report)
    print()
    print(text)
    with open(args.out, "w") as f:
        f.write(text)
    print("bench: written to %s (%.0f s)" % (args.out, (datetime.datetime.now() - started).total_seconds()))


if __name__ == "__main__":
    main()
