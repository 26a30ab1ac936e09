#!/usr/bin/env python3
"""The Wine bench: runs Windows programs of the build for real under Wine.

A private prefix inside the build tree (configured so that every program gets an
800 x 600 virtual desktop, where full-screen DirectDraw can change the display
mode), a virtual X display (Xvfb), input with xdotool, screenshots with ImageMagick,
and waits that poll for a condition with generous limits.

Command line (used by ctest and the scripts):
  winebench.py up WINE_DIR          prepare the prefix, start a display and a server
  winebench.py down WINE_DIR        end everything that `up` started
  winebench.py exec WINE_DIR [--env VAR=VALUE]... EXE...
                                    run one program in the prefix (the test emulator),
                                    with the loader of its architecture; a 32-bit one
                                    on a kernel that refuses 32-bit code ends with
                                    SKIP_CODE and says why in one line
  winebench.py runs32               say in one line whether 32-bit programs can run
                                    here: code 0 if so, SKIP_CODE if the kernel
                                    refuses them
  winebench.py play WINE_DIR GAME_DIR
                                    run the game in its folder: on $DISPLAY when there
                                    is one, else on a virtual display with a scripted
                                    tour that saves screenshots
  winebench.py memory WINE_DIR GAME_DIR SECONDS CSMT [EXE [ARGS...]]
                                    run a program (default game.exe) left idle in
                                    GAME_DIR on a bench of its own (use a WINE_DIR of
                                    its own) with Wine's Direct3D command-stream thread
                                    on (CSMT 1) or off (0), and print its resident
                                    anonymous memory every 30 s and the growth per
                                    minute after the first minute
"""

import array
import contextlib
import errno
import fcntl
import glob
import os
import shutil
import struct
import signal
import subprocess
import sys
import tempfile
import time

WINE = "/usr/lib/wine/wine64"  # the 64-bit loader, which also sets the prefix up
WINE32 = "/usr/lib/wine/wine"   # the 32-bit loader (package wine32), same prefix
SKIP_CODE = 77                  # a test that cannot run here (ctest's SKIP_RETURN_CODE)
PE_I386 = 0x14C                 # the machine field of a 32-bit x86 PE image
WINESERVER = "/usr/lib/wine/wineserver"
SCREEN_W, SCREEN_H = 800, 600
PREFIX_STAMP = "prefix-ready-3"  # a new name rebuilds prefixes made by older settings


class BenchError(RuntimeError):
    pass


def wait_for(condition, timeout, interval=0.1, what="condition"):
    """Polls condition() until it answers something true; raises after timeout s."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise BenchError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def pe_machine(path):
    """The machine field of a Windows program's PE header, or None for a file that is
    not one (a missing file, a Wine built-in named without a path)."""
    try:
        with open(path, "rb") as f:
            head = f.read(4096)
    except OSError:
        return None
    if len(head) < 64 or head[:2] != b"MZ":
        return None
    at = struct.unpack_from("<I", head, 0x3C)[0]
    if at + 6 > len(head) or head[at:at + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", head, at + 4)[0]


def loader_for(exe):
    """Wine's loader for a program: the 32-bit one for an i386 image, else the 64-bit one."""
    return WINE32 if pe_machine(exe) == PE_I386 else WINE


_refusal = []
BINFMT_DIR = "/proc/sys/fs/binfmt_misc"


def emulator_for(path):
    """The interpreter of an enabled binfmt_misc entry that would take the program at
    path instead of the kernel, or None."""
    def lines(name):
        with open(os.path.join(BINFMT_DIR, name)) as f:
            return f.read().split("\n")
    try:
        if lines("status")[0] != "enabled":
            return None
        with open(path, "rb") as f:
            head = f.read(256)
        for name in os.listdir(BINFMT_DIR):
            if name in ("status", "register"):
                continue
            with contextlib.suppress(OSError, ValueError, KeyError):
                entry = lines(name)
                fields = dict(line.split(" ", 1) for line in entry[1:] if " " in line)
                magic = bytes.fromhex(fields["magic"])
                mask = bytes.fromhex(fields.get("mask", "ff" * len(magic)))
                at = int(fields.get("offset", "0"))
                piece = head[at:at + len(magic)]
                if entry[0] == "enabled" and len(piece) == len(magic) and \
                        all(p & m == g & m for p, m, g in zip(piece, mask, magic)):
                    return f"{name} -> {fields.get('interpreter', '?')}"
    except OSError:
        return None
    return None


def refuses_32bit():
    """None when 32-bit programs run here, else one line saying why not: some kernels
    are built or booted without 32-bit support (execve answers ENOEXEC), and where an
    emulator is registered for them instead (binfmt_misc), Wine's loader cannot set up
    its address space under it and hangs. A missing 32-bit loader is an installation
    fault (tools/setup.sh installs it), not a skip."""
    if not _refusal:
        emulator = emulator_for(WINE32) if os.path.exists(WINE32) else None
        try:
            if emulator:
                _refusal.append(f"skipped: this machine's kernel runs no 32-bit programs itself; binfmt_misc hands "
                                f"them to an emulator ({emulator}), under which Wine's loader hangs at its start")
            else:
                subprocess.run([WINE32, "--version"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               timeout=60, check=True)
                _refusal.append(None)
        except FileNotFoundError:
            raise BenchError(f"the 32-bit loader {WINE32} is missing (tools/setup.sh installs wine32)")
        except OSError as e:
            if e.errno != errno.ENOEXEC:
                raise
            _refusal.append(f"skipped: this machine's kernel refuses 32-bit programs ({WINE32}: {e.strerror}; "
                            "a kernel booted with ia32_emulation=off does)")
    return _refusal[0]


def prefix_dir(wine_dir):
    return os.path.join(os.path.abspath(wine_dir), "prefix")


def spare_records_folders(wine_dir):
    """Where the game keeps its records when its own folder cannot be written: the
    prefix user's local application data."""
    return glob.glob(os.path.join(prefix_dir(wine_dir), "drive_c", "users", "*", "AppData", "Local", "Triwell"))


def wine_env(wine_dir, display=None, extra=None):
    env = dict(os.environ)
    env["WINEPREFIX"] = prefix_dir(wine_dir)
    env.setdefault("WINEDEBUG", "-all")
    # No Mono or Gecko installers: the prefix needs neither, and they would ask.
    env["WINEDLLOVERRIDES"] = ";".join(
        x for x in ["mscoree,mshtml=", env.get("WINEDLLOVERRIDES", "")] if x)
    if display:
        env["DISPLAY"] = display
    else:
        env.pop("DISPLAY", None)
    if extra:
        env.update(extra)
    return env


@contextlib.contextmanager
def locked(wine_dir):
    os.makedirs(wine_dir, exist_ok=True)
    with open(os.path.join(wine_dir, ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        yield


def set_csmt(wine_dir, value):
    """Wine's Direct3D command-stream thread (1 on, 0 off). With it, a program that
    flips 33 times a second stalls for up to 0.4 s whenever another process keeps a
    core busy, and uses most of a core itself; without it the frames keep their pace.
    The prefixes of ./play and of the tests have it off."""
    env = wine_env(wine_dir)
    subprocess.run([WINE, "reg", "add", r"HKCU\Software\Wine\Direct3D", "/v", "csmt", "/t", "REG_DWORD",
                    "/d", str(value), "/f"], env=env, check=True, timeout=300,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # The server keeps the setting when it ends by itself (a killed one may not).
    subprocess.run([WINESERVER, "-w"], env=env, timeout=300)


def ensure_prefix(wine_dir):
    """Creates and configures the prefix once; later calls return at once."""
    stamp = os.path.join(wine_dir, PREFIX_STAMP)
    if os.path.exists(stamp):
        return
    with locked(wine_dir):
        if os.path.exists(stamp):
            return
        shutil.rmtree(prefix_dir(wine_dir), ignore_errors=True)
        env = wine_env(wine_dir)
        run = lambda *args: subprocess.run(args, env=env, check=True, timeout=300,
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        run(WINE, "wineboot", "-i")
        run(WINE, "reg", "add", r"HKCU\Software\Wine\Explorer", "/v", "Desktop", "/d", "Default", "/f")
        run(WINE, "reg", "add", r"HKCU\Software\Wine\Explorer\Desktops", "/v", "Default",
            "/d", f"{SCREEN_W}x{SCREEN_H}", "/f")
        set_csmt(wine_dir, 0)
        run(WINESERVER, "-w")
        open(stamp, "w").close()


def start_xvfb():
    """Starts Xvfb on a free display; answers (process, ':N')."""
    read_fd, write_fd = os.pipe()
    proc = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
        pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        start_new_session=True)
    os.close(write_fd)
    with os.fdopen(read_fd) as pipe:
        number = pipe.readline().strip()
    if not number:
        proc.kill()
        raise BenchError("Xvfb did not start")
    return proc, ":" + number


def _alive(pid):
    """The process runs (a zombie does not count; our own child is reaped)."""
    with contextlib.suppress(ChildProcessError):
        os.waitpid(pid, os.WNOHANG)
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except (OSError, IndexError):
        return False


def current_display(wine_dir):
    """The display that `up` started, if it still runs."""
    try:
        with open(os.path.join(wine_dir, "display")) as f:
            display, pid = f.read().split()
        return display if _alive(int(pid)) else None
    except (OSError, ValueError):
        return None


def up(wine_dir):
    ensure_prefix(wine_dir)
    down(wine_dir)
    proc, display = start_xvfb()
    with open(os.path.join(wine_dir, "display"), "w") as f:
        f.write(f"{display} {proc.pid}\n")
    # A persistent server makes each program start in a fraction of a second.
    # The server goes into the background: it must not hold our output open.
    env = wine_env(wine_dir, display)
    subprocess.run([WINESERVER, "-p", "600"], env=env, check=True, timeout=60,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # Bring the virtual desktop up before any test program needs it.
    probe = os.path.join(os.path.dirname(os.path.abspath(wine_dir)), "bin", "winprobe.exe")
    if os.path.exists(probe):
        subprocess.run([WINE, probe, "mode"], env=env, timeout=120, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
    print(f"bench up: display {display}, prefix {prefix_dir(wine_dir)}")


def stop_server(env):
    """Ends every process of the prefix and waits until its server is gone."""
    for flag in ("-k", "-w"):
        subprocess.run([WINESERVER, flag], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=60)


def down(wine_dir):
    stop_server(wine_env(wine_dir))
    try:
        with open(os.path.join(wine_dir, "display")) as f:
            pid = int(f.read().split()[1])
        if _alive(pid):
            os.kill(pid, signal.SIGTERM)
            wait_for(lambda: not _alive(pid), 10, what="Xvfb to end")
    except (OSError, ValueError, IndexError):
        pass
    with contextlib.suppress(OSError):
        os.remove(os.path.join(wine_dir, "display"))


def exec_program(wine_dir, argv):
    """Runs one program and answers its exit code. Its output goes through a file:
    the server and the desktop process that Wine may start alongside inherit the
    program's output and outlive it, so a pipe would stay open after it ended."""
    extra = {}
    while len(argv) >= 2 and argv[0] == "--env":
        name, _, value = argv[1].partition("=")
        extra[name] = value
        argv = argv[2:]
    loader = loader_for(argv[0]) if argv else WINE
    if loader == WINE32 and refuses_32bit():
        print(refuses_32bit(), flush=True)
        return SKIP_CODE
    ensure_prefix(wine_dir)
    env = wine_env(wine_dir, current_display(wine_dir), extra)
    with tempfile.TemporaryFile() as out:
        code = subprocess.run([loader] + argv, env=env, stdout=out, stderr=subprocess.STDOUT).returncode
        out.seek(0)
        shutil.copyfileobj(out, sys.stdout.buffer)
    sys.stdout.flush()
    return code


class Display:
    """xdotool input and screenshots on one X display."""

    def __init__(self, display):
        self.display = display
        self.env = dict(os.environ, DISPLAY=display)

    def xdotool(self, *args, check=True):
        """Runs xdotool; answers its output, or None when it failed and check is off."""
        result = subprocess.run(["xdotool", *map(str, args)], env=self.env, check=check, timeout=30,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        return result.stdout if result.returncode == 0 else None

    def find_windows(self, title):
        out = subprocess.run(["xdotool", "search", "--name", title], env=self.env, timeout=30,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout
        return [w for w in out.split() if w]

    def key(self, *keys):
        self.xdotool("key", "--delay", "60", *keys)

    def key_down(self, key):
        self.xdotool("keydown", key)

    def key_up(self, key):
        self.xdotool("keyup", key)

    def screenshot(self, path=None):
        """Answers the 800 x 600 screen as a Screen; also saves a PNG when path is given."""
        raw = subprocess.run(
            ["import", "-display", self.display, "-window", "root", "-crop",
             f"{SCREEN_W}x{SCREEN_H}+0+0", "+repage", "-depth", "8", "rgb:-"],
            check=True, timeout=60, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
        screen = Screen(raw, SCREEN_W, SCREEN_H)
        if path:
            screen.save_png(path)
        return screen


class Screen:
    def __init__(self, rgb, width, height):
        if len(rgb) != width * height * 3:
            raise BenchError(f"screenshot has {len(rgb)} bytes, not {width * height * 3}")
        self.rgb, self.width, self.height = rgb, width, height

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def save_png(self, path):
        subprocess.run(["convert", "-size", f"{self.width}x{self.height}", "-depth", "8", "rgb:-", path],
                       input=self.rgb, check=True, timeout=60)


def close_enough(rgb, expected, tolerance=8):
    return all(abs(a - b) <= tolerance for a, b in zip(rgb, expected))


def loud_samples(path, offset=0):
    """Counts the signed 16-bit samples of an audio capture file, from byte offset on,
    beyond 4000 (well above the mixer's rounding noise); answers (loud, total)."""
    with open(path, "rb") as f:
        f.seek(offset)
        data = f.read()
    samples = array.array("h")
    samples.frombytes(data[:len(data) // 2 * 2])
    return sum(1 for s in samples if abs(s) > 4000), len(samples)


def capturing_run(build_dir):
    """A GameRun whose sound is recorded into a fresh capture file; answers (run, the
    capture file). The file appears once the game has opened its sound device."""
    config, capture = audio_capture_paths(build_dir)
    if os.path.exists(capture):
        os.remove(capture)
    return GameRun(build_dir, env={"ALSA_CONFIG_PATH": config}), capture


def audio_capture_paths(build_dir):
    """The ALSA configuration that records what a program plays, and the raw file it
    records into (16-bit samples)."""
    folder = os.path.join(build_dir, "tests", "sound")
    return os.path.join(folder, "asound-capture.conf"), os.path.join(folder, "audio-capture.raw")


def cursor_at(screen, x, y):
    """The game's cursor has its arrow's tip at (x, y): a blue edge along the diagonal
    and a pale inside just below it."""
    tip = screen.pixel(x + 2, y + 2)
    inside = screen.pixel(x + 2, y + 5)
    return tip[2] > tip[0] + 60 and min(inside) > 150 and inside[2] > 200


class GameRun:
    """One run of a Windows program of the build, in a temporary copy of the game
    folder, on the bench's display. Always ends what it started. The game folder is
    that of GAME_BUILD_DIR when set (another architecture's tree), else build_dir's;
    the prefix, the display and the probe are always build_dir's."""

    def __init__(self, build_dir, program="game.exe", args=(), env=None, folder_setup=None,
                 remove=(), in_place=False, keep_spare_records=False):
        self.build_dir = os.path.abspath(build_dir)
        self.wine_dir = os.path.join(self.build_dir, "wine")
        # Records a read-only game folder left in the prefix would be read by this run.
        if not keep_spare_records:
            for folder in spare_records_folders(self.wine_dir):
                shutil.rmtree(folder)
        display = current_display(self.wine_dir)
        if not display:
            raise BenchError("the bench's display is not running (winebench.py up)")
        self.screen = Display(display)
        game_dir = os.path.join(GAME_BUILD_DIR or self.build_dir, "Triwell")
        self.in_place = in_place
        if in_place:
            self.workdir = game_dir
        else:
            self.workdir = tempfile.mkdtemp(prefix="triwell-run-")
            shutil.copytree(game_dir, self.workdir, dirs_exist_ok=True)
        for name in remove:
            os.remove(os.path.join(self.workdir, name))
        if folder_setup:
            folder_setup(self.workdir)
        self.env = wine_env(self.wine_dir, display, env)
        # The pointer waits in the far corner, so that the game's cursor starts behind
        # it: point_at can then pull the cursor into the top-left corner with it.
        self.screen.xdotool("mousemove", SCREEN_W - 1, SCREEN_H - 1)
        exe = program if os.path.isabs(program) else os.path.join(self.workdir, program)
        # The output goes beside the folder, never into a player's game folder.
        fd, self.log_path = tempfile.mkstemp(prefix="triwell-wine-", suffix=".log")
        self.log = os.fdopen(fd, "w")
        self.command = [loader_for(exe), exe, *args]
        self.relaunched = False
        self._launch()
        self.exit_code = None

    def _launch(self):
        self.proc = subprocess.Popen(self.command, cwd=self.workdir, env=self.env,
                                     stdout=self.log, stderr=subprocess.STDOUT, start_new_session=True)
        self.launched_at = time.monotonic()

    def _launch_failed(self):
        """Wine's loader has been seen, once in many hundred starts, to end within a few
        milliseconds with code 1 and without a word, before the program ran at all.
        Such a start is tried once more; a program that fails by itself fails again."""
        if self.relaunched or self.output().strip() or time.monotonic() - self.launched_at > 2:
            return False
        print(f"bench: {os.path.basename(self.command[1])} ended at once (code {self.proc.returncode}) "
              "without output; starting it again", file=sys.stderr)
        self.relaunched = True
        self._launch()
        return True

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def running(self):
        return self.proc.poll() is None

    def wait_window(self, title="TavrikEngine 2D Window", timeout=60):
        def shown():
            if self.running():
                return self.screen.find_windows(title)
            return None if self._launch_failed() else self._died(title)
        return wait_for(shown, timeout, what=f"window {title!r}")[0]

    def _died(self, title):
        tail = "\n".join(self.output().splitlines()[-40:])
        raise BenchError(f"program ended with code {self.proc.returncode} before window {title!r} appeared; "
                         f"its last output:\n{tail}")

    def output(self):
        """What the program and Wine wrote so far (traces included)."""
        self.log.flush()
        with open(self.log_path, errors="replace") as f:
            return f.read()

    def point_at(self, x, y):
        """Puts the game's cursor at (x, y) and the pointer with it. The engine reads
        relative motion and clamps its cursor at 0: the pointer goes to the top-left
        corner first, and the cursor is seen there before the pointer moves on (two
        motions read in one frame would add up past the corner). This needs the cursor
        no further from the corner than the pointer, as it is after the start (the
        pointer waits in the far corner) and after every point_at."""
        self.screen.xdotool("mousemove", 0, 0)
        self.wait_screen(lambda s: cursor_at(s, 0, 0), what="the cursor in the top-left corner")
        self.screen.xdotool("mousemove", x, y)

    def wait_exit(self, timeout=60):
        wait_for(lambda: not self.running(), timeout, what="the program to end")
        self.exit_code = self.proc.returncode
        return self.exit_code

    def wait_screen(self, predicate, timeout=30, what="the screen"):
        """Polls screenshots until predicate(screen) holds; answers that screen."""
        return wait_for(lambda: (lambda s: s if predicate(s) else None)(self.screen.screenshot()),
                        timeout, interval=0.25, what=what)

    def probe(self, *args, timeout=60):
        """Runs the bench's probe program in the same prefix and display."""
        probe = os.path.join(self.build_dir, "bin", "winprobe.exe")
        return subprocess.run([WINE, probe, *args], env=self.env, timeout=timeout, check=True,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout.strip()

    def stop(self):
        if self.running():
            with contextlib.suppress(ProcessLookupError):
                os.killpg(self.proc.pid, signal.SIGKILL)
            self.proc.wait(timeout=30)
        self.log.close()
        # The prefix's server and its desktop stay up for the next program: a program
        # started while a new desktop is still coming up can find no place for its
        # windows (a message box then closes at once).
        if not self.in_place:
            shutil.rmtree(self.workdir, ignore_errors=True)
        with contextlib.suppress(OSError):
            os.remove(self.log_path)


def tour(build_dir, shots):
    """The scripted tour of ./play without a display: what there is to see, in order.
    It plays in a copy of the game folder, so the player's records stay as they are."""
    import autoplay
    os.makedirs(shots, exist_ok=True)
    shot = lambda name: game.screen.screenshot(os.path.join(shots, name))
    with GameRun(build_dir) as game:
        game.wait_window()
        time.sleep(2)
        shot("01-menu.png")
        game.point_at(80, 362)  # over About: it lights up, its lamp blinks
        time.sleep(1)
        shot("02-menu-about-highlighted.png")
        game.screen.key("Return")
        time.sleep(1.5)
        shot("03-help-page-1.png")
        game.screen.key("Down")
        time.sleep(1)
        shot("04-help-page-2.png")
        game.screen.key("Up", "Escape")
        player = autoplay.AutoPlayer(game, os.path.join(game.workdir, "IMAGES"))
        player.play_until_scored(player.start())
        time.sleep(1)
        shot("05-game.png")
        game.screen.key("Escape")
        game.wait_screen(player.pause_shown, what="the pause window")
        shot("06-pause.png")
        game.screen.key("n")
        player.play_until_over()
        game.wait_screen(player.name_box_lit, what="the name box")
        game.screen.key("Delete", "shift+t", "o", "u", "r")
        time.sleep(0.5)
        shot("07-records-name-entry.png")
        game.screen.key("Return")
        time.sleep(1)
        shot("08-records.png")
        player.click(autoplay.RECORDS_NEW_GAME)
        game.wait_screen(lambda s: not player.records_shown(s), what="a new game")
        code = player.leave()
    print(f"tour: the game ended with code {code}")
    return code


def play(wine_dir, game_dir):
    ensure_prefix(wine_dir)
    build_dir = os.path.dirname(os.path.abspath(wine_dir))
    if os.environ.get("DISPLAY"):
        env = wine_env(wine_dir, os.environ["DISPLAY"])
        return subprocess.run([WINE, "game.exe"], cwd=game_dir, env=env).returncode
    shots = os.path.join(build_dir, "tour-" + time.strftime("%Y%m%d-%H%M%S"))
    up(wine_dir)
    try:
        code = tour(build_dir, shots)
    finally:
        down(wine_dir)
    print(f"tour screenshots: {shots}")
    return code


def resident_anonymous_kib(pid):
    """RssAnon of a process: what it has written of its private memory (Wine reports
    no private bytes for another process, so this is read from outside)."""
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("RssAnon:"):
                return int(line.split()[1])
    raise BenchError(f"no RssAnon for process {pid}")


def wine_process_of(exe, wine_dir):
    """The process of the prefix in wine_dir that runs the Windows program exe: by its
    file name, or, for an absolute path, that very file (other runs may be up too)."""
    prefix = b"WINEPREFIX=" + prefix_dir(wine_dir).encode()
    same = (lambda path: path == exe) if os.path.isabs(exe) else \
        (lambda path: path.split("/")[-1].lower() == os.path.basename(exe).lower())
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        with contextlib.suppress(OSError):
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                first = f.read().split(b"\0")[0].decode(errors="replace")
            with open(f"/proc/{entry}/environ", "rb") as f:
                environment = f.read().split(b"\0")
            if same(first.replace("\\", "/")) and prefix in environment:
                return int(entry)
    return None


def memory(wine_dir, game_dir, seconds, csmt, argv):
    if current_display(wine_dir):
        raise BenchError("the bench is up: the memory run changes the prefix and needs it to itself "
                         "(winebench.py down first)")
    ensure_prefix(wine_dir)
    set_csmt(wine_dir, csmt)
    up(wine_dir)
    exe = argv[0] if argv else "game.exe"
    proc = subprocess.Popen([WINE, exe, *argv[1:]], cwd=game_dir, env=wine_env(wine_dir, current_display(wine_dir)),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    samples = []
    try:
        pid = wait_for(lambda: wine_process_of(exe, wine_dir), 60, what=f"the process of {exe}")
        start = time.monotonic()
        for t in range(10, seconds + 1, 30):
            time.sleep(max(0, start + t - time.monotonic()))
            if proc.poll() is not None:
                raise BenchError(f"{exe} ended with code {proc.returncode}")
            samples.append((t, resident_anonymous_kib(pid) / 1024))
            print(f"{t:5d} s  {samples[-1][1]:8.2f} MiB", flush=True)
    finally:
        with contextlib.suppress(ProcessLookupError):
            os.killpg(proc.pid, signal.SIGKILL)
        proc.wait(timeout=30)
        down(wine_dir)
        set_csmt(wine_dir, 0)
    after = [(t, mib) for t, mib in samples if t >= 60]
    if len(after) >= 2:
        (t0, m0), (t1, m1) = after[0], after[-1]
        print(f"csmt {csmt}: {m1 - m0:+.2f} MiB from {t0} to {t1} s, {(m1 - m0) * 60 / (t1 - t0):+.3f} MiB a minute")
    return 0


BUILD_DIR = None
GAME_BUILD_DIR = None


def use_game_build(game_build):
    """Plays the game folder of another build tree (the i686 one) on this bench; a
    32-bit game on a kernel that refuses 32-bit code ends the script with SKIP_CODE."""
    global GAME_BUILD_DIR
    if not game_build:
        return
    GAME_BUILD_DIR = os.path.abspath(game_build)
    if pe_machine(os.path.join(GAME_BUILD_DIR, "Triwell", "game.exe")) == PE_I386 and refuses_32bit():
        print(refuses_32bit(), flush=True)
        sys.exit(SKIP_CODE)


def e2e_main():
    """Entry of an end-to-end test script: --build DIR (the tree of the bench), --game DIR
    (the tree whose game folder is played; default the same), then unittest's arguments."""
    import argparse
    import unittest
    global BUILD_DIR
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--game")
    args, rest = parser.parse_known_args()
    BUILD_DIR = os.path.abspath(args.build)
    use_game_build(args.game)
    unittest.main(argv=[sys.argv[0], "-v"] + rest)


def main(argv):
    if len(argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    if argv[1:] == ["runs32"]:
        refusal = refuses_32bit()
        print(refusal or "32-bit programs run here")
        return SKIP_CODE if refusal else 0
    command, wine_dir = argv[1], os.path.abspath(argv[2])
    if command == "up":
        up(wine_dir)
    elif command == "down":
        down(wine_dir)
    elif command == "exec":
        return exec_program(wine_dir, argv[3:])
    elif command == "play" and len(argv) == 4:
        return play(wine_dir, os.path.abspath(argv[3]))
    elif command == "memory" and len(argv) >= 6:
        return memory(wine_dir, os.path.abspath(argv[3]), int(argv[4]), int(argv[5]), argv[6:])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
