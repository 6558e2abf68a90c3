#!/usr/bin/env bash
# Compares Pacemark's figures with those of ccusage 18, a command-line usage reporter, over a generated
# corpus in which some sessions were resumed (their new logs begin with a copy of the first half of
# the earlier conversation, which must count once): the all-time tokens, which must be equal, and the
# costs in US dollars all time and per day, which must agree within 0.5 %. Needs node and npm (ccusage
# is fetched with npx on first use); not run in CI.
#
# ccusage prices one-hour cache writes as five-minute ones; for the cost comparison Pacemark reads an
# override file that does the same (the built-in table with one-hour writes at the five-minute
# price). Pacemark's own figures, with one-hour prices, are printed beside them. Neither side reads a
# downloaded price list: both use the prices of the same snapshot of LiteLLM's list. The corpus has
# no progress lines, which ccusage 18 does not read.
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

config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
mkdir -p "$config/Pacemark"
node -e 'const t = JSON.parse(require("fs").readFileSync(process.argv[1], "utf8"));
    for (const e of Object.values(t)) {
        e.cache_creation_input_token_cost_above_1hr = e.cache_creation_input_token_cost;
        e.cache_creation_input_token_cost_above_1hr_above_200k_tokens = e.cache_creation_input_token_cost_above_200k_tokens;
    }
    console.log(JSON.stringify(t));' src/usage/prices/claude-prices.json > "$config/Pacemark/prices.json"

export CLAUDE_CONFIG_DIR=$corpus TZ=UTC XDG_CACHE_HOME=$config/cache
report() { build-bench/src/pacemark --report --json --history --now 2026-12-06T12:00:00Z; }
XDG_CONFIG_HOME=$config report > "$config/like-ccusage.json"
XDG_CONFIG_HOME=$config/none report > "$config/own.json"
npx -y ccusage@18 daily --json --offline --mode calculate > "$config/ccusage.json"

node - "$config" "$corpus" "$resumed" <<'JS'
const fs = require("fs");
const [dir, corpus, resumed] = process.argv.slice(2);
const read = name => JSON.parse(fs.readFileSync(`${dir}/${name}.json`, "utf8"));
const like = read("like-ccusage"), own = read("own"), cc = read("ccusage");
const pct = (a, b) => (b === 0 ? (a === 0 ? 0 : Infinity) : (100 * Math.abs(a - b)) / Math.abs(b));
const ccDays = new Map(cc.daily.map(d => [d.date, d.totalCost]));
let worst = { date: "", diff: 0 }, days = 0;
for (const d of like.history) {
    if (!ccDays.has(d.dateString)) {
        if (d.totalTokens !== 0) { worst = { date: d.dateString + " (missing in ccusage)", diff: Infinity }; }
        continue;
    }
    days++;
    const diff = pct(d.costUSD ?? 0, ccDays.get(d.dateString));
    if (diff > worst.diff) worst = { date: d.dateString, diff };
}
const allTime = pct(like.cumulativeCostUSD, cc.totals.totalCost);
const usd = v => (v === null ? "unknown" : "$" + v.toFixed(2));
console.log(`corpus                        ${corpus} (${resumed} resumed sessions)`);
console.log(`pacemark all time             ${like.cumulativeTokens} tokens`);
console.log(`ccusage 18 all time           ${cc.totals.totalTokens} tokens`);
console.log(`pacemark cost, as ccusage     ${usd(like.cumulativeCostUSD)} all time`);
console.log(`ccusage 18 cost               ${usd(cc.totals.totalCost)} all time`);
console.log(`difference                    ${allTime.toFixed(4)} % all time; per day at most ${worst.diff.toFixed(4)} % (${worst.date}), ${days} days`);
console.log(`pacemark cost, own prices     ${usd(own.cumulativeCostUSD)} all time, ${own.cumulativeUnpricedTokens} tokens without a price`);
const same = like.cumulativeTokens === cc.totals.totalTokens;
const agree = allTime <= 0.5 && worst.diff <= 0.5;
console.log(`same tokens: ${same ? "yes" : "NO"}; costs within 0.5 %: ${agree ? "yes" : "NO"}`);
process.exit(same && agree ? 0 : 1);
JS
