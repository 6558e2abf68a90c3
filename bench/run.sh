#!/usr/bin/env bash
# Builds the benchmarks, generates a corpus (1 GiB by default) and prints, side by side in one run,
# the refresh figures against `wc -l` over the same files, and the report's peak memory; then the
# same for a mixed home: those logs and 300 MiB of Codex CLI rollouts ($PACEMARK_CODEX_MIB).
#
# usage: bench/run.sh [--tool-results] [--ansi] [MiB] [corpus-folder]
# The options pick the corpus's shape (see bench/generate_corpus.cpp).
set -euo pipefail
cd "$(dirname "$0")/.."
shape=()
while [ $# -gt 0 ] && [[ $1 == --* ]]; do
    shape+=("$1")
    shift
done
mib=${1:-1024}
suffix=$(printf '%s' "${shape[@]}" | tr -s '-' '-')
corpus=${2:-/tmp/pacemark-corpus-$mib$suffix}

scripts/install-deps.sh
command -v /usr/bin/time >/dev/null || { sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo; $sudo apt-get install -y -qq time; }
scripts/build.sh build-bench -DCMAKE_BUILD_TYPE=Release -DPACEMARK_BUILD_TESTS=OFF -DPACEMARK_BUILD_BENCHMARKS=ON

if [ ! -d "$corpus/projects" ]; then
    build-bench/bench/pacemark_corpus "${shape[@]}" "$corpus/projects" "$mib"
fi
small=/tmp/pacemark-corpus-1000-files
if [ ! -d "$small/projects" ]; then
    build-bench/bench/pacemark_corpus "$small/projects" 60 7 0.05 >/dev/null
fi

# Everything in the page cache first, so both sides read memory.
find "$corpus/projects" -name '*.jsonl' -print0 | xargs -0 cat > /dev/null

echo "== wc -l over the same files"
start=$(date +%s.%N)
find "$corpus/projects" -name '*.jsonl' -print0 | xargs -0 wc -l | tail -n 1
end=$(date +%s.%N)
wc_ms=$(echo "($end - $start) * 1000" | bc)
printf 'wc -l                 %.1f ms\n' "$wc_ms"

echo "== refresh, $mib MiB corpus"
big=$(find "$corpus/projects" -name 'big-session.jsonl' | head -n 1)
copy=""
if [ -n "$big" ]; then
    # Appending changes the corpus; work on a copy of the one file that grows.
    cp "$big" "$big.orig"
    copy=$big
fi
build-bench/bench/pacemark_bench "$corpus/projects" $copy
[ -n "$copy" ] && mv "$copy.orig" "$copy"

echo "== refresh, $(find "$small/projects" -name '*.jsonl' | wc -l) small files"
build-bench/bench/pacemark_bench "$small/projects" | grep -E 'files|unchanged|full re-read'

echo "== peak memory of pacemark --report over the $mib MiB corpus"
CLAUDE_CONFIG_DIR="$corpus" /usr/bin/time -f 'peak RSS              %M KiB, %e s' \
    build-bench/src/pacemark --report --now 2026-12-06T12:00:00Z > /dev/null

# The same Claude logs with Codex CLI's rollouts beside them, mostly large response_item lines.
codex_mib=${PACEMARK_CODEX_MIB:-300}
codex=/tmp/pacemark-codex-$codex_mib
if [ ! -d "$codex/sessions" ]; then
    build-bench/bench/pacemark_corpus --codex "$codex" "$codex_mib" "$codex/none" 0 >/dev/null
fi
find "$corpus/projects" "$codex" -name '*.jsonl' -print0 | xargs -0 cat > /dev/null
echo "== wc -l over the $mib MiB of Claude logs and $codex_mib MiB of Codex rollouts"
start=$(date +%s.%N)
find "$corpus/projects" "$codex" -name '*.jsonl' -print0 | xargs -0 wc -l | tail -n 1
end=$(date +%s.%N)
printf 'wc -l                 %.1f ms\n' "$(echo "($end - $start) * 1000" | bc)"
echo "== refresh of the mixed home"
build-bench/bench/pacemark_agents_bench "$corpus/projects" "$codex"
