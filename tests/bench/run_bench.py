#!/usr/bin/env python3
"""The benchmarks of ./bench: the real game's frame pacing and render work under
Wine, with the machine quiet and with another process keeping a core busy; start-up
to the first drawn menu frame; and the native decoding and wave-loading figures.
With the i686 tree, the busy frame and the bitmap decoding are also timed for both
Windows architectures under Wine, 32-bit beside 64-bit. Prints one table. Figures are
measured, never asserted: the targets are shown beside them.
  run_bench.py BUILD_DIR NATIVE_BENCH [I686_DIR]"""
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import winebench as wb  # noqa: E402

rows = []


def row(what, figure, target):
    rows.append((what, figure, target))
    print(f"  {what}: {figure}", flush=True)


def figures(line):
    return {k: float(v) for k, v in re.findall(r"(\w+)=([-\d.]+)", line)}


def probe(build_dir, *args, tree=None, program="game_probe.exe", prefix=None):
    """Runs a probe program of a build tree (default build_dir's) in a copy of that
    tree's game folder, on build_dir's bench; answers the figures of its last line that
    starts with prefix (default the first argument)."""
    tree = tree or build_dir
    prefix = prefix or args[0]
    wine_dir = os.path.join(build_dir, "wine")
    folder = tempfile.mkdtemp(prefix="triwell-bench-")
    try:
        shutil.copytree(os.path.join(tree, "Triwell"), folder, dirs_exist_ok=True)
        env = wb.wine_env(wine_dir, wb.current_display(wine_dir))
        exe = os.path.join(tree, "bin", program)
        out = subprocess.run([wb.loader_for(exe), exe, *args], cwd=folder, env=env,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, timeout=300).stdout
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    lines = [l for l in out.splitlines() if l.startswith(prefix)]
    if not lines:
        raise wb.BenchError(f"{program} {' '.join(args)} printed no {prefix} figures")
    return figures(lines[-1])


def busy_core():
    """Another process keeping one core busy."""
    return subprocess.Popen(["sh", "-c", "while :; do :; done"])


def pacing(build_dir):
    quiet = probe(build_dir, "pacing", "20")
    row("pacing, quiet: frames a second", f"{quiet['fps']:.2f}", "33.33 within 1 %")
    row("pacing, quiet: 99th percentile of frame intervals", f"{quiet['p99_ms']:.1f} ms", "at most 35 ms")
    row("pacing, quiet: share of a core the game uses", f"{quiet['cpu_share']:.3f}", "at most 0.2")
    hog = busy_core()
    try:
        loaded = probe(build_dir, "pacing", "20")
    finally:
        hog.kill()
        hog.wait()
    row("pacing, one core busy: frames a second", f"{loaded['fps']:.2f}", "")
    row("pacing, one core busy: 99th percentile of frame intervals",
        f"{loaded['p99_ms']:.1f} ms (longest {loaded['max_ms']:.1f})", "at most 40 ms")


def render(build_dir):
    busy = probe(build_dir, "render", "10")
    row("busy game frame: renderer procedure, median / 99th percentile",
        f"{busy['user_p50_ms']:.2f} / {busy['user_p99_ms']:.2f} ms", "at most 1 / 5 ms")
    row("busy game frame: whole pass with the flip, median / 99th percentile",
        f"{busy['pass_p50_ms']:.2f} / {busy['pass_p99_ms']:.2f} ms", "")


def architectures(build_dir, i686_dir):
    """The busy frame and the bitmap decoding of each Windows architecture under Wine."""
    trees = [("64-bit", build_dir)]
    refusal = wb.refuses_32bit()
    if refusal:
        row("32-bit figures", "not measured", refusal)
    else:
        trees.append(("32-bit", i686_dir))
    for bits, tree in trees:
        busy = probe(build_dir, "render", "10", tree=tree)
        row(f"{bits} under Wine: busy frame renderer, median / 99th percentile",
            f"{busy['user_p50_ms']:.2f} / {busy['user_p99_ms']:.2f} ms", "at most 1 / 5 ms")
        for depth in ("24", "8"):
            f = probe(build_dir, "101", tree=tree, program="decode_bench.exe", prefix=f"decode{depth} ")
            row(f"{bits} under Wine: {depth}-bit bitmap to 5-6-5, ours / stb_image",
                f"{f['ours_ms']:.2f} / {f['stb_ms']:.2f} ms = {f['ratio']:.2f}", "at most 0.3")


def startup(build_dir, runs=5):
    """From starting game.exe to the first drawn menu frame, seen on the display,
    with the prefix warm and its desktop up."""
    import pictures
    menu = pictures.bitmap(os.path.join(build_dir, "Triwell", "IMAGES"), "MainMenu_BG.bmp")
    drawn = lambda screen: pictures.shows(screen, menu, (0, 0, 800, 60), (0, 0), step=10) > 0.9
    times = []
    for _ in range(runs):
        with wb.GameRun(build_dir) as game:
            start = time.monotonic()
            # The menu's background is drawn at the first menu frame.
            wb.wait_for(lambda: drawn(game.screen.screenshot()), 60, interval=0.005, what="the first menu frame")
            times.append(time.monotonic() - start)
            game.screen.key("Escape")
            game.wait_exit(60)
    row("start-up to the first drawn menu frame, median of 5", f"{statistics.median(times):.2f} s "
        f"({min(times):.2f} to {max(times):.2f})", "at most 1 s")


def native(bench):
    out = subprocess.run([bench], stdout=subprocess.PIPE, text=True, timeout=600, check=True).stdout
    for line in out.splitlines():
        f = figures(line)
        if line.startswith("decode24") or line.startswith("decode8"):
            depth = "24" if line.startswith("decode24") else "8"
            row(f"{depth}-bit 800 x 600 bitmap to 5-6-5: ours / stb_image",
                f"{f.get('ours_ms', 0):.2f} / {f.get('stb_ms', 0):.2f} ms = {f.get('ratio', 0):.2f}",
                "at most 0.3")
        elif line.startswith("wave"):
            cold = " (its pages dropped from the cache)" if "cold" in line.split()[0] else ""
            row(f"50 MB wave after a 40 MB LIST chunk: load{cold}", f"{f.get('ms', 0):.0f} ms", "at most 500 ms")


def main(argv):
    build_dir, native_bench = os.path.abspath(argv[1]), argv[2]
    i686_dir = os.path.abspath(argv[3]) if len(argv) > 3 else None
    wine_dir = os.path.join(build_dir, "wine")
    print("native:")
    native(native_bench)
    # A bench already up (the tests', a soak's) is used as it is and left up.
    was_up = wb.current_display(wine_dir)
    if not was_up:
        wb.up(wine_dir)
    try:
        print("under Wine:")
        pacing(build_dir)
        render(build_dir)
        startup(build_dir)
        if i686_dir:
            architectures(build_dir, i686_dir)
    finally:
        if not was_up:
            wb.down(wine_dir)
    width = max(len(r[0]) for r in rows)
    fw = max(len(r[1]) for r in rows)
    print()
    print(f"{'':{width}}  {'measured':{fw}}  target")
    for what, figure, target in rows:
        print(f"{what:{width}}  {figure:{fw}}  {target}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
