#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program.
#   scripts/run.sh            with the virtual encoder when no USB serial adapter is attached
#   scripts/run.sh --sim      always with the virtual encoder
#   scripts/run.sh --encoder  alone, for a real encoder
set -euo pipefail
cd "$(dirname "$0")/.."

use=auto
case "${1:-}" in
--sim) use=sim ;;
--encoder) use=encoder ;;
"") ;;
*)
    sed -n '2,5p' "$0"
    exit 2
    ;;
esac

scripts/install-deps.sh
dir=$(scripts/build.sh | tail -n 1)

if [ "$use" = auto ]; then
    use=sim
    if compgen -G '/dev/ttyUSB*' >/dev/null || compgen -G '/dev/ttyACM*' >/dev/null; then
        use=encoder
    fi
fi
if [ "$use" = encoder ]; then
    exec "$dir/src/kvt450"
fi

# The virtual encoder answers on the port and in the command set the setup window will
# propose, so OK works at once.
conf="${XDG_CONFIG_HOME:-$HOME/.config}/KVT450/KVT450.conf"
stored() { [ -f "$conf" ] && awk -F= -v s="[$1]" -v k="$2" '$0==s{g=1;next} /^\[/{g=0} g&&$1==k{print substr($0,length(k)+2)}' "$conf"; }
port=$(stored Comm Port || true)
[[ "$port" =~ ^[0-9]+$ ]] || port=1
mode=kvt380a
[ "$(stored Globe Mode || true)" = "LRQ118" ] && mode=lrq118

"$dir/sim/kvt450-sim" --port "$port" --mode "$mode" --auto-swipe 1500 \
    --deck sim/decks/sample.txt --background &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null || true' EXIT
sleep 0.5
echo "Virtual encoder on port $port ($mode). Cards are swiped 1.5 s after the program asks."
"$dir/src/kvt450"
