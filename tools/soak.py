"""Driver of tools/soak (run that script: it sets up the prefix and the wineserver)."""
import json
import os
import random
import signal
import subprocess
import sys
import tempfile
import time

CLI = os.environ["ZT_SOAK_CLI"]
UNINSTALL = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall"
GONE_ICON = r"C:\\zt-soak-gone\\app.exe"  # escaped for a .reg file
TMP = tempfile.mkdtemp(prefix="zt-soak-")


def winpath(p):
    return "Z:" + p.replace("/", "\\")


def wine(*args, check=False, timeout=600):
    r = subprocess.run(["wine", *args], stdin=subprocess.DEVNULL, capture_output=True,
                       timeout=timeout)
    if check and r.returncode != 0:
        raise RuntimeError(f"{args}: {r.returncode} {r.stderr[-400:]!r}")
    return r


def cli(*args):
    r = wine(CLI, *args)
    return r.returncode, r.stdout.decode("cp1252", "replace")


def import_reg(text):
    path = os.path.join(TMP, "plant.reg")
    with open(path, "wb") as f:
        f.write(text.encode("latin-1"))
    wine("regedit", "/s", winpath(path))


def remove_keys(keys):
    import_reg("REGEDIT4\r\n\r\n" + "".join(f"[-{k}]\r\n" for k in keys))


def export(key=UNINSTALL):
    """The tree below `key` as regedit /e writes it, as a sorted list of key blocks."""
    path = os.path.join(TMP, "export.reg")
    if os.path.exists(path):
        os.remove(path)
    wine("regedit", "/e", winpath(path), key)
    if not os.path.exists(path):
        return []
    raw = open(path, "rb").read()
    text = raw.decode("utf-16") if raw[:2] == b"\xff\xfe" else raw.decode("latin-1")
    text = text.replace("\\\r\n  ", "")
    blocks, current = [], None
    for line in text.split("\r\n")[1:]:
        if line.startswith("["):
            current = [line, []]
            blocks.append(current)
        elif line and current is not None:
            current[1].append(line)
    # Enumeration order of values may differ after a restore; the contents may not.
    return sorted((k, tuple(sorted(v))) for k, v in blocks)


def differences(before, after):
    a, b = set(before), set(after)
    return len(a - b) + len(b - a)


# --- random trees, written as a REGEDIT4 file ---

NAME_CHARS = ("abcXYZ019 _-.,;=@#'[](){}?!" + '"' + "\\" + "\t\x01\x02\x1b\x1f\x7f" +
              "".join(chr(c) for c in (0xe9, 0xfc, 0xa0, 0xff, 0xc0)))
KEY_CHARS = NAME_CHARS.replace("\\", "")


def rname(rng, chars, lo, hi):
    return "".join(rng.choice(chars) for _ in range(rng.randint(lo, hi)))


def escape(s):
    return s.replace("\\", "\\\\").replace('"', '\\"')


def byte_list(data):
    return ",".join(f"{b:02x}" for b in data)


def rvalue(rng):
    kind = rng.choice(["sz", "sz", "dword", "hex", "none", "expand", "multi", "qword",
                       "rawsz", "big", "other"])
    size = rng.randint(0, 60)
    if kind == "sz":
        return '"' + escape(rname(rng, NAME_CHARS, 0, 80)) + '"'
    if kind == "dword":
        return f"dword:{rng.getrandbits(32):08x}"
    if kind == "big":
        return "hex:" + byte_list(rng.randbytes(rng.randint(2001, 20000)))
    data = rng.randbytes(size)
    number = {"hex": None, "none": 0, "expand": 2, "multi": 7, "qword": 0xb, "rawsz": 1,
              "other": rng.choice([5, 6, 8, 9, 10, 0x20000])}[kind]
    if kind == "qword":
        data = rng.randbytes(8)
    if kind in ("expand", "multi"):
        data = bytes(rng.choice(b"abc%XYZ \\\x00") for _ in range(size)) + b"\x00\x00"
    head = "hex:" if number is None else f"hex({number:x}):"
    return head + byte_list(data)


def tree_lines(rng, path, depth, top):
    lines = [f"[{path}]"]
    if top:
        lines.append(f'"DisplayIcon"="{GONE_ICON}"')
    names = set()
    for _ in range(rng.randint(0, 6)):
        name = rname(rng, NAME_CHARS, 0, 24)
        if name.lower() in names or name.lower() in ("displayicon", "uninstallstring"):
            continue
        names.add(name.lower())
        lines.append(("@" if name == "" else '"' + escape(name) + '"') + "=" + rvalue(rng))
    lines.append("")
    if depth < 9:
        subs = set()
        for _ in range(rng.randint(0, 3 if depth < 3 else 1)):
            sub = rname(rng, KEY_CHARS, 1, 20).strip() or "k"
            if sub.lower() in subs:
                continue
            subs.add(sub.lower())
            lines += tree_lines(rng, path + "\\" + sub, depth + 1, False)
    return lines


def newest_backup():
    code, out = cli("backups", "--json")
    items = json.loads(out)["backups"] if code == 0 else []
    return items[0]["path"] if items else None


def restore(path):
    code, out = cli("restore", "--json", path)
    try:
        doc = json.loads(out)
    except ValueError:
        return False, {"error": out}
    return code == 0 and doc.get("verified") == doc.get("keys", 0) + doc.get("values", 0), doc


def roundtrip(n, seed):
    rng = random.Random(seed)
    per_round = min(n, 100)
    done = rounds = diffs = failed = 0
    start = time.time()
    while done < n:
        count = min(per_round, n - done)
        text = ["REGEDIT4", ""]
        for i in range(count):
            text += tree_lines(rng, f"{UNINSTALL}\\ZtSoak{rounds:05d}_{i:03d}", 0, True)
        import_reg("\r\n".join(text) + "\r\n")
        before = export()
        code, out = cli("clean", "--yes", "--categories", "CheckUninstallSection", "--json")
        backup = newest_backup()
        cleaned = export()
        ok, doc = restore(backup) if backup else (False, {"error": "no backup"})
        after = export()
        d = differences(before, after)
        gone = sum(1 for k, _ in before if "ZtSoak" in k) - sum(1 for k, _ in cleaned if "ZtSoak" in k)
        if d or not ok or code != 0:
            failed += 1
            print(f"round {rounds}: {d} differences, clean exit {code}, restore {doc.get('error', '')}"
                  f" failed={json.dumps(doc.get('failed', [])[:3])}", flush=True)
        diffs += d
        # Leave the prefix as it was: the planted trees go again.
        remove_keys(f"{UNINSTALL}\\ZtSoak{rounds:05d}_{i:03d}" for i in range(count))
        done += count
        rounds += 1
        print(f"roundtrip: {done}/{n} trees, {rounds} rounds, keys removed by the last clean "
              f"{gone}, {diffs} differences so far, {time.time() - start:.0f} s", flush=True)
    print(f"roundtrip: ran {n} random key trees in {rounds} rounds (seed {seed}); "
          f"{diffs} differences; {failed} rounds with a difference or an unverified restore; "
          f"{time.time() - start:.0f} s")
    return diffs == 0 and failed == 0


def kill(n, seed, findings=2000):
    rng = random.Random(seed)
    text = ["REGEDIT4", ""]
    for i in range(findings):
        key = f"{UNINSTALL}\\ZtKill{i:05d}"
        text += [f"[{key}]", f'"DisplayIcon"="{GONE_ICON}"', f'"DisplayName"="Kill test {i}"',
                 f'"Size"=dword:{i:08x}', "\"Blob\"=hex:" + byte_list(rng.randbytes(rng.randint(0, 300))),
                 "", f"[{key}\\Sub]", '@="x"', ""]
    import_reg("\r\n".join(text) + "\r\n")
    snapshot = export()
    planted = sum(1 for k, _ in snapshot if "ZtKill" in k and "\\Sub]" not in k)
    print(f"kill: planted {planted} findings", flush=True)
    # How long a whole cleaning takes, to spread the kills over it.
    t0 = time.time()
    code, out = cli("clean", "--yes", "--categories", "CheckUninstallSection")
    full = time.time() - t0
    ok, doc = restore(newest_backup())
    diffs = differences(snapshot, export())
    print(f"kill: an uninterrupted cleaning takes {full:.1f} s; its restore verified={ok}, "
          f"{diffs} differences", flush=True)
    killed_mid = 0
    start = time.time()
    for it in range(n):
        before = newest_backup()
        proc = subprocess.Popen(["wine", CLI, "clean", "--yes", "--categories",
                                 "CheckUninstallSection"], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        delay = rng.uniform(0, full)
        time.sleep(delay)
        finished = proc.poll() is not None
        if not finished:
            os.kill(proc.pid, signal.SIGKILL)
            killed_mid += 1
        proc.wait()
        time.sleep(0.5)  # the server notices the death
        backup = newest_backup()
        left = sum(1 for k, _ in export() if "ZtKill" in k and "\\Sub]" not in k)
        result = "no backup yet"
        if backup and backup != before:
            ok, doc = restore(backup)
            result = ("verified" if ok else
                      f"NOT verified: {doc.get('error', '')} {json.dumps(doc.get('failed', [])[:3])}")
            if not ok:
                diffs += 1
        d = differences(snapshot, export())
        diffs += d
        print(f"kill {it + 1}/{n}: after {delay:.2f} s {'(had finished)' if finished else ''}, "
              f"{planted - left} deleted, restore {result}, {d} differences", flush=True)
    print(f"kill: ran {n} cleanings of {planted} findings, {killed_mid} killed mid-run "
          f"(seed {seed}); {diffs} differences; {time.time() - start:.0f} s")
    remove_keys(f"{UNINSTALL}\\ZtKill{i:05d}" for i in range(findings))
    return diffs == 0


def main():
    mode, n = sys.argv[1], int(sys.argv[2])
    seed = int(sys.argv[3]) if len(sys.argv) > 3 else 13
    ok = roundtrip(n, seed) if mode == "roundtrip" else kill(n, seed)
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
