#!/bin/bash
# The network link against a real serial server: ser2net on 127.0.0.1 serves the pseudo-terminal
# of zr48-sim as a raw TCP port and as an RFC 2217 port, and zr48 downloads, uploads, compares and
# updates the firmware through each, directly and through a proxy that delays every byte; a
# connection dropped mid-transfer ends that transfer with a message, and the next one works.
# Usage: ser2net-test.sh ZR48 ZR48_SIM SOURCE_DIR
set -u
zr48=$1 sim=$2 src=$3
if ! command -v ser2net >/dev/null && [ ! -x /usr/sbin/ser2net ]; then
    echo "SKIPPED: ser2net is not installed (Debian package ser2net)"
    exit 77
fi
ser2net=$(command -v ser2net || echo /usr/sbin/ser2net)
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
wait_for_port() {
    for _ in $(seq 50); do
        python3 -c "import socket,sys; socket.create_connection(('127.0.0.1', $1), 0.2)" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

"$sim" --pty --card "$work/card" >"$work/pty" 2>"$work/sim.err" &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/pty" ] && break; sleep 0.1; done
pty=$(head -1 "$work/pty")
[ -n "$pty" ] || { echo "FAILED: zr48-sim gave no terminal"; exit 1; }

raw=$(free_port) rfc=$(free_port)
cat >"$work/ser2net.yaml" <<YAML
connection: &raw
  accepter: tcp,127.0.0.1,$raw
  connector: serialdev,$pty,230400n81,local
  options:
    kickolduser: true
connection: &rfc2217
  accepter: telnet(rfc2217),tcp,127.0.0.1,$rfc
  connector: serialdev,$pty,230400n81,local
  options:
    kickolduser: true
YAML
"$ser2net" -n -u -c "$work/ser2net.yaml" -P "$work/ser2net.pid" >"$work/ser2net.log" 2>&1 &
pids+=($!)
wait_for_port "$raw" && wait_for_port "$rfc" || { echo "FAILED: ser2net did not listen"; cat "$work/ser2net.log"; exit 1; }

proxy() { # PORT DELAY_MS [DROP_AFTER]: starts a proxy, sets $proxied to its port
    python3 "$src/tests/link/delay-proxy.py" "$@" >"$work/proxy.$1.$2" &
    pids+=($!)
    for _ in $(seq 50); do [ -s "$work/proxy.$1.$2" ] && break; sleep 0.1; done
    proxied=$(head -1 "$work/proxy.$1.$2")
}

cp -r "$src/examples/projects/Villa" "$work/Villa"
# The shipped image is the simulator's demonstration firmware, which zr48 keeps from any unit it
# does not simulate itself; the same image under another version name is firmware as a unit gets.
firmware=$work/ZR48-TEST.BIN
python3 -c "import sys; d=open(sys.argv[1],'rb').read(); assert b'KELDO DEMO' in d; open(sys.argv[2],'wb').write(d.replace(b'KELDO DEMO', b'KELDO TEST'))" \
    "$(dirname "$zr48")/../share/zr48/Firmware/ZR48.BIN" "$firmware" || exit 1
run() { # NAME LINK EXPECTED_EXIT ARGS...: runs zr48, checks its exit status
    local name=$1 link=$2 expected=$3
    shift 3
    timeout 300 "$zr48" -q --yes --link "$link" "$@" >"$work/out" 2>&1
    local status=$?
    if [ "$status" != "$expected" ]; then
        fail "$name: zr48 --link $link $* exited $status, not $expected"
        sed 's/^/    /' "$work/out"
        return 1
    fi
    echo "ok: $name"
}

transfers() { # KIND LINK
    local kind=$1 link=$2
    rm -rf "$work/up" && mkdir "$work/up"
    run "$kind download --verify" "$link" 0 download "$work/Villa/Villa.mpj" --verify
    run "$kind upload" "$link" 0 upload "$work/up/Up.mpj" && [ -s "$work/up/Up.mpj" ] || fail "$kind upload wrote no project"
    run "$kind compare" "$link" 0 compare "$work/Villa/Villa.mpj"
    run "$kind firmware" "$link" 0 firmware "$firmware"
}

for kind in tcp rfc2217; do
    port=$raw
    [ $kind = rfc2217 ] && port=$rfc
    transfers "$kind" "$kind:127.0.0.1:$port"
    proxy "$port" 20
    transfers "$kind 20 ms each way" "$kind:127.0.0.1:$proxied"
    # A connection dropped mid-download: the download says it failed, the next one reconnects.
    proxy "$port" 5 4000
    run "$kind dropped mid-download" "$kind:127.0.0.1:$proxied" 1 download "$work/Villa/Villa.mpj"
    grep -q "Download Finished" "$work/out" && fail "$kind: a dropped download said it finished"
    run "$kind after the drop" "$kind:127.0.0.1:$proxied" 0 download "$work/Villa/Villa.mpj" --verify
done

# Errors name host, port and reason, with exit status 2.
closed=$(free_port)
run "connection refused" "rfc2217:127.0.0.1:$closed" 2 version
grep -q "127.0.0.1:$closed: Connection refused" "$work/out" || fail "refusal not named: $(cat "$work/out")"

[ $failures = 0 ] || { echo "$failures failed"; exit 1; }
echo "all passed"
