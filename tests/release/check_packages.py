#!/usr/bin/python3
"""Checks the two zips that `cpack` makes in the x86-64 build tree, unpacked into a
temporary folder: the player's zip holds the game folder and a README that fits one
screen of Notepad; the engine SDK's zip holds its files, headers that compile on their
own, and an example that builds from the SDK alone for x86-64 and i686, imports from
both DLLs by name only names they export, and runs under Wine.

Every file of both zips must be the very file of the build trees it comes from.

Usage: check_packages.py BUILD_DIR I686_DIR VERSION [x86]
  (the x86-64 tree with its bench up, the i686 tree). With x86 it builds the SDK's
  example for i686 only and plays that under Wine's 32-bit loader; it ends with
  code 77 (skipped) where the kernel refuses 32-bit programs.
"""
import filecmp
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "bench"))
import winebench as wb  # noqa: E402

PLAYER_ENTRIES = {"game.exe", "TavrikEngine2D.dll", "tavriksoundlite.dll", "IMAGES", "SOUNDS", "README.txt"}
README_LINES, README_COLUMNS = 24, 79  # a line of 80 makes a console wrap
DLLS = ("TavrikEngine2D.dll", "tavriksoundlite.dll")
HEADERS = ("tavrik_engine.h", "tavrik_sound.h")
# MinGW-w64 prefix of each architecture and its folder in the SDK.
ARCHES = (("x86_64-w64-mingw32", "x64"), ("i686-w64-mingw32", "x86"))
SDK_FILES = ({"include/" + h for h in HEADERS} | {"docs/ENGINE.md"}
             | {"examples/" + f for f in ("CMakeLists.txt", "move_gem.cpp", "Gem.bmp", "Click.wav")}
             | {"bin/%s/%s" % (arch, dll) for _, arch in ARCHES for dll in DLLS}
             | {"lib/%s/%s" % (arch, f) for _, arch in ARCHES
                for f in ("libTavrikEngine2D.dll.a", "TavrikEngine2D.def",
                          "libtavriksoundlite.dll.a", "tavriksoundlite.def")})
WINDOW_CLASS = "TavrikEngine2DWindowClass"

problems = []


def check(condition, message):
    if not condition:
        problems.append(message)
    return condition


def run(args, **kwargs):
    """Runs a step that must succeed; answers its output, or raises with it."""
    done = subprocess.run(args, capture_output=True, text=True, timeout=600, **kwargs)
    if done.returncode != 0:
        raise RuntimeError("%s exited with %d\n%s%s" % (" ".join(args), done.returncode, done.stdout, done.stderr))
    return done.stdout


def unpack(path, into):
    """Unpacks a zip whose entries all lie in one folder named like the zip; answers that folder."""
    top = os.path.basename(path)[:-len(".zip")]
    with zipfile.ZipFile(path) as archive:
        outside = [n for n in archive.namelist() if not n.startswith(top + "/")]
        check(not outside, "%s has entries outside %s/: %s" % (path, top, outside))
        archive.extractall(into)
    return os.path.join(into, top)


def files_under(top):
    return {os.path.relpath(os.path.join(folder, f), top).replace(os.sep, "/")
            for folder, _, files in os.walk(top) for f in files}


def check_readme(path):
    data = open(path, "rb").read()
    check(data.count(b"\n") == data.count(b"\r\n") == data.count(b"\r") and data.endswith(b"\r\n"),
          "README.txt: every line must end in CR LF (Notepad)")
    try:
        lines = data.decode("ascii").split("\r\n")[:-1]
    except UnicodeDecodeError:
        check(False, "README.txt: not plain ASCII")
        return
    check(len(lines) <= README_LINES, "README.txt: %d lines, at most %d fit a screen" % (len(lines), README_LINES))
    for number, line in enumerate(lines, 1):
        check(len(line) <= README_COLUMNS, "README.txt line %d: %d columns, at most %d" % (number, len(line), README_COLUMNS))


def exported_names(objdump, dll):
    table = run([objdump, "-p", dll]).split("[Ordinal/Name Pointer] Table", 1)[-1].split("\n\n", 1)[0]
    return set(re.findall(r"^\s*\[\s*\d+\] (\S+)$", table, re.M))


def imported_names(objdump, exe):
    """Per DLL, the names a program imports from it ("<none>" for an import by ordinal)."""
    imports, dll = {}, None
    for line in run([objdump, "-p", exe]).splitlines():
        if line.strip().startswith("DLL Name:"):
            dll = line.split(":", 1)[1].strip()
            imports[dll] = []
        elif not line.strip():
            dll = None
        elif dll and (entry := re.match(r"^\s+[0-9a-f]+\s+\d+\s+(\S+)$", line)):
            imports[dll].append(entry.group(1))
    return imports


def build_example(sdk, prefix, work):
    """Configures and builds the SDK's example with one architecture's compiler, as its
    CMakeLists.txt tells a programmer to."""
    build = os.path.join(work, "example-" + prefix)
    run(["cmake", "-S", os.path.join(sdk, "examples"), "-B", build, "-G", "Ninja", "-DCMAKE_SYSTEM_NAME=Windows",
         "-DCMAKE_CXX_COMPILER=%s-g++" % prefix, "-DCMAKE_BUILD_TYPE=Release"])
    run(["cmake", "--build", build])
    return build


def check_example(sdk, prefix, arch, work):
    objdump = prefix + "-objdump"
    for header in HEADERS:
        run([prefix + "-g++", "-x", "c++", "-fsyntax-only", "-Wall", "-Wextra", "-Werror", "-I", os.path.join(sdk, "include"), "-"],
            input="#include <%s>\n" % header)
    build = build_example(sdk, prefix, work)
    exe = os.path.join(build, "move_gem.exe")
    imports = imported_names(objdump, exe)
    for dll in DLLS:
        names = imports.get(dll, [])
        unknown = set(names) - exported_names(objdump, os.path.join(sdk, "bin", arch, dll))
        check(names and not unknown, "%s example: imports from %s %s not among its exports: %s"
              % (arch, dll, names, sorted(unknown)))
    return exe


def gem_x(screen, row=300):
    """Middle of the gem's pixels on a row of the screen (the background is dark); None
    when the row shows none."""
    xs = [x for x in range(0, 800, 2) if max(screen.pixel(x, row)) > 100]
    return sum(xs) / len(xs) if xs else None


def run_example(build_dir, exe):
    """Plays a build of the example under Wine: the gem is drawn in the middle, Right held
    moves it and stops once let go, also when it was let go while the window was away,
    Space is heard, Esc ends it with code 0."""
    config, capture = wb.audio_capture_paths(build_dir)
    if os.path.exists(capture):
        os.remove(capture)
    data = lambda folder: [shutil.copy(os.path.join(os.path.dirname(exe), f), folder) for f in ("Gem.bmp", "Click.wav")]
    with wb.GameRun(build_dir, program=exe, env={"ALSA_CONFIG_PATH": config}, folder_setup=data) as run:
        run.wait_window()
        screen = run.wait_screen(lambda s: gem_x(s) is not None, what="the gem")
        check(abs(gem_x(screen) - 400) < 4, "the gem starts in the middle, not at x %s" % gem_x(screen))

        def still(what):
            """Two screens half a second apart show the gem at one place; answers it."""
            def same():
                before = gem_x(run.screen.screenshot())
                time.sleep(0.5)
                after = gem_x(run.screen.screenshot())
                return before is not None and before == after and (after,)
            return wb.wait_for(same, 30, what=what)[0]

        run.screen.key_down("Right")
        run.wait_screen(lambda s: (gem_x(s) or 0) > 450, what="the gem moving right")
        run.screen.key_up("Right")
        stopped = still("the gem stopping")
        # Let go while the window is away: no key-up reaches the program.
        run.screen.key_down("Left")
        run.wait_screen(lambda s: (gem_x(s) or 1000) < stopped - 20, what="the gem moving left")
        run.probe("minimize", WINDOW_CLASS)
        wb.wait_for(lambda: run.probe("iconic", WINDOW_CLASS) == "1", 30, what="the window minimised")
        run.screen.key_up("Left")
        run.probe("restore", WINDOW_CLASS)
        wb.wait_for(lambda: run.probe("iconic", WINDOW_CLASS) == "0", 30, what="the window restored")
        left = still("the gem at rest after the window came back")
        time.sleep(1)
        check(gem_x(run.screen.screenshot()) == left, "the gem drifts on after a key let go while away")

        wb.wait_for(lambda: os.path.exists(capture), 30, what="the sound device")
        size = os.path.getsize(capture)
        run.screen.key("space")
        wb.wait_for(lambda: wb.loud_samples(capture, size)[0] > 0, 30, what="the click")
        run.screen.key("Escape")
        check(run.wait_exit(60) == 0, "the example ended with code %s after Esc" % run.exit_code)


def compare_files(zipped, built, what):
    """Each file of a folder of a zip is the built one; answers nothing, notes problems."""
    for name in sorted(zipped):
        if not os.path.exists(built[name]):
            problems.append("%s: %s has no built counterpart %s" % (what, name, built[name]))
        elif not filecmp.cmp(zipped[name], built[name], shallow=False):
            problems.append("%s: %s differs from %s (run cpack after the build)" % (what, name, built[name]))


def play_x86_example(build_dir, version):
    """Builds the SDK's example for i686 from the unpacked zip and plays it."""
    refusal = wb.refuses_32bit()
    if refusal:
        print(refusal)
        return wb.SKIP_CODE
    sdk_zip = os.path.join(build_dir, "package", "Triwell-engine-sdk-%s.zip" % version)
    with tempfile.TemporaryDirectory(prefix="triwell-packages-") as work:
        try:
            run_example(build_dir, check_example(unpack(sdk_zip, work), *ARCHES[1], work))
        except (RuntimeError, subprocess.TimeoutExpired, wb.BenchError, OSError) as e:
            problems.append(str(e))
    for p in problems:
        print("FAIL", p)
    print("x86 example played, %d problems" % len(problems))
    return 1 if problems else 0


def main(build_dir, i686_dir, version):
    packages = os.path.join(build_dir, "package")
    zips = [os.path.join(packages, "Triwell-%s-win64.zip" % version),
            os.path.join(packages, "Triwell-engine-sdk-%s.zip" % version)]
    missing = [z for z in zips if not os.path.exists(z)]
    if missing:
        print("FAIL missing %s: run cpack in %s first (./test does, after the build)" % (", ".join(missing), build_dir))
        return 1
    with tempfile.TemporaryDirectory(prefix="triwell-packages-") as work:
        player, sdk = (unpack(z, work) for z in zips)
        check(set(os.listdir(player)) == PLAYER_ENTRIES, "player's zip holds %s, expected %s"
              % (sorted(os.listdir(player)), sorted(PLAYER_ENTRIES)))
        game_folder = os.path.join(build_dir, "Triwell")
        in_player = files_under(player)
        check(in_player == files_under(game_folder), "player's zip and the game folder differ: %s"
              % sorted(in_player ^ files_under(game_folder)))
        compare_files({f: os.path.join(player, f) for f in in_player},
                      {f: os.path.join(game_folder, f) for f in in_player}, "player's zip")
        check_readme(os.path.join(player, "README.txt"))
        found = files_under(sdk)
        check(found == SDK_FILES, "SDK zip: missing %s, unexpected %s" % (sorted(SDK_FILES - found), sorted(found - SDK_FILES)))
        trees = {"x64": build_dir, "x86": i686_dir}
        built = {f: os.path.join(trees[f.split("/")[1]], "bin" if f.startswith("bin/") else "sdk-lib", os.path.basename(f))
                 for f in found if f.startswith(("bin/", "lib/"))}
        compare_files({f: os.path.join(sdk, f) for f in built}, built, "SDK zip")
        try:
            exes = [check_example(sdk, prefix, arch, work) for prefix, arch in ARCHES]
            run_example(build_dir, exes[0])
        except (RuntimeError, subprocess.TimeoutExpired, wb.BenchError) as e:
            problems.append(str(e))
    for p in problems:
        print("FAIL", p)
    print("%s and %s checked, %d problems" % (os.path.basename(zips[0]), os.path.basename(zips[1]), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    if sys.argv[4:] == ["x86"]:
        sys.exit(play_x86_example(os.path.abspath(sys.argv[1]), sys.argv[3]))
    sys.exit(main(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), sys.argv[3]))
