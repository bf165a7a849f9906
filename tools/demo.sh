#!/usr/bin/env bash
# Starts the unit simulator and Kaymor set up to reach it, with a settings
# folder of its own: the user's own settings are never touched and, with
# discovery on request only, the demo never broadcasts. The serial rate is the
# simulator's (9600), so that the Options dialog's Read, Change and Reboot,
# which start from the stored rate, reach it too.
set -euo pipefail
bin="$1"
demo="$(dirname "$bin")/demo"
mkdir -p "$demo/config/Vantrel"

# The simulator: TCP on 127.0.0.1:1024, serial on a pseudo-terminal linked
# to $demo/ttyUNIT (reached as COM1 through the "Ports" section below).
port="${KAYMOR_DEMO_PORT:-1024}"
"$bin/unitsim" --tcp "127.0.0.1:$port" --no-udp --pty --pty-link "$demo/ttyUNIT" \
  --type 4 --name "Demo Unit" --serial SIM0001 --log "$demo/unitsim.log" \
  --ready-file "$demo/unitsim.ready" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$demo/unitsim.ready" ] && break; sleep 0.1; done
rm -f "$demo/unitsim.ready"

ini="$demo/config/Vantrel/Vantrel.ini"
if [ ! -e "$ini" ]; then
  cat > "$ini" <<INI
[IPAddressList]
CommType=1
Total=1
IP0="127.0.0.1,ZAM4,SIM0001,qmpv,$port"
LastUsed="127.0.0.1, ZAM4, SIM0001"
Password=qmpv

[Options]
DisOption=1

[Ports]
COM1=$demo/ttyUNIT

[RS-232]
BaudRate=9600
INI
  chmod 600 "$ini"
elif ! grep -q '^\[RS-232\]' "$ini"; then
  # A demo folder from before the rate was seeded.
  printf '\n[RS-232]\nBaudRate=9600\n' >> "$ini"
fi

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: start the demo from a desktop session (or under Xvfb)." >&2
  exit 1
fi
echo "Kaymor is starting: pick 127.0.0.1 in the address box and click Connect."
echo "Simulator log: $demo/unitsim.log"
shift; XDG_CONFIG_HOME="$demo/config" "$bin/kaymor" "$@"
