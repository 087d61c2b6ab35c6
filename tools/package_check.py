#!/usr/bin/env python3
"""The steps of tools/package-check, run inside the Wine prefix that script prepared.

Usage: package_check.py SETUP_EXE BUILT_CLI_EXE VERSION
Prints one line per failed expectation and ends with "package-check: passed" or
"package-check: N failed"; exits 0 or 1."""
import json
import os
import re
import subprocess
import sys
import time

SETUP, BUILT_CLI, VERSION = sys.argv[1], sys.argv[2], sys.argv[3]
PREFIX = os.environ["WINEPREFIX"]
UNINST_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zentrove"
RUN_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Run"
SETTINGS_KEY = r"HKCU\Software\Morvane\zentrove"
DEFAULT_DIR = r"C:\Program Files\Zentrove"
PROGRAM_FILES = ["zentrove.exe", "zentrove-cli.exe", "Zentrove.chm", "License.txt",
                 "ReadMe.txt", "uninstall.exe"]
ENTRY_VALUES = ["DisplayName", "DisplayVersion", "Publisher", "DisplayIcon", "UninstallString",
                "QuietUninstallString", "InstallLocation", "EstimatedSize", "NoModify", "NoRepair"]
SHORTCUTS = {"Zentrove.lnk": "zentrove.exe", "Zentrove Help.lnk": "Zentrove.chm",
             "Uninstall Zentrove.lnk": "uninstall.exe"}

failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)
        print(f"package-check: FAIL: {what}", flush=True)
    return condition


def wine(*args, timeout=120):
    return subprocess.run(["wine", *args], stdin=subprocess.DEVNULL, capture_output=True,
                          text=True, errors="replace", timeout=timeout)


def unix_path(windows_path):
    """Drive C: of the prefix, or Z: (the Unix root)."""
    drive, rest = windows_path[0].lower(), windows_path[3:].replace("\\", "/")
    if drive == "z":
        return "/" + rest
    return os.path.join(PREFIX, f"drive_{drive}", rest)


def reg_values(key):
    """{name: (type, data)} of a key, or None when it does not exist."""
    r = wine("reg", "query", key)
    if r.returncode != 0:
        return None
    values = {}
    for line in r.stdout.splitlines():
        m = re.match(r"^    (.*?)    (REG_\w+)    ?(.*)$", line)
        if m:
            values[m.group(1)] = (m.group(2), m.group(3))
    return values


def reg_value(key, name):
    values = reg_values(key) or {}
    return values.get(name, (None, None))[1]


def run_setup(*args):
    return wine(SETUP, "/S", *args).returncode


def run_command_line(line):
    """Runs a command line as written, through a batch file: Wine would quote an argument such
    as "_?=C:\\Program Files\\Zentrove", which the uninstaller takes only unquoted."""
    with open(unix_path(r"C:\package-check.bat"), "w") as f:
        f.write(f"@{line}\r\n@exit %errorlevel%\r\n")
    code = wine("cmd", "/c", r"C:\package-check.bat").returncode
    os.remove(unix_path(r"C:\package-check.bat"))
    return code


def scan_mentions_zentrove(cli):
    """Findings of a full scan whose path or value names the program; None when the scan fails."""
    r = wine(cli, "scan", "--json", timeout=600)
    if not expect(r.returncode == 0, f"{cli} scan --json exits 0 (got {r.returncode}: {r.stderr[-300:]})"):
        return None
    try:
        doc = json.loads(r.stdout)
    except json.JSONDecodeError:
        expect(False, f"{cli} scan --json prints JSON")
        return None
    return [f for f in doc["findings"]
            if "zentrove" in (f["path"] + f["value"]).lower()]


def wait_until(condition, seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        if condition():
            return True
        time.sleep(0.5)
    return condition()


def start_menu_folder():
    return unix_path(r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Zentrove")


def uninstall_silently():
    """Runs the entry's QuietUninstallString as a fleet tool would; the uninstaller finishes in
    a copy of itself, so this waits for its entry to go."""
    quiet = reg_value(UNINST_KEY, "QuietUninstallString")
    if not expect(quiet is not None, "the uninstall entry has a QuietUninstallString"):
        return
    m = re.match(r'^"([^"]+)"\s+(.*)$', quiet)
    if not expect(m is not None, f"QuietUninstallString is a quoted program and switches: {quiet}"):
        return
    wine(m.group(1), *m.group(2).split())
    expect(wait_until(lambda: reg_values(UNINST_KEY) is None, 60),
           "the silent uninstall removes the uninstall entry within a minute")
    time.sleep(1)


def check_refusals():
    # A file, and a folder that cannot be created, as /D: refused, nothing made.
    blocker = unix_path(r"C:\zentrove-is-a-file")
    with open(blocker, "w") as f:
        f.write("not a folder\n")
    for target in (r"C:\zentrove-is-a-file", r"Z:\proc\Zentrove"):
        code = run_setup(f"/D={target}")
        expect(code == 2, f"setup /S /D={target} is refused with exit code 2 (got {code})")
        expect(reg_values(UNINST_KEY) is None, f"a refused setup into {target} writes no uninstall entry")
        expect(not os.path.exists(start_menu_folder()), f"a refused setup into {target} makes no Start menu folder")
    expect(os.path.isfile(blocker), "the file given as /D is left alone")
    os.remove(blocker)


def check_install(folder):
    code = run_setup()
    if not expect(code == 0, f"setup /S exits 0 (got {code})"):
        return False
    unix_folder = unix_path(folder)
    for name in PROGRAM_FILES:
        expect(os.path.isfile(os.path.join(unix_folder, name)), f"{folder}\\{name} is installed")
    for link, target in SHORTCUTS.items():
        path = os.path.join(start_menu_folder(), link)
        if expect(os.path.isfile(path), f"Start menu shortcut {link} exists"):
            with open(path, "rb") as f:
                expect(target.lower().encode() in f.read().lower(), f"{link} points at {target}")

    entry = reg_values(UNINST_KEY)
    if not expect(entry is not None, f"{UNINST_KEY} exists"):
        return False
    missing = [n for n in ENTRY_VALUES if n not in entry]
    expect(not missing, f"the uninstall entry has every value it needs (missing: {missing})")
    text = {name: data.lower() for name, (_, data) in entry.items()}
    expect(entry.get("DisplayVersion", ("", ""))[1] == VERSION,
           f"DisplayVersion is the build's {VERSION}")
    # What the entry names is what was installed (QuietUninstallString is tried by the uninstall).
    expect(text.get("InstallLocation") == folder.lower()
           and text.get("DisplayIcon") == (folder + r"\zentrove.exe").lower()
           and text.get("UninstallString") == f'"{folder}\\uninstall.exe"'.lower(),
           f"the entry names the installed folder, program and uninstaller: {text}")
    size_kb = sum(os.path.getsize(os.path.join(unix_folder, n)) for n in PROGRAM_FILES) // 1024
    estimated = entry.get("EstimatedSize", ("", "0"))
    expect(estimated[0] == "REG_DWORD" and abs(int(estimated[1], 16) - size_kb) <= 8,
           f"EstimatedSize {estimated} is the installed size, about {size_kb} KB")
    return True


def check_running_program(folder):
    """The installed program registers itself to start with Windows; while it runs, setup and
    uninstall refuse. Closes it again."""
    exe = folder + r"\zentrove.exe"
    program = subprocess.Popen(["wine", exe], stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        registered = wait_until(lambda: reg_value(RUN_KEY, "Zentrove") is not None, 60)
        expect(registered, "the installed program's first start writes its Run value")
        time.sleep(1)
        before = os.stat(unix_path(exe)).st_mtime_ns
        code = run_setup()
        expect(code == 2, f"setup /S over a running copy is refused with exit code 2 (got {code})")
        # _?= runs the uninstaller in place and in the foreground, so its exit code is seen.
        code = run_command_line(f'"{folder}\\uninstall.exe" /S _?={folder}')
        expect(code == 2, f"uninstall /S of a running copy is refused with exit code 2 (got {code})")
        kept = all(os.path.isfile(os.path.join(unix_path(folder), n)) for n in PROGRAM_FILES)
        expect(kept and os.stat(unix_path(exe)).st_mtime_ns == before
               and reg_values(UNINST_KEY) is not None,
               "a refused setup or uninstall leaves the running copy and its entry as they were")
    finally:
        wine("taskkill", "/im", "zentrove.exe", timeout=30)
        try:
            program.wait(timeout=30)
        except subprocess.TimeoutExpired:
            expect(False, "the program closes when asked")
            program.kill()


def check_dogfood(folder):
    cli = folder + r"\zentrove-cli.exe"
    mentions = scan_mentions_zentrove(cli)
    if mentions is not None:
        expect(not mentions, f"a full scan by the installed tool reports nothing of its own: {mentions}")
    r = wine(cli, "startup", "--json")
    rows = json.loads(r.stdout) if r.returncode == 0 else []
    ours = [row for row in rows if row["name"] == "Zentrove"]
    expect(len(ours) == 1 and ours[0]["command"].lower() == (folder + r"\zentrove.exe").lower()
           and ours[0]["location"] == r"HKLM\Software\Microsoft\Windows\CurrentVersion\Run",
           f"the startup list shows the program once, from the machine's Run key: {ours}")


def appdata_backups():
    r = wine("cmd", "/c", "echo", "%APPDATA%")
    return unix_path(r.stdout.strip() + r"\Morvane\Zentrove")


def check_uninstall(folder):
    # What the user owns: a backup file, and the settings the program wrote at its start.
    backups = appdata_backups()
    os.makedirs(backups, exist_ok=True)
    backup = os.path.join(backups, "2026-12-08 20.00.00.000.reg")
    with open(backup, "w") as f:
        f.write("REGEDIT4\r\n\r\n")
    had_settings = reg_values(SETTINGS_KEY + r"\settings") is not None
    expect(had_settings, "the program's first start wrote its settings")

    uninstall_silently()
    unix_folder = unix_path(folder)
    left = [n for n in PROGRAM_FILES if os.path.exists(os.path.join(unix_folder, n))]
    expect(not left, f"the uninstaller removes the program files (left: {left})")
    expect(not os.path.exists(unix_folder), f"the uninstaller removes {folder}")
    expect(not os.path.exists(start_menu_folder()), "the uninstaller removes the Start menu folder")
    expect(reg_value(RUN_KEY, "Zentrove") is None, "the uninstaller removes the program's Run value")
    expect(os.path.isfile(backup), "the user's backup file stays")
    expect(not had_settings or reg_values(SETTINGS_KEY + r"\settings") is not None,
           "the user's settings stay")
    mentions = scan_mentions_zentrove(BUILT_CLI)
    if mentions is not None:
        expect(not mentions, f"after the uninstall a scan finds nothing left by it: {mentions}")


def check_upgrade_and_lost_files():
    # An older copy in a folder of its own is upgraded there.
    other = r"C:\Apps\Zentrove"
    code = run_setup(f"/D={other}\\")
    if not expect(code == 0, f"setup /S /D={other} exits 0 (got {code})"):
        return
    wine("reg", "add", UNINST_KEY, "/v", "DisplayVersion", "/d", "0.9.0", "/f")
    os.remove(os.path.join(unix_path(other), "zentrove-cli.exe"))
    code = run_setup()
    expect(code == 0, f"setup /S over an older copy exits 0 (got {code})")
    expect(reg_value(UNINST_KEY, "DisplayVersion") == VERSION, "the upgrade rewrites DisplayVersion")
    expect(os.path.isfile(os.path.join(unix_path(other), "zentrove-cli.exe")),
           "the upgrade installs into the older copy's folder")
    expect(not os.path.exists(unix_path(DEFAULT_DIR)), "the upgrade makes no second copy")

    # Files deleted by hand: the entry is reported by a scan, and setup then uninstall clear it.
    subprocess.run(["rm", "-rf", unix_path(other)], check=True)
    findings = scan_mentions_zentrove(BUILT_CLI) or []
    expect(any(f["kind"] == "Key" and f["keyPath"].lower().endswith(r"uninstall\zentrove")
               for f in findings),
           f"a scan reports the entry of a copy deleted by hand as a whole key: {findings}")
    code = run_setup()
    expect(code == 0 and os.path.isfile(os.path.join(unix_path(other), "uninstall.exe")),
           f"setup /S repairs a copy deleted by hand in its folder (exit code {code})")
    uninstall_silently()
    expect(not os.path.exists(unix_path(other)) and not os.path.exists(start_menu_folder()),
           "after the repair the uninstaller removes everything")


def main():
    started = time.time()
    check_refusals()
    if check_install(DEFAULT_DIR):
        check_running_program(DEFAULT_DIR)
        check_dogfood(DEFAULT_DIR)
        check_uninstall(DEFAULT_DIR)
    check_upgrade_and_lost_files()
    took = time.time() - started
    if failures:
        print(f"package-check: {len(failures)} failed ({took:.0f} s)")
        return 1
    print(f"package-check: passed ({took:.0f} s)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
