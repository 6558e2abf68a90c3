#!/usr/bin/env bash
# Many small logs instead of a few large ones (100,000 by default, as years of short sessions leave
# them): the status line with nothing changed and when it examines every log, the report, and the
# tray's refresh with nothing changed, each with its time and peak memory.
#
# usage: bench/many-logs.sh [logs] [corpus-folder]
set -euo pipefail
cd "$(dirname "$0")/.."
logs=${1:-100000}
corpus=${2:-/tmp/pacemark-corpus-$logs-logs}

scripts/install-deps.sh
command -v /usr/bin/time >/dev/null || { sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo; $sudo apt-get install -y -qq time; }
scripts/build.sh build-bench -DCMAKE_BUILD_TYPE=Release -DPACEMARK_BUILD_TESTS=OFF -DPACEMARK_BUILD_BENCHMARKS=ON
app=build-bench/src/pacemark
if [ ! -d "$corpus/projects" ]; then
    build-bench/bench/pacemark_corpus --small-logs "$logs" "$corpus/projects" 0
fi
find "$corpus/projects" -name '*.jsonl' -print0 | xargs -0 cat > /dev/null

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home CLAUDE_CONFIG_DIR=$corpus XDG_CACHE_HOME=$home/cache XDG_DATA_HOME=$home/data \
    XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

echo "== $logs logs: status line"
/usr/bin/time -f 'first call            %e s, peak %M KiB' "$app" --statusline < /dev/null > /dev/null
echo "cache                 $(du -h "$XDG_CACHE_HOME/pacemark/logs.cache" | cut -f1)"
for i in 1 2 3 4 5; do
    /usr/bin/time -f "nothing changed       %e s, peak %M KiB" "$app" --statusline < /dev/null > /dev/null
done
# What a call costs when it examines every log, as one does at least once a minute: without the basis
# the last read left.
for i in 1 2 3; do
    rm -f "$XDG_CACHE_HOME/pacemark/statusline.basis"
    /usr/bin/time -f "every log examined    %e s, peak %M KiB" "$app" --statusline < /dev/null > /dev/null
done
echo "== report"
for i in 1 2 3; do
    /usr/bin/time -f "report                %e s, peak %M KiB" "$app" --report > /dev/null
done
echo "== tray refresh"
build-bench/bench/pacemark_bench "$corpus/projects" | grep -E 'files|unchanged|full re-read|peak'
