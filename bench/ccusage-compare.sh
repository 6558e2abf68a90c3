#!/usr/bin/env bash
# Compares Pacemark's all-time total with that of ccusage 18, a command-line usage reporter, over a
# generated corpus in which some sessions were resumed: their new logs begin with a copy of the
# first half of the earlier conversation, which must count once. Needs node and npm (ccusage is
# fetched with npx on first use); not run in CI.
#
# usage: bench/ccusage-compare.sh [MiB] [resumed-sessions]
set -euo pipefail
cd "$(dirname "$0")/.."
mib=${1:-200}
resumed=${2:-10}
corpus=/tmp/pacemark-corpus-$mib-resumed-$resumed

scripts/install-deps.sh
scripts/build.sh build-bench -DCMAKE_BUILD_TYPE=Release -DPACEMARK_BUILD_TESTS=OFF -DPACEMARK_BUILD_BENCHMARKS=ON
if [ ! -d "$corpus/projects" ]; then
    build-bench/bench/pacemark_corpus "$corpus/projects" "$mib" 1 40 "$resumed"
fi

# A member of the JSON on standard input, by its dotted path.
member() {
    node -e 'let s = ""; process.stdin.on("data", d => s += d).on("end", () =>
        console.log(process.argv[1].split(".").reduce((o, k) => o[k], JSON.parse(s))))' "$1"
}

export CLAUDE_CONFIG_DIR=$corpus TZ=UTC
pacemark=$(build-bench/src/pacemark --report --json --now 2026-12-06T12:00:00Z | member cumulativeTokens)
ccusage=$(npx -y ccusage@18 daily --json --offline | member totals.totalTokens)

printf 'corpus                %s (%s resumed sessions)\n' "$corpus" "$resumed"
printf 'pacemark all time     %s tokens\n' "$pacemark"
printf 'ccusage 18 all time   %s tokens\n' "$ccusage"
if [ "$pacemark" = "$ccusage" ]; then echo "same: yes"; else echo "same: NO"; exit 1; fi
