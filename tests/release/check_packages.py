#!/usr/bin/python3
"""Checks the two zips that `cpack` makes in the x86-64 build tree, unpacked into a
temporary folder: the player's zip holds the game folder and a README that fits one
screen of Notepad; the engine SDK's zip holds its files, headers that compile on their
own, and an example that builds from the SDK alone for x86-64 and i686, imports from
both DLLs by name only names they export, and runs under Wine (x86-64; this machine
cannot run 32-bit code).

Usage: check_packages.py BUILD_DIR VERSION   (the x86-64 tree, with its bench up)
"""
import os
import re
import subprocess
import sys
import tempfile
import zipfile

BENCH = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "bench", "winebench.py")

PLAYER_ENTRIES = {"game.exe", "TavrikEngine2D.dll", "tavriksoundlite.dll", "IMAGES", "SOUNDS", "README.txt"}
README_LINES, README_COLUMNS = 24, 80
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
EXAMPLE_FRAMES = "30"

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


def main(build_dir, version):
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
        check_readme(os.path.join(player, "README.txt"))
        found = files_under(sdk)
        check(found == SDK_FILES, "SDK zip: missing %s, unexpected %s" % (sorted(SDK_FILES - found), sorted(found - SDK_FILES)))
        try:
            exes = [check_example(sdk, prefix, arch, work) for prefix, arch in ARCHES]
            # Its DLLs and data lie beside it; without Gem.bmp it would answer 2.
            exe = exes[0]
            code = subprocess.run([sys.executable, BENCH, "exec", os.path.join(build_dir, "wine"), exe, EXAMPLE_FRAMES],
                                  cwd=os.path.dirname(exe), timeout=300).returncode
            check(code == 0, "x64 example under Wine: exit code %d, expected 0" % code)
        except (RuntimeError, subprocess.TimeoutExpired) as e:
            problems.append(str(e))
    for p in problems:
        print("FAIL", p)
    print("%s and %s checked, %d problems" % (os.path.basename(zips[0]), os.path.basename(zips[1]), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(os.path.abspath(sys.argv[1]), sys.argv[2]))
