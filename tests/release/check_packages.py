#!/usr/bin/python3
"""Checks the two zips that `cpack` makes in the x86-64 build tree, unpacked into a
temporary folder: the player's zip holds the game folder and a README that fits one
screen of Notepad; the engine SDK's zip holds its files, headers that compile on their
own, and an example that builds from the SDK alone for x86-64 and i686, imports from
both DLLs by name only names they export, and runs under Wine.

The example builds through the SDK's CMake package (find_package with the SDK in
CMAKE_PREFIX_PATH) and carries the game's manifest. A program compiled for clang's MSVC
target and linked by lld-link against the SDK's .lib files alone, without any C runtime,
calls both DLLs through them under Wine (x86-64; x86 where 32-bit programs run).

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
             | {"examples/" + f for f in ("CMakeLists.txt", "move_gem.cpp", "move_gem.rc", "move_gem.exe.manifest",
                                          "Gem.bmp", "Click.wav")}
             | {"lib/cmake/TavrikEngine2D/" + f for f in ("TavrikEngine2DConfig.cmake",
                                                          "TavrikEngine2DConfigVersion.cmake")}
             | {"bin/%s/%s" % (arch, dll) for _, arch in ARCHES for dll in DLLS}
             | {"lib/%s/%s" % (arch, f) for _, arch in ARCHES
                for f in ("libTavrikEngine2D.dll.a", "TavrikEngine2D.def", "TavrikEngine2D.lib",
                          "libtavriksoundlite.dll.a", "tavriksoundlite.def", "tavriksoundlite.lib")})
SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TOOLCHAINS = {"x86_64-w64-mingw32": "mingw-x86_64.cmake", "i686-w64-mingw32": "mingw-i686.cmake"}
# The MSVC target of clang per SDK folder, the 32-bit loader of Wine and the program
# linked by lld-link against the .lib files.
MSVC_TARGETS = {"x64": "x86_64-pc-windows-msvc", "x86": "i686-pc-windows-msvc"}
WINE32 = "/usr/lib/wine/wine"
MSVC_PROGRAM = os.path.join(os.path.dirname(os.path.abspath(__file__)), "msvc_program.cpp")
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
    """Configures and builds the SDK's example with one architecture's toolchain, the SDK
    found as a CMake package, as its CMakeLists.txt tells a programmer to."""
    build = os.path.join(work, "example-" + prefix)
    # A copy of the examples folder outside the SDK: only CMAKE_PREFIX_PATH leads to it.
    source = os.path.join(work, "example-source")
    if not os.path.isdir(source):
        shutil.copytree(os.path.join(sdk, "examples"), source)
    run(["cmake", "-S", source, "-B", build, "-G", "Ninja", "-DCMAKE_PREFIX_PATH=" + sdk,
         "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(SOURCE_DIR, "cmake", TOOLCHAINS[prefix]),
         "-DCMAKE_BUILD_TYPE=Release"])
    run(["cmake", "--build", build])
    return build


def check_example(sdk, prefix, arch, work):
    objdump = prefix + "-objdump"
    for header in HEADERS:
        run([prefix + "-g++", "-x", "c++", "-fsyntax-only", "-Wall", "-Wextra", "-Werror", "-I", os.path.join(sdk, "include"), "-"],
            input="#include <%s>\n" % header)
    build = build_example(sdk, prefix, work)
    exe = os.path.join(build, "move_gem.exe")
    # The manifest goes into the program's resources as its text.
    check(b"<dpiAwareness" in open(exe, "rb").read(), "%s example: no DPI-aware manifest in its resources" % arch)
    imports = imported_names(objdump, exe)
    for dll in DLLS:
        names = imports.get(dll, [])
        unknown = set(names) - exported_names(objdump, os.path.join(sdk, "bin", arch, dll))
        check(names and not unknown, "%s example: imports from %s %s not among its exports: %s"
              % (arch, dll, names, sorted(unknown)))
    return exe


def check_package_requests(sdk, work):
    """What find_package answers for requests a programmer may make of the SDK: configured
    with the x64 toolchain, each in a project of its own."""
    broken = os.path.join(work, "sdk-without-sound")
    shutil.copytree(sdk, broken)
    os.remove(os.path.join(broken, "lib", "x64", "libtavriksoundlite.dll.a"))
    cases = [
        # what is asked, the SDK, found, targets made
        ("1.0 COMPONENTS Engine Sound", sdk, True, True),
        ("1.0 COMPONENTS Bogus", sdk, False, False),
        ("2.0", sdk, False, False),
        ("1.0 (a file missing)", broken, False, False),
    ]
    for number, (ask, prefix, found, targets) in enumerate(cases):
        folder = os.path.join(work, "request-%d" % number)
        os.makedirs(folder)
        with open(os.path.join(folder, "CMakeLists.txt"), "w") as f:
            f.write("cmake_minimum_required(VERSION 3.20)\nproject(request CXX)\n"
                    "find_package(TavrikEngine2D %s CONFIG)\n"
                    "if(TARGET TavrikEngine2D::Engine OR TARGET TavrikEngine2D::Sound)\n"
                    "  set(made yes)\nendif()\n"
                    "message(STATUS \"request found=[${TavrikEngine2D_FOUND}] "
                    "minimum=[${CMAKE_MINIMUM_REQUIRED_VERSION}] targets=[${made}]\")\n" % ask.split(" (")[0])
        out = run(["cmake", "-S", folder, "-B", os.path.join(folder, "build"), "-G", "Ninja",
                   "-DCMAKE_PREFIX_PATH=" + prefix,
                   "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(SOURCE_DIR, "cmake", TOOLCHAINS["x86_64-w64-mingw32"])])
        said = re.search(r"request found=\[(.*?)\] minimum=\[(.*?)\] targets=\[(.*?)\]", out)
        if not check(said, "find_package(TavrikEngine2D %s): the probe said nothing" % ask):
            continue
        check((said.group(1).upper() in ("1", "TRUE", "ON", "YES")) == found,
              "find_package(TavrikEngine2D %s): found is %r" % (ask, said.group(1)))
        check(said.group(2) == "3.20", "find_package(TavrikEngine2D %s) changed the caller's minimum version to %s"
              % (ask, said.group(2)))
        check((said.group(3) == "yes") == targets, "find_package(TavrikEngine2D %s): targets made: %s"
              % (ask, said.group(3) or "none"))


def build_msvc_program(sdk, arch, work):
    """Compiles the MSVC-style program for clang's MSVC target (the platform headers are
    MinGW-w64's) and links it with lld-link against the SDK's .lib files alone; the
    DLLs go beside it. Answers the program."""
    folder = os.path.join(work, "msvc-" + arch)
    os.makedirs(folder)
    obj, exe = os.path.join(folder, "msvc_program.obj"), os.path.join(folder, "msvc_program.exe")
    # MinGW-w64's headers know the 32-bit target by _X86_, which only its own compiler sets.
    defines = ["-D_X86_"] if arch == "x86" else []
    run(["clang++", "--target=" + MSVC_TARGETS[arch], "-std=c++17", "-O1", "-Wall", "-Wextra", "-Werror",
         "-ffreestanding", "-fno-exceptions", "-fno-rtti", "-fno-ms-compatibility", *defines,
         "-I", os.path.join(sdk, "include"), "-isystem", "/usr/share/mingw-w64/include",
         "-c", MSVC_PROGRAM, "-o", obj])
    lib = os.path.join(sdk, "lib", arch)
    run(["lld-link", "/nologo", "/nodefaultlib", "/entry:Start", "/subsystem:console", "/out:" + exe, obj,
         os.path.join(lib, "TavrikEngine2D.lib"), os.path.join(lib, "tavriksoundlite.lib")])
    # Names the DLLs export: on x86 the .lib files' decorated _Name@N became plain names.
    objdump = {"x64": "x86_64-w64-mingw32-objdump", "x86": "i686-w64-mingw32-objdump"}[arch]
    imports = imported_names(objdump, exe)
    for dll in DLLS:
        shutil.copy(os.path.join(sdk, "bin", arch, dll), folder)
        names = imports.get(dll, [])
        unknown = set(names) - exported_names(objdump, os.path.join(folder, dll))
        check(names and not unknown, "%s program linked by lld-link: imports from %s %s not among its exports: %s"
              % (arch, dll, names, sorted(unknown)))
    return exe


def runs(program):
    """True when this machine can start the program (a kernel without 32-bit support
    refuses a 32-bit one)."""
    try:
        return subprocess.run([program, "--version"], capture_output=True, timeout=60).returncode == 0
    except (OSError, subprocess.TimeoutExpired):
        return False


def run_msvc_program(build_dir, arch, exe):
    """Runs the MSVC-style program under Wine; answers False when this machine cannot
    run the architecture."""
    loader = wb.WINE if arch == "x64" else WINE32
    if arch == "x86" and not runs(WINE32):
        return False
    wine_dir = os.path.join(build_dir, "wine")
    with tempfile.TemporaryFile() as out:
        code = subprocess.run([loader, exe], cwd=os.path.dirname(exe), stdout=out, stderr=subprocess.STDOUT,
                              env=wb.wine_env(wine_dir, wb.current_display(wine_dir)), timeout=300).returncode
        out.seek(0)
        output = out.read().decode(errors="replace")
    check(code == 0, "%s program linked by lld-link against the .lib files ended with code %d (the number of the "
          "first wrong answer, see msvc_program.cpp)\n%s" % (arch, code, output))
    return True


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
                 for f in found if f.startswith(("bin/x", "lib/x"))}
        package = "lib/cmake/TavrikEngine2D/"
        built.update({package + "TavrikEngine2DConfig.cmake": os.path.join(SOURCE_DIR, "cmake", "TavrikEngine2DConfig.cmake"),
                      package + "TavrikEngine2DConfigVersion.cmake":
                          os.path.join(build_dir, "sdk-package", "TavrikEngine2DConfigVersion.cmake"),
                      "examples/move_gem.exe.manifest": os.path.join(build_dir, "game", "game.exe.manifest")})
        compare_files({f: os.path.join(sdk, f) for f in built if f in found}, built, "SDK zip")
        try:
            check_package_requests(sdk, work)
            exes = [check_example(sdk, prefix, arch, work) for prefix, arch in ARCHES]
            for _, arch in ARCHES:
                if not run_msvc_program(build_dir, arch, build_msvc_program(sdk, arch, work)):
                    print("NOTE the %s program linked by lld-link was built, not run: %s is missing or this "
                          "machine cannot run 32-bit programs" % (arch, WINE32))
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
