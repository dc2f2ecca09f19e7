#!/usr/bin/env python3
"""Three units on one paced 9600 8N2 line, polled every 5 s; unit 2 is silenced after five rounds.
Prints each answering unit's poll period before and during the silence. Usage: scripts/unit_periods.py [BUILD/apps]"""
import subprocess, time, json, os, signal, sys, tempfile
B=sys.argv[1] if len(sys.argv) > 1 else 'build/apps'
work=tempfile.mkdtemp(prefix='kaviro-periods-')
pty=os.path.join(work,'line.pty')
sim=subprocess.Popen([B+'/kaviro-sim','--pty',pty,'--pace','--units','1,2,3','--signal-units','2'],stdout=subprocess.PIPE)
sim.stdout.readline()
cli=subprocess.Popen([B+'/kaviro-cli','poll','--mode','serial','--device',pty,'--id','1,2,3','--interval','5','--format','json'],stdout=subprocess.PIPE,stderr=subprocess.DEVNULL,cwd=work)
t={1:[],2:[],3:[]}
phase_switch=None
start=time.monotonic()
silenced=False
while True:
    line=cli.stdout.readline()
    if not line: break
    now=time.monotonic()
    u=json.loads(line)['unit']; t[u].append(now)
    if not silenced and len(t[3])>=5:
        os.kill(sim.pid, signal.SIGUSR1); silenced=True; phase_switch=now
    if silenced and len(t[3])>=11: break
cli.send_signal(signal.SIGINT); cli.wait(); sim.terminate(); sim.wait()
def periods(ts): return [b-a for a,b in zip(ts,ts[1:])]
for u in (1,3):
    before=[p for a,p in zip(t[u][1:],periods(t[u])) if a<=phase_switch]
    after=[p for a,p in zip(t[u][1:],periods(t[u])) if a>phase_switch]
    mb=sum(before)/len(before); ma=sum(after)/len(after)
    print(f"unit {u}: answering period mean {mb:.3f} s over {len(before)}, with unit 2 silent mean {ma:.3f} s over {len(after)} (min {min(after):.3f}, max {max(after):.3f}), change {100*(ma-mb)/mb:+.1f} %")
print("unit 2 polls:", len(t[2]), "all before the silence:", all(x<=phase_switch+3 for x in t[2]))
