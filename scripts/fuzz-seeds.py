#!/usr/bin/env python3
"""Seeds the fuzz corpora with real traffic: kaviro-sim --verbose answering kaviro-cli in each work
mode. Usage: scripts/fuzz-seeds.py BUILD_DIR (writes tests/fuzz/corpus/<target>/<sha1>).

Each answer goes to the targets whose parser reads it, chosen by the request it answers. The
seeds of a target are replaced on every run; files that are not named by their SHA-1 (the
reproducers of findings) stay."""
import hashlib, os, re, subprocess, sys, tempfile

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sim = os.path.join(build, "apps", "kaviro-sim")
cli = os.path.join(build, "apps", "kaviro-cli")
corpus = os.path.join(root, "tests", "fuzz", "corpus")
line_re = re.compile(r"^\S+ (\S+)\s+(<-|->) ((?:[0-9A-F]{2} )+)$")
seed_name = re.compile(r"^[0-9a-f]{40}$")
CLI_TIMEOUT = 60

# The kaviro-cli runs whose answers feed the corpora, per work mode.
COMMON = [["poll", "--once"], ["log", "--latest"], ["log", "--all"], ["action", "clear-faults"],
          ["info", "presets"], ["info", "dip"], ["info", "faults"], ["param", "get", "0x0041"],
          ["param", "set", "0x0041", "0"], ["clock", "get"], ["clock", "set", "2026-01-02 03:04:05"],
          ["ident", "get"], ["light", "get"], ["net", "get"], ["radio", "get"], ["address", "get"],
          ["send", "03", "0000", "0002"], ["send", "06", "0041", "0000"]]
RUNS = {
    "serial": COMMON + [["probe"]],
    "wireless": COMMON,
    "network": COMMON + [["rd", "info"], ["rd", "address"], ["rd", "ident"], ["rd", "warn", "1"]],
}

# The first byte of a target behind the exchange engine: delivery + 4 * operation (fuzz_link.h).
SERIAL, PACKED, RAW, NETWORK = range(4)
PARAM_ROWS = 19  # the parameter rows before the clock read, register write and clock write
# network_answer's first byte: the caller's wait + 7 * shape of the stream (network_answer_fuzz.cpp).
WAITS = {"poll": 0, "console": 1, "param": 2, "rd": 4, "log": 5, "coil": 6}


def u16(b, at):
    return b[at] << 8 | b[at + 1]


def kind(request):
    """What the plain request (address, function, data) asks, as (target, operation) pairs."""
    if len(request) < 4:
        return []
    function = request[1]
    if function == 0x05:
        return [("coil_echo", 0)]
    if function == 0x2B:
        return [("log_answer", None)] if request[3] == 0x03 else [("ident_answer", 0)]
    if function == 0x06:
        return [("param_answer", PARAM_ROWS + 1), ("console_read", 0)]
    if function == 0x10:
        return [("param_answer", PARAM_ROWS + 2)] if u16(request, 2) == 0x003E else []
    if len(request) < 6:
        return []
    start, count = u16(request, 2), u16(request, 4)
    if function == 0x04 and start == 0x0000 and count == 90 or start in (0xE000,) or start == 0xE080 and count == 78:
        return [("rtu_answer", None)]
    if function == 0x04:
        return [("param_answer", 0), ("param_answer", 11)]
    table = {0x003E: [("param_answer", PARAM_ROWS)], 0x2000: [("controller_info", 0)],
             0x0030: [("controller_info", 1)], 0x002C: [("controller_info", 1)], 0x002E: [("controller_info", 1)],
             0x0040: [("console_read", 1)], 0xE080: [("console_read", 2)],
             0x3000: [("console_read", 3), ("console_answer", None)],
             0x3010: [("console_read", 4), ("console_answer", None)],
             0x3040: [("console_read", 5), ("console_answer", None)], 0x0000: [("console_read", 0)]}
    return table.get(start, [])


def wait_of(target):
    return {"rtu_answer": "poll", "log_answer": "log", "coil_echo": "coil", "param_answer": "param"}.get(target, "console")


def save(target, data):
    d = os.path.join(corpus, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, hashlib.sha1(data).hexdigest()), "wb") as f:
        f.write(data)


def clear(target):
    d = os.path.join(corpus, target)
    for name in os.listdir(d) if os.path.isdir(d) else []:
        if seed_name.match(name):
            os.remove(os.path.join(d, name))


def capture(mode, work):
    """(request, answer) pairs as the simulator logged them while serving RUNS[mode]."""
    args = [sim, "--verbose"]
    if mode == "network":
        args += ["--tcp", "0"]
    else:
        args += ["--pty", os.path.join(work, "tty")] + (["--wireless"] if mode == "wireless" else [])
    log_path = os.path.join(work, mode + ".log")
    with open(log_path, "w") as log:
        proc = subprocess.Popen(args, stdout=log, stderr=subprocess.STDOUT, text=True)
    try:
        ready = ""
        for _ in range(100):  # the first line says where it serves
            with open(log_path) as log:
                ready = log.readline()
            if ready.endswith("\n") or proc.poll() is not None:
                break
            proc_wait(proc, 0.05)
        link = ["--mode", mode]
        if mode == "network":
            port = re.search(r"tcp [0-9.]+:([0-9]+)", ready)
            if not port:
                raise RuntimeError("kaviro-sim did not start: " + ready)
            link += ["--host", "127.0.0.1", "--port", port.group(1)]
        else:
            link += ["--device", os.path.join(work, "tty")]
        for run in RUNS[mode]:
            try:
                subprocess.run([cli] + run + link, cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               timeout=CLI_TIMEOUT)
            except subprocess.TimeoutExpired:
                print("kaviro-cli %s timed out" % " ".join(run), file=sys.stderr)
    finally:
        # However the capture ended, the simulator goes with it.
        proc.terminate()
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    pairs, request = [], None
    with open(log_path) as log:
        for line in log:
            m = line_re.match(line.rstrip("\n"))
            if not m:
                continue
            data = bytes.fromhex(m.group(3))
            if m.group(2) == "<-":
                request = data
            elif request is not None:
                pairs.append((request, data))
    return pairs


def proc_wait(proc, seconds):
    try:
        proc.wait(timeout=seconds)
    except subprocess.TimeoutExpired:
        pass


def seed_answer(target, operation, delivery, answer):
    if operation is None:
        save(target, answer)
    else:
        save(target, bytes([delivery + 4 * operation]) + answer)


def main():
    targets = ["rtu_answer", "radio_packets", "log_answer", "network_answer", "config_file", "rd_answer",
               "coil_echo", "ident_answer", "console_read", "console_answer", "controller_info", "param_answer"]
    with tempfile.TemporaryDirectory(prefix="kaviro-seeds-") as work:
        captured = {mode: capture(mode, work) for mode in RUNS}
        for t in targets:
            clear(t)
        for request, answer in captured["serial"]:
            for target, op in kind(request):
                seed_answer(target, op, SERIAL, answer)
                if op is not None:
                    seed_answer(target, op, PACKED, answer)
        for request, stream in captured["wireless"]:
            save("radio_packets", stream)
            for target, op in kind(request):
                if op is not None:
                    seed_answer(target, op, RAW, stream)
        for request, wire in captured["network"]:
            relay = len(request) >= 4 and u16(request, 2) == 0x0101
            pdu, body = wire[6:], request[6:]
            if relay:
                save("rd_answer", pdu)
                wait = WAITS["rd"]
            else:
                found = kind(body)
                for target, op in found:
                    if target == "console_answer":
                        save(target, pdu)
                    elif op is not None:
                        seed_answer(target, op, NETWORK, pdu)
                wait = WAITS[wait_of(found[0][0])] if found else WAITS["console"]
            for shape in (0, 3):  # as one receive, and in pieces of three bytes
                save("network_answer", bytes([wait + 7 * shape]) + wire)
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
