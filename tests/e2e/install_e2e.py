#!/usr/bin/python3
"""The installed Odovex started as the applications menu starts it, on a private desktop whose
home holds nothing of Odovex yet.

    install_e2e.py CMAKE BUILD_DIR XINJECT

Installs the build under a temporary prefix, then: --help and --version answer without a
display, another argument is refused; the program typed in a terminal where no statistics file
lies makes the data directory and its file, as the menu's launcher does, and shows the setup
dialog alone; a launch from the menu goes on from that run's counts and makes the login entry;
that entry starts the installed program in the data directory.
"""

import os
import signal
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "rig"))
from shell_e2e import ENTRY, Run, answer_quit, hidden, setup_alone, within  # noqa: E402
from xrig import Desktop  # noqa: E402

AUTOSTART = (2040 + 200, 600 + 255 // 2)  # chkAutoStart on the setup dialog, in twips
SETUP_TWIPS = 3360


class Launch(Run):
    """A run of the launcher, or of the program as typed in a terminal, started from the root
    directory; its file is in the data directory."""

    def start(self):
        return self.desktop.spawn([self.program], cwd="/", stderr=subprocess.PIPE, text=True)


def totals(run):
    return [float(run.saved()[line]) for line in (8, 9, 10)]


def entry_keys(desktop):
    with open(os.path.join(desktop.env["XDG_CONFIG_HOME"], ENTRY)) as entry:
        return dict(line.split("=", 1) for line in entry.read().splitlines() if "=" in line)


def command_line(program):
    """The options answer on standard output without a display; anything else is an error."""
    for argv, code, out, err in (([program, "--help"], 0, "Usage: odovex", ""),
                                 ([program, "--version"], 0, "Odovex 1.00\n", ""),
                                 ([program, "--bogus"], 2, "", "Usage: odovex")):
        done = subprocess.run(["env", "-u", "DISPLAY", *argv], capture_output=True, text=True)
        assert done.returncode == code and done.stdout.startswith(out), (argv, done)
        assert err in done.stderr and bool(err) == bool(done.stderr), (argv, done)


def main():
    cmake, build, injector = sys.argv[1:4]
    with tempfile.TemporaryDirectory() as root, tempfile.TemporaryDirectory() as runtime:
        prefix = os.path.join(root, "usr")
        subprocess.run([cmake, "--install", build, "--prefix", prefix], check=True,
                       stdout=subprocess.DEVNULL)
        launcher = os.path.join(prefix, "libexec", "odovex", "odovex-start")
        program = os.path.join(prefix, "bin", "odovex")
        command_line(program)
        with Desktop() as desktop:
            desktop.env["XDG_RUNTIME_DIR"] = runtime
            desktop.env.pop("XDG_DATA_HOME", None)
            data = os.path.join(desktop.env["HOME"], ".local", "share", "odovex")
            assert not os.path.exists(data)

            first = Launch(desktop, program, injector, data)
            setup_alone(first)
            first.use_desktop()
            answer_quit(first)
            first.expect_counted()
            before = first.saved()

            second = Launch(desktop, launcher, injector, data)
            main_window = second.window(second.odovex)
            assert not second.windows(second.odovex, "Odovex Setup")
            second.keys(main_window, "Alt_L", "e")  # Setup
            setup = second.window(second.odovex, "Odovex Setup")
            second.click_twips(setup, *AUTOSTART, SETUP_TWIPS)
            keys = within("the login entry", lambda: os.path.exists(os.path.join(
                desktop.env["XDG_CONFIG_HOME"], ENTRY)) and entry_keys(desktop))
            second.keys(setup, "Alt_L", "o")
            within("the setup dialog hidden", lambda: hidden(second, setup))
            answer_quit(second)
            after = second.saved()
            assert after[7] == before[7] and after[3] == "True", (before, after)
            grown = zip(second.counts() + totals(second), first.counts() + totals(first))
            assert all(now >= then for now, then in grown), (before, after)

            # The entry names the installed program and the data directory.
            assert keys["Path"] == os.path.realpath(data), keys
            exec_program = keys["Exec"].strip('"')
            assert os.path.realpath(exec_program) == os.path.realpath(program), keys
            login = desktop.spawn([exec_program], cwd=keys["Path"], stderr=subprocess.PIPE,
                                  text=True)
            second.window(login, "Form1")  # the splash of a start with AutoStart
            login.send_signal(signal.SIGTERM)
            assert login.wait(15) == 0
    print("install: passed")


if __name__ == "__main__":
    main()
