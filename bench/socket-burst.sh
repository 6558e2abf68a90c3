#!/usr/bin/env bash
# What a burst of connections to the single-instance socket costs the running application: its resident
# memory before, right after 10,000 connections (a thousand open at a time, each closed unanswered) and
# once they are gone, and whether a later start still reaches it.
#
# usage: bench/socket-burst.sh [connections]
set -euo pipefail
cd "$(dirname "$0")/.."
connections=${1:-10000}
. bench/tray-session.sh :97 24
export HOME=$home XDG_RUNTIME_DIR=$home/runtime XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache
mkdir -m 700 "$XDG_RUNTIME_DIR"
DISPLAY=$display "$app" >/dev/null 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true; kill $xvfb $tray 2>/dev/null || true; rm -rf "$home"' EXIT
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/pacemark.socket" ] && break; sleep 0.1; done
sleep 2
rss() { awk '/VmRSS/ { printf "%.1f MiB", $2 / 1024 }' "/proc/$pid/status"; }
echo "before                $(rss)"
python3 - "$XDG_RUNTIME_DIR/pacemark.socket" "$connections" <<'PY'
import socket, sys
path, total = sys.argv[1], int(sys.argv[2])
done = 0
while done < total:
    batch = []
    for _ in range(min(1000, total - done)):
        s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        s.connect(path)
        batch.append(s)
    for s in batch:
        s.close()
    done += len(batch)
PY
echo "after $connections       $(rss)"
sleep 3
echo "3 s later             $(rss)"
printf '{"request":"statusline"}\n' | timeout 2 python3 -c '
import socket, sys
s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM); s.connect(sys.argv[1]); s.sendall(sys.stdin.buffer.read())
print("still answers        ", "yes" if s.recv(65536).startswith(b"{") else "no")' "$XDG_RUNTIME_DIR/pacemark.socket"
