#!/usr/bin/env bash
# Installs what is missing, builds the program and the virtual encoder, and starts the program.
#   scripts/run.sh              with the virtual encoder when no USB serial adapter is attached
#   scripts/run.sh --sim        always with the virtual encoder
#   scripts/run.sh --encoder    alone, for a real encoder
#   --mode lrq118|kvt380a       the virtual encoder's command set (implies --sim); without
#                               it, the one stored by the last successful setup
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
    sed -n '2,7p' "$0" >&2
    exit 2
}

use=auto
mode=
while [ $# -gt 0 ]; do
    case "$1" in
    --sim) use=sim ;;
    --encoder) use=encoder ;;
    --mode)
        [ $# -ge 2 ] || usage
        case "$2" in
        lrq118 | kvt380a) mode=$2 ;;
        *) usage ;;
        esac
        shift
        ;;
    *) usage ;;
    esac
    shift
done
if [ -n "$mode" ]; then
    [ "$use" = encoder ] && usage
    use=sim
fi

scripts/install-deps.sh
dir=$(scripts/build.sh --target kvt450 --target kvt450-sim)

if [ "$use" = auto ]; then
    use=sim
    if compgen -G '/dev/ttyUSB*' >/dev/null || compgen -G '/dev/ttyACM*' >/dev/null; then
        use=encoder
    fi
fi
if [ "$use" = encoder ]; then
    exec "$dir/src/kvt450"
fi

# Unless told otherwise, the virtual encoder answers on the port and in the command set the
# setup window will propose, so OK works at once.
conf="${XDG_CONFIG_HOME:-$HOME/.config}/KVT450/KVT450.conf"
stored() { [ -f "$conf" ] && awk -F= -v s="[$1]" -v k="$2" '$0==s{g=1;next} /^\[/{g=0} g&&$1==k{print substr($0,length(k)+2)}' "$conf"; }
port=$(stored Comm Port || true)
[[ "$port" =~ ^[0-9]+$ ]] || port=1
proposed=kvt380a
[ "$(stored Globe Mode || true)" = "LRQ118" ] && proposed=lrq118
mode=${mode:-$proposed}

"$dir/sim/kvt450-sim" --port "$port" --mode "$mode" --auto-swipe 1500 \
    --deck sim/decks/sample.txt --background &
sim=$!
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null || true' EXIT
sleep 0.5
name=KVT-380A
[ "$mode" = lrq118 ] && name=LRQ118
echo "Virtual encoder on port $port, command set $name. Cards are swiped 1.5 s after the program asks."
[ "$mode" = "$proposed" ] || echo "Choose Emulation Mode \"$name\" in the setup window."
"$dir/src/kvt450"
