#!/usr/bin/env python3
"""Seeds the fuzz corpora with real traffic: kaviro-sim --verbose answering kaviro-cli in each work
mode. Usage: scripts/fuzz-seeds.py BUILD_DIR (writes tests/fuzz/corpus/<target>/<sha1>)."""
import hashlib, os, re, shutil, subprocess, sys, tempfile, time

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sim = os.path.join(build, "apps", "kaviro-sim")
cli = os.path.join(build, "apps", "kaviro-cli")
corpus = os.path.join(root, "tests", "fuzz", "corpus")
line_re = re.compile(r"^\S+ (\S+)\s+(<-|->) ((?:[0-9A-F]{2} )+)$")

# The kaviro-cli runs whose answers feed the corpora; each target maps a captured answer to its inputs.
RUNS = [["poll", "--once"], ["log", "--latest"], ["log", "--all"]]


def save(target, data):
    d = os.path.join(corpus, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, hashlib.sha1(data).hexdigest()), "wb") as f:
        f.write(data)


def capture(mode, work):
    """The answers the simulator sent while serving RUNS in `mode`."""
    args = [sim, "--verbose"]
    if mode == "network":
        args += ["--tcp", "0"]
    else:
        args += ["--pty", os.path.join(work, "tty")] + (["--wireless"] if mode == "wireless" else [])
    proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    ready = proc.stdout.readline()
    link = ["--mode", mode]
    if mode == "network":
        link += ["--host", "127.0.0.1", "--port", re.search(r"tcp [0-9.]+:([0-9]+)", ready).group(1)]
    else:
        link += ["--device", os.path.join(work, "tty")]
    for run in RUNS:
        subprocess.run([cli] + run + link, cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    proc.terminate()
    out, _ = proc.communicate(timeout=10)
    answers = []
    for line in out.splitlines():
        m = line_re.match(line)
        if m and m.group(2) == "->":
            answers.append(bytes.fromhex(m.group(3)))
    return answers


def main():
    with tempfile.TemporaryDirectory(prefix="kaviro-seeds-") as work:
        for answer in capture("serial", work):
            save("log_answer" if len(answer) > 1 and answer[1] == 0x2B else "rtu_answer", answer)
        for stream in capture("wireless", work):
            save("radio_packets", stream)
        for answer in capture("network", work):
            save("network_answer", answer)
        with open(os.path.join(work, "config.txt"), "rb") as f:
            save("config_file", f.read())
    # A few files start-up must survive: empty, short, foreign, and a network-mode record.
    save("config_file", b"")
    save("config_file", b"@ARM")
    save("config_file", b"\xff" * 40)
    save("config_file", bytes([2, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0xC7, 1, 0xA8, 0xC0,
                               1, 0, 0, 0]) + b"@ARM")


if __name__ == "__main__":
    main()
