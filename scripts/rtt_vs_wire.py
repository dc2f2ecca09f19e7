#!/usr/bin/env python3
"""The link's round trips on a paced 9600 8N2 line against the answers' wire time.

Polls kaviro-sim on a pseudo-terminal that lets bytes out at the real rate, with a capture, and
compares per block read the time from request to answer in the capture with the time the answer's
bytes take on the wire (11 bits each). The tool sees an answer at its looks (every 10 ms for the
input block, every 20 ms for the other two), so a round trip is over the wire time by up to one
look. Usage: scripts/rtt_vs_wire.py [BUILD/apps] [POLLS]"""
import json, os, struct, subprocess, sys, tempfile

B = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else 'build/apps')
POLLS = int(sys.argv[2]) if len(sys.argv) > 2 else 30
BYTE_S = 11 / 9600
work = tempfile.mkdtemp(prefix='kaviro-rtt-')
pty, cap = os.path.join(work, 'line.pty'), os.path.join(work, 'poll.pcapng')
sim = subprocess.Popen([B + '/kaviro-sim', '--pty', pty, '--pace'], stdout=subprocess.PIPE)
sim.stdout.readline()
try:
    r = subprocess.run([B + '/kaviro-cli', 'poll', '--mode', 'serial', '--device', pty, '--count', str(POLLS),
                        '--interval', '0', '--format', 'json', '--stats', '--capture', cap],
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, cwd=work)
finally:
    sim.terminate(); sim.wait()
stats = json.loads([l for l in r.stderr.splitlines() if l.startswith('{')][-1])

def frames(path):
    """(interface, seconds, bytes, inbound) of every enhanced packet block."""
    data = open(path, 'rb').read()
    at, out = 0, []
    while at + 12 <= len(data):
        kind, length = struct.unpack_from('<II', data, at)
        if kind == 6:
            iface, hi, lo, caplen = struct.unpack_from('<IIII', data, at + 8)
            body = data[at + 28:at + 28 + caplen]
            opts = at + 28 + ((caplen + 3) & ~3)
            inbound = None
            while opts + 4 <= at + length - 4:
                code, size = struct.unpack_from('<HH', data, opts)
                if code == 0: break
                if code == 2: inbound = (struct.unpack_from('<I', data, opts + 4)[0] & 3) == 1
                opts += 4 + ((size + 3) & ~3)
            out.append((iface, ((hi << 32) | lo) / 1e6, body, inbound))
        at += length
    return out

blocks = {}  # start register -> [(round trip, wire)]
pending = None
for iface, t, body, inbound in frames(cap):
    if iface != 1: continue
    if not inbound: pending = (t, body)
    elif pending and len(body) > 5:
        start = struct.unpack_from('>H', pending[1], 2)[0]
        blocks.setdefault(start, []).append((t - pending[0], len(body) * BYTE_S))
        pending = None
total_rtt = total_wire = 0
for start, pairs in sorted(blocks.items()):
    rtt = sum(p[0] for p in pairs) / len(pairs); wire = pairs[0][1]
    total_rtt += sum(p[0] for p in pairs); total_wire += sum(p[1] for p in pairs)
    print(f"block 0x{start:04X}: {len(pairs)} answers, wire {wire*1000:.1f} ms, round trip mean {rtt*1000:.1f} ms "
          f"(min {min(p[0] for p in pairs)*1000:.1f}, max {max(p[0] for p in pairs)*1000:.1f}), {100*(rtt-wire)/wire:+.1f} %")
print(f"all blocks: round trip {total_rtt*1000:.0f} ms against wire {total_wire*1000:.0f} ms, {100*(total_rtt-total_wire)/total_wire:+.1f} %")
print(f"--stats: requests {stats['requests']}, answers {stats['answers']}, rtt mean {stats['rtt_mean_ms']} ms, "
      f"min {stats['rtt_min_ms']}, max {stats['rtt_max_ms']}")
