#!/usr/bin/python3
"""A private X desktop for end-to-end tests and measurements.

Starts Xvfb on a display number of its own choosing (-displayfd), or Xorg with the dummy driver
where several monitors are wanted (Xvfb has one RandR output and ignores user-defined monitors),
openbox on it unless told otherwise, in a network namespace of this process's own (see own_network),
waits until both are ready, and tears everything down on every way out: normal end,
exception, signal, or the death of this process (children get SIGKILL with it, PR_SET_PDEATHSIG).

As a module:
    with Desktop() as desktop:              # Desktop(screen="1200x900x24", wm=True, dpi=None,
                                             #         monitors=False)
        app = desktop.spawn([program])       # DISPLAY set, stopped at teardown
        injector = desktop.injector(path)    # an interactive xinject, see Injector
As a program, runs one command on a fresh desktop and passes on its exit status:
    xrig.py [--screen WxHxD] [--dpi N] [--no-wm] [--monitors] -- command [args...]
"""

import argparse
import ctypes
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

READY_TIMEOUT_S = 15
STOP_TIMEOUT_S = 5
POLL_S = 0.02
PR_SET_PDEATHSIG = 1
CLONE_NEWNET, CLONE_NEWUSER = 0x40000000, 0x10000000


def _die_with_parent():
    ctypes.CDLL("libc.so.6", use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGKILL)


def own_network():
    """Puts this process, and all it starts from now on, in a network namespace of its own, where
    abstract Unix socket names (the X server's, a program's lock per user) are apart from every
    other run's; a user other than root keeps its ids in a user namespace of its own."""
    libc, ids = ctypes.CDLL("libc.so.6", use_errno=True), (os.getuid(), os.getgid())
    if os.geteuid() == 0 and libc.unshare(CLONE_NEWNET) == 0:
        return
    if libc.unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0:
        raise RigError("no network namespace of its own: " + os.strerror(ctypes.get_errno()))
    for name, text in (("setgroups", "deny"), ("uid_map", "%d %d 1" % ((ids[0],) * 2)),
                       ("gid_map", "%d %d 1" % ((ids[1],) * 2))):
        with open("/proc/self/" + name, "w") as map_file:
            map_file.write(text)


def wait_for(what, check, seconds):
    """check()'s first true answer within `seconds`; an AssertionError naming `what` after."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = check()
        if found:
            return found
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


class RigError(RuntimeError):
    pass


# Xorg's dummy driver: 16 RandR outputs (DUMMY0 on, the rest off until given a mode), no input
# devices but the virtual core and XTest ones.
DUMMY_CONFIG = """
Section "ServerFlags"
  Option "AutoAddDevices" "false"
EndSection
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 256000
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0-1000.0
  VertRefresh 5.0-200.0
  Modeline "1200x900" 90.0 1200 1250 1300 1400 900 903 906 930
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Virtual 4096 2304
  EndSubSection
EndSection
"""


class Desktop:
    def __init__(self, screen="1200x900x24", wm=True, dpi=None, monitors=False):
        self.screen = screen
        self.wm = wm
        self.dpi = dpi
        self.monitors = monitors
        self.display = None
        self.env = None
        self.xvfb = None
        self._children = []
        self._home = None

    def __enter__(self):
        own_network()
        try:
            self._start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()

    def _start(self):
        self._home = tempfile.mkdtemp(prefix="odovex-rig-")
        read_end, write_end = os.pipe()
        try:
            with open(os.path.join(self._home, "xvfb.log"), "w") as log:
                self.xvfb = subprocess.Popen(
                    self._server_command(write_end) + ["-nolisten", "tcp", "-noreset"]
                    + (["-dpi", str(self.dpi)] if self.dpi else []),
                    pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                    stderr=log, preexec_fn=_die_with_parent)
            os.close(write_end)
            write_end = None
            number = self._read_display_number(read_end)
        finally:
            os.close(read_end)
            if write_end is not None:
                os.close(write_end)
        self.display = ":" + number
        self.env = dict(os.environ, DISPLAY=self.display, HOME=self._home,
                        XDG_CONFIG_HOME=os.path.join(self._home, "config"),
                        XDG_CACHE_HOME=os.path.join(self._home, "cache"))
        self.env.pop("XAUTHORITY", None)
        # An X11 session, whatever session the tests are started from.
        self.env["XDG_SESSION_TYPE"] = "x11"
        self.env.pop("WAYLAND_DISPLAY", None)
        if self.wm:
            self.spawn(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
            self._wait_for_wm()

    def _server_command(self, fd):
        if not self.monitors:
            return ["Xvfb", "-displayfd", str(fd), "-screen", "0", self.screen]
        config = os.path.join(self._home, "xorg.conf")
        with open(config, "w") as out:
            out.write(DUMMY_CONFIG)
        configdir = os.path.join(self._home, "xorg.conf.d")
        os.mkdir(configdir)
        return ["Xorg", "-displayfd", str(fd), "-config", config, "-configdir", configdir,
                "-logfile", os.path.join(self._home, "xorg.log"), "-novtswitch", "-sharevts"]

    def _read_display_number(self, fd):
        deadline = time.monotonic() + READY_TIMEOUT_S
        text = b""
        while not text.endswith(b"\n"):
            if self.xvfb.poll() is not None or time.monotonic() > deadline:
                with open(os.path.join(self._home, "xvfb.log")) as log:
                    raise RigError("Xvfb did not start:\n" + log.read()[-2000:])
            chunk = os.read(fd, 16) if _readable(fd, POLL_S) else b""
            text += chunk
        return text.decode().strip()

    def _wait_for_wm(self):
        # openbox publishes _NET_SUPPORTED once it manages the screen.
        deadline = time.monotonic() + READY_TIMEOUT_S
        while time.monotonic() < deadline:
            probe = subprocess.run(["xprop", "-root", "_NET_SUPPORTED"], env=self.env,
                                   capture_output=True, text=True)
            if "_NET_ACTIVE_WINDOW" in probe.stdout:
                return
            time.sleep(POLL_S)
        raise RigError("openbox did not become ready on " + self.display)

    def spawn(self, argv, **kwargs):
        """Starts a program on the desktop; it is stopped (SIGTERM, then SIGKILL) at teardown."""
        kwargs.setdefault("stdin", subprocess.DEVNULL)
        child = subprocess.Popen(argv, env=self.env, preexec_fn=_die_with_parent, **kwargs)
        self._children.append(child)
        return child

    def injector(self, path):
        return Injector(self.spawn([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                   text=True, bufsize=1))

    def stop(self):
        for child in reversed(self._children):
            _stop(child)
        self._children = []
        if self.xvfb:
            _stop(self.xvfb)
            self.xvfb = None
        if self._home:
            shutil.rmtree(self._home, ignore_errors=True)
            self._home = None


class Injector:
    """xinject driven line by line: send() returns the values of its "ok" line."""

    def __init__(self, process):
        self.process = process

    def send(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        answer = self.process.stdout.readline().strip()
        if not answer.startswith("ok"):
            raise RigError("xinject: %s -> %s" % (command, answer or "no answer"))
        return answer[2:].strip()


def _readable(fd, timeout):
    return bool(select.select([fd], [], [], timeout)[0])


def _stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(STOP_TIMEOUT_S)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
    for stream in (process.stdin, process.stdout, process.stderr):
        if stream:
            stream.close()


def main():
    parser = argparse.ArgumentParser(description="Runs a command on a private X desktop.")
    parser.add_argument("--screen", default="1200x900x24")
    parser.add_argument("--dpi", type=int, help="the screen's resolution (Xvfb's own otherwise)")
    parser.add_argument("--no-wm", action="store_true", help="no window manager")
    parser.add_argument("--monitors", action="store_true",
                        help="Xorg's dummy driver, whose RandR outputs make several monitors")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        parser.error("no command")
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    with Desktop(args.screen, wm=not args.no_wm, dpi=args.dpi, monitors=args.monitors) as desktop:
        child = desktop.spawn(command, stdin=None)
        return child.wait()


if __name__ == "__main__":
    sys.exit(main())
