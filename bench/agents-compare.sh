#!/usr/bin/env bash
# Compares Pacemark's daily Codex CLI and Gemini CLI tokens with ccusage 20's, a command-line usage
# reporter, on a generated home (bench/generate_corpus.cpp: repeated token counts, compactions, an
# older build without per-turn usage, forks, archived and compressed rollouts; Gemini chats with
# messages written twice, checkpoints and rewinds). Prints both per day and each day's difference.
# Needs node and npm; not run in CI.
#
# usage: bench/agents-compare.sh [codex-MiB] [gemini-chats]
set -euo pipefail
cd "$(dirname "$0")/.."
mib=${1:-40}
chats=${2:-200}
work=/tmp/pacemark-agents-$mib-$chats

scripts/install-deps.sh
scripts/build.sh build-bench -DCMAKE_BUILD_TYPE=Release -DPACEMARK_BUILD_TESTS=OFF -DPACEMARK_BUILD_BENCHMARKS=ON
if [ ! -d "$work/codex" ]; then
    build-bench/bench/pacemark_corpus --codex "$work/codex" "$mib" --gemini "$work/home/.gemini" "$chats" \
        "$work/none" 0
fi
ccusage=$work/ccusage
[ -x "$ccusage/node_modules/.bin/ccusage" ] || npm install --prefix "$ccusage" ccusage@20.0.24 \
    @ccusage/ccusage-linux-x64@20.0.24 >/dev/null

# Private settings, caches and history store: the machine's own must not count.
export TZ=UTC XDG_CACHE_HOME=$work/cache XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data CLAUDE_CONFIG_DIR=$work/none
report() { build-bench/src/pacemark --report --json --history --now 2026-12-06T12:00:00Z; }
CODEX_HOME=$work/codex GEMINI_CLI_HOME=$work/none report > "$work/pacemark-codex.json"
CODEX_HOME=$work/none GEMINI_CLI_HOME=$work/home report > "$work/pacemark-gemini.json"
CODEX_HOME=$work/codex "$ccusage/node_modules/.bin/ccusage" codex daily --json --offline > "$work/ccusage-codex.json"
HOME=$work/home "$ccusage/node_modules/.bin/ccusage" gemini daily --json --offline > "$work/ccusage-gemini.json"

node - "$work" <<'JS'
const fs = require("fs");
const dir = process.argv[2];
const read = name => JSON.parse(fs.readFileSync(`${dir}/${name}.json`, "utf8"));
for (const source of ["codex", "gemini"]) {
    const own = new Map(read(`pacemark-${source}`).history.map(d => [d.dateString, d.totalTokens]));
    const cc = read(`ccusage-${source}`);
    const rows = cc.daily ?? cc.data ?? [];
    const theirs = new Map(rows.map(d => [String(d.date ?? d.day).slice(0, 10),
                                          d.totalTokens ?? d.total_tokens ?? 0]));
    const days = [...new Set([...own.keys(), ...theirs.keys()])].filter(d => own.get(d) || theirs.get(d)).sort();
    let sumOwn = 0, sumTheirs = 0, same = 0;
    console.log(`== ${source}: day, Pacemark, ccusage, difference`);
    for (const d of days) {
        const a = own.get(d) ?? 0, b = theirs.get(d) ?? 0;
        sumOwn += a; sumTheirs += b; same += a === b;
        console.log(`${d}  ${a}  ${b}  ${a - b}`);
    }
    console.log(`${source}: ${same} of ${days.length} days equal; all days ${sumOwn} against ${sumTheirs}`);
}
JS
