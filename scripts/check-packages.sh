#!/bin/bash
# Checks the .deb packages that `make package` made: what they hold, that the programs taken out
# of them run and poll the simulator in each work mode, the man pages, the desktop entry, the
# systemd unit, and lintian.
#   scripts/check-packages.sh BUILD_DIR ARCH [SIMULATOR]
# A foreign ARCH (kaviro-cli alone) runs under qemu-user, against SIMULATOR built for this machine.
set -euo pipefail
build=$(cd "$1" && pwd)
arch=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n '1s/^kaviro (\([^)]*\)).*/\1/p' "$source_dir/packaging/changelog")
emulator=()
if [ "$arch" != "$(dpkg --print-architecture)" ]; then
  emulator=("qemu-$(dpkg-architecture -a "$arch" -qDEB_HOST_GNU_CPU 2>/dev/null)")
fi

export LC_ALL=C.UTF-8
work=$(mktemp -d /tmp/kaviro-pkgcheck-XXXXXX)
sim_pid=
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

passed=0 failed=0
check() {  # check WHAT COMMAND...: runs COMMAND, counts and reports it
  local what=$1; shift
  if "$@" > "$work/out" 2>&1; then
    passed=$((passed + 1)); echo "ok    $what"
  else
    failed=$((failed + 1)); echo "FAIL  $what"; sed 's/^/      /' "$work/out" | head -40
  fi
}

# --- what each package holds: exactly these files (directories aside), owned by root ---
cli_files="./etc/default/kaviro-mqtt
./lib/systemd/system/kaviro-mqtt.service
./usr/bin/kaviro-cli
./usr/bin/kaviro-sim
./usr/share/doc/kaviro-cli/changelog.gz
./usr/share/doc/kaviro-cli/copyright
./usr/share/man/man1/kaviro-cli.1.gz
./usr/share/man/man1/kaviro-sim.1.gz"
gui_files="./usr/bin/kaviro
./usr/share/applications/kaviro.desktop
./usr/share/doc/kaviro/changelog.gz
./usr/share/doc/kaviro/copyright
./usr/share/icons/hicolor/256x256/apps/kaviro.png
./usr/share/icons/hicolor/48x48/apps/kaviro.png
./usr/share/icons/hicolor/scalable/apps/kaviro.svg
./usr/share/man/man1/kaviro.1.gz"

packages=(kaviro-cli)
[ ${#emulator[@]} = 0 ] && packages+=(kaviro)
deb() { echo "$build/${1}_${version}_${arch}.deb"; }

holds_exactly() {  # DEB FILES
  dpkg-deb -c "$1" | awk '$1 !~ /^d/ {print $6}' | sort > "$work/got"
  diff -u <(echo "$2" | sort) "$work/got"
  ! dpkg-deb -c "$1" | awk '$2 != "root/root"' | grep .
}
modes_are() {  # DEB: programs 755, everything else 644, directories 755
  ! dpkg-deb -c "$1" | awk '
    $1 ~ /^d/ { if ($1 != "drwxr-xr-x") print; next }
    $6 ~ /\/usr\/bin\// { if ($1 != "-rwxr-xr-x") print; next }
    $1 != "-rw-r--r--" { print }' | grep .
}
no_build_paths() {  # DIR: no file names the build tree, no program has a run path
  ! grep -rl -e "$build" -e "$source_dir" "$1"
  for p in "$1"/usr/bin/*; do ! readelf -d "$p" | grep -E 'RPATH|RUNPATH'; done
}
for p in "${packages[@]}"; do
  files=$([ "$p" = kaviro ] && echo "$gui_files" || echo "$cli_files")
  check "$p: the package exists" test -s "$(deb "$p")"
  check "$p: holds exactly its files, owned by root" holds_exactly "$(deb "$p")" "$files"
  check "$p: file modes" modes_are "$(deb "$p")"
  mkdir -p "$work/root"
  dpkg -x "$(deb "$p")" "$work/root"
done
check "nothing from the build or source tree in the files, no run paths" no_build_paths "$work/root"

# --- control data ---
field() { dpkg-deb -f "$(deb "$1")" "$2"; }
cli_depends() {
  local d; d=$(field kaviro-cli Depends); echo "Depends: $d"
  [[ $d == *libmosquitto1* && $d == *libc6* && $d != *qt* ]]
}
cli_conffile() { dpkg-deb --ctrl-tarfile "$(deb kaviro-cli)" | tar -xO ./conffiles | grep -qx /etc/default/kaviro-mqtt; }
# Everything kaviro-cli pulls in, recursively: a host without Qt stays without it.
cli_closure_has_no_qt() {
  local deps; deps=$(field kaviro-cli Depends | tr ',|' '\n\n' | sed 's/(.*//; s/ //g' | grep . | sed "s/\$/:$arch/")
  apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks --no-replaces \
    --no-enhances $deps > "$work/closure"
  ! grep -i 'qt' "$work/closure"
}
gui_relations() {
  local d r; d=$(field kaviro Depends); r=$(field kaviro Recommends); echo "Depends: $d; Recommends: $r"
  [[ $d == *libqt6widgets6* && $d == *fonts-wqy-microhei* && $d == *qt6-qpa-plugins* && $r == kaviro-cli ]]
}
check "kaviro-cli: Depends from shlibdeps, libmosquitto1, no Qt" cli_depends
check "kaviro-cli: no Qt in the whole dependency closure" cli_closure_has_no_qt
check "kaviro-cli: /etc/default/kaviro-mqtt is a conffile" cli_conffile
check "kaviro-cli: architecture $arch" test "$(field kaviro-cli Architecture)" = "$arch"
if [[ " ${packages[*]} " == *" kaviro "* ]]; then
  check "kaviro: Depends on Qt 6, its platform plugins and the font; Recommends kaviro-cli" gui_relations
fi

# --- the programs taken out of the packages ---
bin=$work/root/usr/bin
run() { "${emulator[@]}" "$@"; }
helps() { run "$1" --help > "$work/help"; grep '^usage: ' "$work/help"; }
for p in "${packages[@]}"; do
  for program in $([ "$p" = kaviro ] && echo kaviro || echo kaviro-cli kaviro-sim); do
    check "$program --help" helps "$bin/$program"
  done
done
run "$bin/kaviro-cli" --help | sed -n 's/^  \([a-z]*\)\t.*/\1/p' > "$work/verbs"

sim=${3:-$bin/kaviro-sim}
start_sim() {  # ARGS...: the simulator in the background, until it serves
  "$sim" "$@" > "$work/sim.log" 2>&1 &
  sim_pid=$!
  for _ in $(seq 100); do grep -q serving "$work/sim.log" && return 0; sleep 0.1; done
  cat "$work/sim.log"; return 1
}
stop_sim() { kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true; sim_pid=; }
polls() {  # MODE LINK-OPTIONS...: one poll in influx lines, from the right link, with the battery voltage
  local mode=$1; shift
  mkdir -p "$work/run-$mode"
  (cd "$work/run-$mode" && timeout 120 "${emulator[@]}" "$bin/kaviro-cli" poll --once --format influx \
    --mode "$mode" "$@") > "$work/poll" || { cat "$work/poll"; return 1; }
  head -c 300 "$work/poll"; echo
  grep -q "^kaviro,unit=1,link=$mode reg_.*reg_0018=[0-9.]*" "$work/poll"
}
poll_mode() {
  case $1 in
    serial)   start_sim --pty "$work/tty" && polls serial --device "$work/tty" ;;
    wireless) start_sim --pty "$work/tty" --wireless && polls wireless --device "$work/tty" ;;
    network)  start_sim --tcp 0 &&
              polls network --host 127.0.0.1 --port "$(sed -n 's/.*:\([0-9]*\) unit.*/\1/p' "$work/sim.log")" ;;
  esac
  local rc=$?; stop_sim; return $rc
}
for mode in serial wireless network; do
  check "kaviro-cli ($arch) poll --once against kaviro-sim, $mode" poll_mode $mode
done

# --- man pages, desktop entry, unit ---
man_renders() {  # PAGE: man renders it without a warning, and it is that program's page
  man --warnings -E UTF-8 -l "$1" 2> "$work/man.err" > "$work/man.txt"
  cat "$work/man.err"; [ ! -s "$work/man.err" ]
  grep -q "^NAME" "$work/man.txt"
}
cli_page_has_every_verb() {
  man -E UTF-8 -l "$work/root/usr/share/man/man1/kaviro-cli.1.gz" 2>/dev/null | col -b > "$work/cli.txt"
  local missing=0 verb
  for verb in $(cat "$work/verbs"); do
    grep -q "^   kaviro-cli $verb\$" "$work/cli.txt" || { echo "no section for $verb"; missing=1; }
  done
  [ -s "$work/verbs" ] && [ $missing = 0 ]
}
for page in "$work"/root/usr/share/man/man1/*.1.gz; do
  check "man -l $(basename "$page")" man_renders "$page"
done
check "kaviro-cli(1) has a section for every verb ($(wc -l < "$work/verbs") verbs)" cli_page_has_every_verb
check "kaviro-cli(1) keeps the Chinese texts of the help" grep -q '蓄电池最小电压' "$work/cli.txt"
if [ -e "$work/root/usr/share/man/man1/kaviro.1.gz" ]; then
  check "kaviro(1) keeps the Chinese texts of the help" bash -c \
    "man -E UTF-8 -l '$work/root/usr/share/man/man1/kaviro.1.gz' 2>/dev/null | grep -q 'KAVIRO寄存器 desktop tool'"
fi
if [ -e "$work/root/usr/share/applications/kaviro.desktop" ]; then
  check "desktop-file-validate kaviro.desktop" desktop-file-validate "$work/root/usr/share/applications/kaviro.desktop"
  check "the desktop entry starts kaviro --user-config" \
    grep -qx 'Exec=kaviro --user-config' "$work/root/usr/share/applications/kaviro.desktop"
  for size in 48 256; do
    check "icon ${size}x${size} PNG" bash -c \
      "file '$work/root/usr/share/icons/hicolor/${size}x${size}/apps/kaviro.png' | grep -q 'PNG image data, $size x $size'"
  done
fi
unit=$work/root/lib/systemd/system/kaviro-mqtt.service
unit_paths() {
  grep -qx 'ExecStart=/usr/bin/kaviro-cli mqtt $KAVIRO_MQTT_OPTIONS' "$unit"
  grep -qx 'EnvironmentFile=/etc/default/kaviro-mqtt' "$unit"
  grep -qx 'StateDirectory=kaviro' "$unit"
  grep -q '^KAVIRO_MQTT_OPTIONS="--broker ' "$work/root/etc/default/kaviro-mqtt"
}
check "kaviro-mqtt.service: installed paths, its options in /etc/default" unit_paths
# The unit among this system's own (its targets), the programs from the package: no complaint at all.
unit_verifies() {
  cp -an /lib/systemd/system/. "$work/root/lib/systemd/system/"
  systemd-analyze verify --man=no --root="$work/root" /lib/systemd/system/kaviro-mqtt.service 2>&1 | tee "$work/verify"
  [ "${PIPESTATUS[0]}" = 0 ] && [ ! -s "$work/verify" ]
}
if command -v systemd-analyze > /dev/null && [ -d /lib/systemd/system ]; then
  check "systemd-analyze verify kaviro-mqtt.service" unit_verifies
else
  echo "skip  systemd-analyze verify (no systemd here)"
fi

# --- lintian: no errors; warnings are reported ---
lintian_clean() { lintian --info --fail-on error "$1" > "$work/lintian" 2>&1 || { cat "$work/lintian"; return 1; }; }
for p in "${packages[@]}"; do
  check "lintian $p: no errors" lintian_clean "$(deb "$p")"
  sed 's/^/      /' "$work/lintian"
done

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
