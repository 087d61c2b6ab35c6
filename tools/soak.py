"""Driver of tools/soak (run that script: it sets up the prefix and the wineserver)."""
import json
import os
import random
import signal
import subprocess
import sys
import tempfile
import time


def utf16(text):
    return text.encode("utf-16-le", "surrogatepass")

CLI = os.environ["ZT_SOAK_CLI"]
REG = os.environ.get("ZT_SOAK_REG", "")  # tools/soak-reg.c, built by tools/soak
UNINSTALL = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall"
# Escaped for a .reg file; the folder's name is outside every single code page.
GONE_ICON = "C:\\\\zt-soak-gone\\\\\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u0430 \u5de5\u5177\\\\app.exe"
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
    return r.returncode, r.stdout.decode("utf-8", "replace")


def import_reg(text):
    """Replays `text` (without its header) as the system's editor writes it: version 5.00,
    UTF-16LE with a byte-order mark; unpaired surrogates are written as the units they are."""
    path = os.path.join(TMP, "plant.reg")
    with open(path, "wb") as f:
        f.write(b"\xff\xfe" + ("Windows Registry Editor Version 5.00\r\n\r\n" + text)
                .encode("utf-16-le", "surrogatepass"))
    wine("regedit", "/s", winpath(path))


def remove_keys(keys):
    import_reg("".join(f"[-{k}]\r\n" for k in keys))


def hexname(text):
    return utf16(text).hex()


def export(key=UNINSTALL):
    """The tree below `key` exactly as stored, one line per key and per value (soak-reg)."""
    path = os.path.join(TMP, "dump.txt")
    if os.path.exists(path):
        os.remove(path)
    wine(REG, "dump", hexname(key.split("\\", 1)[1]), winpath(path))
    if not os.path.exists(path):
        return []
    lines = open(path, encoding="ascii").read().split("\n")
    return sorted(line for line in lines if line)


def key_of(line):
    return bytes.fromhex(line.split("\t")[0]).decode("utf-16-le", "surrogatepass")


def is_soak(line):
    return "ZtSoak" in key_of(line)


def key_lines(lines):
    return [line for line in lines if "\t" not in line]


def soak_tops(lines):
    """The planted top keys still in a dump, as .reg key paths."""
    depth = UNINSTALL.count("\\") + 1
    return sorted({"\\".join(UNINSTALL.split("\\") + [key_of(line).split("\\")[depth - 1]])
                   for line in key_lines(lines) if is_soak(line)})


def plant_exact(lines):
    path = os.path.join(TMP, "plant.txt")
    with open(path, "w", encoding="ascii") as f:
        f.write("\n".join(lines) + "\n")
    wine(REG, "plant", winpath(path))


def differences(before, after):
    a, b = set(before), set(after)
    return len(a - b) + len(b - a)


def zeros_added(before, after):
    """Of the differences, string values that came back with a zero unit appended (what the
    editor does to text without its terminator): counted apart, so the figure says which."""
    gone = {}
    for line in set(before) - set(after):
        fields = line.split("\t")
        if len(fields) == 4:
            gone[tuple(fields[:3])] = fields[3]
    n = 0
    for line in set(after) - set(before):
        fields = line.split("\t")
        if len(fields) == 4 and fields[2] in ("1", "2", "7"):
            old = gone.get(tuple(fields[:3]))
            n += old is not None and fields[3] == old + "0000" and len(old) % 4 == 0
    return n


# --- random trees, written as a REGEDIT4 file ---

NAME_CHARS = ("abcXYZ019 _-.,;=@#'[](){}?!" + '"' + "\\" + "\t\x01\x02\x1b\x1f\x7f" +
              "".join(chr(c) for c in (0xe9, 0xfc, 0xa0, 0xff, 0xc0)))
# Every script, and what trips up converters: the upper half of code page 1252 (and the
# letters it maps there: the euro sign, OE, per mille), letters outside it (L with stroke),
# combining marks and characters outside the basic plane (surrogate pairs). Unpaired
# surrogates of both halves go into data often and into names rarely: a tree with such a name
# is kept back, so most trees must be without one for the cleaning to be tried at all.
SCRIPT_CHARS = ("\u00e9\u00c0\u00df\u00ff\u20ac\u0152\u2030\u0141\u00f3\u017a"  # Latin
                "\u0414\u043c\u0438\u0442\u0440\u0439\u0401\u0451"  # Cyrillic
                "\u0391\u03c9\u03c2\u03c3\u03a3\u03ac"  # Greek (final sigma)
                "\u05e9\u05dc\u0627\u0644\u0639"  # Hebrew, Arabic
                "\u0939\u093f\u0e01\u0e33\u10d0\u0531\u0561"  # Devanagari, Thai, Georgian, Armenian
                "\u5de5\u5177\u6f22\u3042\u30ab\ud55c\uae00"  # CJK, kana, Hangul
                "\u0301\u0308\u030a\u200d\ufeff\ufffd"  # combining, joiner, BOM, replacement
                "\U0001F600\U0001F680\U00020000\U0001D11E")  # outside the basic plane
LONE = "\ud800\udbff\udc00\udfff"
NAME_CHARS += SCRIPT_CHARS * 3
KEY_CHARS = NAME_CHARS.replace("\\", "")
LONE_IN_NAMES = 0.002  # per name: about one tree in twenty holds one


def fold(name):
    """Near enough to the registry's comparison to keep the planted names apart."""
    return "".join(c.upper() if len(c.upper()) == 1 else c for c in name)


def rname(rng, chars, lo, hi):
    return "".join(rng.choice(chars) for _ in range(rng.randint(lo, hi)))


def rtext(rng, chars, lo, hi, lone):
    """rname with, at probability `lone`, an unpaired surrogate put in somewhere."""
    text = rname(rng, chars, lo, hi)
    if rng.random() < lone:
        at = rng.randint(0, len(text))
        text = text[:at] + rng.choice(LONE) + text[at:]
    return text


def escape(s):
    return s.replace("\\", "\\\\").replace('"', '\\"')


def byte_list(data):
    return ",".join(f"{b:02x}" for b in data)


def rvalue(rng):
    kind = rng.choice(["sz", "sz", "sz", "dword", "hex", "none", "expand", "multi", "qword",
                       "rawsz", "big", "other", "wide", "wide"])
    size = rng.randint(0, 60)
    if kind == "sz":
        return '"' + escape(rtext(rng, NAME_CHARS, 0, 80, 0.3)) + '"'
    if kind == "dword":
        return f"dword:{rng.getrandbits(32):08x}"
    if kind == "big":
        return "hex:" + byte_list(rng.randbytes(rng.randint(2001, 20000)))
    if kind == "wide":
        # String data in any script as the units it is stored as, unpaired surrogates and all.
        number = rng.choice([1, 2, 7])
        data = utf16(rtext(rng, SCRIPT_CHARS + "abc%\\ ", 0, 40, 0.5))
        if number == 7:
            data += b"\0\0" + utf16(rname(rng, SCRIPT_CHARS, 1, 10)) + b"\0\0"
        return f"hex({number:x}):" + byte_list(data + b"\0\0")
    data = rng.randbytes(size)
    number = {"hex": None, "none": 0, "expand": 2, "multi": 7, "qword": 0xb, "rawsz": 1,
              "other": rng.choice([5, 6, 8, 9, 10, 0x20000])}[kind]
    if kind == "qword":
        data = rng.randbytes(8)
    # String types hold whole UTF-16 units and their terminator in a 5.00 file: the editor
    # cuts an odd byte and adds a missing terminator (loose_strings plants those as they are).
    if kind == "rawsz":
        data = rng.randbytes(size & ~1) + b"\x00\x00"
    if kind in ("expand", "multi"):
        data = utf16("".join(rng.choice("abc%XYZ \\\x00") for _ in range(size))) + b"\x00\x00"
    head = "hex:" if number is None else f"hex({number:x}):"
    return head + byte_list(data)


def loose_strings(rng, path):
    """soak-reg lines giving the key string data in any script without its terminator, of an
    odd length, or a multi-string without its final empty string: the editor would alter
    them, so they are planted through the wide calls."""
    key = hexname(path.split("\\", 1)[1])
    lines = []
    for i in range(rng.randint(1, 3)):
        data = utf16(rtext(rng, SCRIPT_CHARS, 1, 20, 0.3))
        if rng.random() < 0.5:
            data += rng.randbytes(1)
        if rng.random() < 0.3:
            data = rng.randbytes(rng.randint(0, 41))
        lines.append(f"{key}\t{hexname(f'Loose{i} ' + rname(rng, SCRIPT_CHARS, 0, 4))}\t"
                     f"{rng.choice([1, 2, 7])}\t{data.hex()}")
    return lines


def tree_lines(rng, path, depth, top):
    lines = [f"[{path}]"]
    if top:
        lines.append(f'"DisplayIcon"="{GONE_ICON}"')
    names = set()
    for _ in range(rng.randint(0, 6)):
        name = rtext(rng, NAME_CHARS, 0, 24, LONE_IN_NAMES)
        if fold(name) in names or fold(name) in ("DISPLAYICON", "UNINSTALLSTRING"):
            continue
        names.add(fold(name))
        lines.append(("@" if name == "" else '"' + escape(name) + '"') + "=" + rvalue(rng))
    lines.append("")
    if depth < 9:
        subs = set()
        for _ in range(rng.randint(0, 3 if depth < 3 else 1)):
            sub = rtext(rng, KEY_CHARS, 1, 20, LONE_IN_NAMES).strip() or "k"
            if fold(sub) in subs:
                continue
            subs.add(fold(sub))
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
    done = rounds = diffs = failed = zeros = trees_cleaned = 0
    start = time.time()
    while done < n:
        count = min(per_round, n - done)
        tops = [f"{UNINSTALL}\\ZtSoak{rounds:05d}_{i:03d} " + rname(rng, KEY_CHARS, 0, 8).strip()
                for i in range(count)]
        text, loose = [], []
        for top in tops:
            lines = tree_lines(rng, top, 0, True)
            text += lines
            keys = [line[1:-1] for line in lines if line.startswith("[")]
            loose += loose_strings(rng, rng.choice(keys))
        import_reg("\r\n".join(text) + "\r\n")
        plant_exact(loose)
        before = export()
        planted = len(key_lines(filter(is_soak, before)))
        wanted = sum(1 for line in text if line.startswith("["))
        if planted != wanted:
            print(f"round {rounds}: the editor planted {planted} of {wanted} keys", flush=True)
        code, out = cli("clean", "--yes", "--categories", "CheckUninstallSection", "--json")
        try:
            kept = len(json.loads(out).get("keptBack") or [])
        except ValueError:
            kept = -1
        # A finding kept back makes the run incomplete: exit 1.
        expected_exit = 1 if kept > 0 else 0
        backup = newest_backup()
        cleaned = export()
        ok, doc = restore(backup) if backup else (False, {"error": "no backup"})
        after = export()
        # A terminating zero the editor added leaves the text as it was, and restore's
        # verification accepts exactly that: counted apart, not as a difference.
        z = zeros_added(before, after)
        zeros += z
        d = differences(before, after) - 2 * z
        gone = planted - len(key_lines(filter(is_soak, cleaned)))
        left = {key_of(line) for line in key_lines(cleaned)}
        trees_cleaned += sum(1 for top in tops if top.split("\\", 1)[1] not in left)
        if d or not ok or code != expected_exit:
            failed += 1
            print(f"round {rounds}: {d} differences, clean exit {code}, restore {doc.get('error', '')}"
                  f" failed={json.dumps(doc.get('failed', [])[:3])}", flush=True)
        diffs += d
        # Leave the prefix as it was: the planted trees go again, and whatever a faulty
        # restore made of them.
        remove_keys(tops)
        remove_keys(soak_tops(export()))
        done += count
        rounds += 1
        print(f"roundtrip: {done}/{n} trees, {rounds} rounds, keys removed by the last clean "
              f"{gone}, {diffs} differences so far, {time.time() - start:.0f} s", flush=True)
    print(f"roundtrip: ran {n} random key trees in {rounds} rounds (seed {seed}); "
          f"{trees_cleaned} trees cleaned, the others kept back; "
          f"{diffs} differences; {zeros} text values without their terminating zero came back "
          f"with it added (the same text); {failed} rounds with a difference or an unverified "
          f"restore; "
          f"{time.time() - start:.0f} s")
    return diffs == 0 and failed == 0


def kill(n, seed, findings=2000):
    rng = random.Random(seed)
    text = []
    for i in range(findings):
        key = f"{UNINSTALL}\\ZtKill{i:05d}"
        text += [f"[{key}]", f'"DisplayIcon"="{GONE_ICON}"', f'"DisplayName"="Kill test {i}"',
                 f'"Size"=dword:{i:08x}', "\"Blob\"=hex:" + byte_list(rng.randbytes(rng.randint(0, 300))),
                 "", f"[{key}\\Sub]", '@="x"', ""]
    import_reg("\r\n".join(text) + "\r\n")
    snapshot = export()
    planted = sum(1 for k in map(key_of, key_lines(snapshot))
                  if "ZtKill" in k and not k.endswith("\\Sub"))
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
        left = sum(1 for k in map(key_of, key_lines(export()))
                   if "ZtKill" in k and not k.endswith("\\Sub"))
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
    mode, rest = sys.argv[1], sys.argv[2:]
    n, seed = 2000, 13
    if "--trees" in rest:
        i = rest.index("--trees")
        n = int(rest[i + 1])
        del rest[i:i + 2]
    if rest:
        n = int(rest[0])
    if len(rest) > 1:
        seed = int(rest[1])
    ok = roundtrip(n, seed) if mode == "roundtrip" else kill(n, seed)
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
