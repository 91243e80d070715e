#!/bin/sh
# CPU share of the real corvane program while it idles, window shown on the offscreen platform:
# USB chosen with the device open, USB chosen with the device gone, and the serial link chosen.
# CPU time is the scheduler's run time of every thread (/proc/<pid>/task/*/schedstat, in ns):
# the tick-sampled user and system times miss most of a short wake-up. Other load on the machine
# does not count. Usage: bench/program_idle_cpu.sh BUILD_DIR [SECONDS]
set -eu
build=${1:?build directory}
secs=${2:-10}
corvane=$build/app/corvane
sim=$build/sim/kv2040-sim
work=$(mktemp -d /tmp/corvane-idle-XXXXXX)
pids=""
cleanup() {
  for p in $pids; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM
cpu_ns() {  # run time of all threads of a process, in ns
  cat /proc/"$1"/task/*/schedstat | awk '{ s += $1 } END { printf "%d", s }'
}

start_sim() {  # $1: name, then the simulator's options; prints the slave path
  name=$1
  shift
  "$sim" "$@" >"$work/$name.path" 2>/dev/null &
  echo $! >"$work/$name.pid"
  for _ in $(seq 100); do [ -s "$work/$name.path" ] && break; sleep 0.05; done
  head -n1 "$work/$name.path"
}

# $1 label, $2 LinkUsb byte of the restored record (1: USB chosen at first show),
# $3: "unplug" to take the USB device away once the window is up.
measure() {
  cfg=$work/$1/config
  mkdir -p "$cfg/corvane" "$work/$1/run"
  serial=$(start_sim serial-$1); pids="$pids $(cat "$work/serial-$1.pid")"
  usb=$(start_sim usb-$1 --usb); usbpid=$(cat "$work/usb-$1.pid"); pids="$pids $usbpid"
  printf '[Devices]\nCOM1=%s\nUSB=%s\n' "$serial" "$usb" >"$cfg/corvane/KV2040.ini"
  # A restored record of zeros whose last byte chooses the link.
  head -c 18119 /dev/zero >"$cfg/corvane/OSCTEMP.DSO"
  printf "\\$(printf '%03o' "$2")" >>"$cfg/corvane/OSCTEMP.DSO"
  XDG_CONFIG_HOME=$cfg XDG_RUNTIME_DIR=$work/$1/run QT_QPA_PLATFORM=offscreen \
    QT_ACCESSIBILITY=0 "$corvane" >/dev/null 2>&1 &
  app=$!
  pids="$pids $app"
  sleep 3
  if [ "${3:-}" = unplug ]; then kill "$usbpid"; sleep 2; fi
  t0=$(cpu_ns "$app")
  w0=$(grep voluntary_ctxt_switches /proc/$app/status | head -n1 | awk '{print $2}')
  sleep "$secs"
  t1=$(cpu_ns "$app")
  w1=$(grep voluntary_ctxt_switches /proc/$app/status | head -n1 | awk '{print $2}')
  awk -v l="$1" -v d=$((t1 - t0)) -v w=$((w1 - w0)) -v s="$secs" \
    'BEGIN { printf "%-26s %6.3f %% of a core, %7.1f wake-ups/s\n", l, 100 * d / 1e9 / s, w / s }'
  kill "$app" 2>/dev/null || true
}

measure usb-selected-device-open 1
measure usb-selected-no-device 1 unplug
measure serial-selected 0
