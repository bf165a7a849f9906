#!/usr/bin/env bash
# Takes a screenshot of the keyboard window under a private X server (Xvfb),
# connected over TCP to the unit simulator playing a unit of the given type.
#   tools/screenshot.sh [-b BIN_DIR] [-s SCALE] UNIT_TYPE OUT.png
# UNIT_TYPE is 1 (one camera key) or 4 (four camera keys and Quad). Kaymor
# gets a settings folder of its own, so your settings are never touched, and
# discovery on request only, so nothing is broadcast. -s 2 scales the window
# to 200 % (QT_SCALE_FACTOR), as a scaled desktop does.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bin="$here/build/bin"
scale=1
if [ "${1:-}" = "-b" ]; then bin="$(cd "$2" && pwd)"; shift 2; fi
if [ "${1:-}" = "-s" ]; then scale="$2"; shift 2; fi
if [ $# -ne 2 ] || { [ "$1" != 1 ] && [ "$1" != 4 ]; } || ! [[ "$scale" =~ ^[1-4]$ ]]; then
  echo "usage: $0 [-b BIN_DIR] [-s 1|2|3|4] 1|4 OUT.png" >&2
  exit 2
fi
type="$1"
out="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"

missing=()
for p in xvfb:Xvfb xdotool:xdotool imagemagick:import; do
  command -v "${p#*:}" >/dev/null || missing+=("${p%%:*}")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

work="$(mktemp -d)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# A free display number from the server itself.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 "$((1280 * scale))x$((800 * scale))x24" -dpi 96 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
exec 3>&-
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"

# LEDs 0, 1 and 4 lit, so the picture shows lit and unlit ones.
"$bin/unitsim" --tcp 127.0.0.1:0 --no-udp --type "$type" --name "Demo Unit" --serial SIM0001 \
  --led 0x13 --ready-file "$work/unitsim.ready" >/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -e "$work/unitsim.ready" ] && break; sleep 0.1; done
port="$(sed -n 's/^tcp: .*:\([0-9]*\)$/\1/p' "$work/unitsim.ready")"

mkdir -p "$work/config/Vantrel"
cat >"$work/config/Vantrel/Vantrel.ini" <<INI
[IPAddressList]
CommType=1
Total=1
IP0="127.0.0.1,ZAM$type,SIM0001,qmpv,$port"
LastUsed="127.0.0.1, ZAM$type, SIM0001"
Password=qmpv

[Keyboard]
LastUsed=$type

[Options]
DisOption=1
Version=screenshot
INI
chmod 600 "$work/config/Vantrel/Vantrel.ini"

QT_SCALE_FACTOR="$scale" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work" \
  TMPDIR="$work" "$bin/kaymor" >"$work/kaymor.log" 2>&1 &
pids+=($!)
window="$(timeout 30 xdotool search --sync --onlyvisible --name '^Vantrel' | head -n1)"
if [ -z "$window" ]; then
  echo "Kaymor's window did not appear:" >&2
  cat "$work/kaymor.log" >&2
  exit 1
fi

# Connect with the button's mnemonic (Alt+C), then wait for the first LED poll.
sleep 1
xdotool windowfocus --sync "$window" key --clearmodifiers alt+c
sleep 2.5
import -window "$window" "$out"
echo "$out"
