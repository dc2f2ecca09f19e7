#!/bin/sh
# Starts kaviro-sim and the GUI connected to it, in a demo working directory of its own.
#   scripts/run-demo.sh BUILD_DIR [serial|wireless|network]
set -eu
build=$(cd "$1" && pwd)
mode=${2:-serial}
demo="$build/demo"
mkdir -p "$demo"
cd "$demo"

sim="$build/apps/kaviro-sim"
gui="$build/apps/kaviro"
tty="$demo/tty"
tcp_port=${KAVIRO_DEMO_TCP_PORT:-1502}

# config.txt: COM2, device 1, 3 s, Chinese, 12V, the controller IP, the work mode, '@ARM'.
write_config() {  # $1 work mode byte, $2..$5 IP bytes little-endian (octal)
  printf '\002\000\000\000\001\000\000\000\003\000\000\000\001\000\000\000\000\000\000\000'"$2$3$4$5"'\00'"$1"'\000\000\000@ARM' > config.txt
}

case "$mode" in
  serial)   write_config 0 '\307' '\001' '\250' '\300'; set -- --pty "$tty" ;;
  wireless) write_config 2 '\307' '\001' '\250' '\300'; set -- --pty "$tty" --wireless ;;
  network)  write_config 1 '\001' '\000' '\000' '\177'; set -- --tcp "$tcp_port" ;;
  *) echo "MODE is serial, wireless or network" >&2; exit 2 ;;
esac

"$sim" "$@" > sim.log 2>&1 &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null; wait $sim_pid 2>/dev/null || true' EXIT INT TERM
for _ in $(seq 50); do grep -q "serving" sim.log && break; sleep 0.1; done
cat sim.log

export KAVIRO_COM2="$tty" KAVIRO_TCP_PORT="$tcp_port"
if [ "$mode" = network ]; then
  echo "Click 网络连接 in the menu bar to connect to the simulator at 127.0.0.1:$tcp_port."
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$gui"
else
  echo "No display found: the window runs on a virtual X display (xvfb-run). Ctrl-C stops it."
  xvfb-run -a -s "-screen 0 1280x800x24" "$gui"
fi
