#!/bin/sh
# Rewrites src/usage/prices/claude-prices.json and agent-prices.json from LiteLLM's current model price
# list, keeping the Claude models (the names that begin with claude, anthropic/claude or
# anthropic.claude) in the first, OpenAI's and Google's (gpt-, o<digit>, codex-, gemini-) in the
# second, and the price keys Pacemark reads. Needs network access.
set -eu
url=${LITELLM_PRICES_URL:-https://raw.githubusercontent.com/BerriAI/litellm/main/model_prices_and_context_window.json}
out="$(dirname "$0")/../src/usage/prices"
tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
curl -fsSL "$url" -o "$tmp"
python3 - "$tmp" "$out" <<'PY'
import json, re, sys
keys = ["input_cost_per_token", "output_cost_per_token", "cache_creation_input_token_cost",
        "cache_creation_input_token_cost_above_1hr", "cache_read_input_token_cost",
        "input_cost_per_token_above_200k_tokens", "output_cost_per_token_above_200k_tokens",
        "cache_creation_input_token_cost_above_200k_tokens",
        "cache_creation_input_token_cost_above_1hr_above_200k_tokens", "cache_read_input_token_cost_above_200k_tokens"]
with open(sys.argv[1]) as f:
    data = json.load(f)
for file, pattern in (("claude-prices.json", r"^(anthropic[./])?claude"), ("agent-prices.json", r"^(gpt-|o[0-9]|codex-|gemini-)")):
    out = {}
    for name in sorted(data):
        entry = data[name]
        if not re.match(pattern, name) or not isinstance(entry, dict):
            continue
        kept = {k: entry[k] for k in keys
                if isinstance(entry.get(k), (int, float)) and not isinstance(entry.get(k), bool) and entry[k] >= 0}
        if "input_cost_per_token" in kept and "output_cost_per_token" in kept:
            out[name] = kept
    if not out:
        sys.exit(f"no models for {file} in the downloaded list")
    with open(f"{sys.argv[2]}/{file}", "w") as f:
        json.dump(out, f, indent=4)
        f.write("\n")
    print(f"{len(out)} models written to {sys.argv[2]}/{file}")
PY
