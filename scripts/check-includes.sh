#!/usr/bin/env bash
# Fails when a file under src/ includes a header of a folder that src/layers.txt does not allow it,
# for example ingest/ reaching up into usage/. Run from anywhere; the build runs it every time.
set -euo pipefail
cd "$(dirname "$0")/../src"

declare -A allowed
while read -r line; do
    line=${line%%#*}
    [[ $line == *:* ]] || continue
    layer=${line%%:*}
    allowed[$layer]=" ${line#*:} "
done < layers.txt

status=0
while IFS= read -r -d '' file; do
    layer=${file%%/*}
    if [[ -z ${allowed[$layer]+set} ]]; then
        echo "check-includes: $file: folder '$layer' is missing from src/layers.txt" >&2
        status=1
        continue
    fi
    while IFS=: read -r number text; do
        target=${text#*\"}
        target=${target%%/*}
        [[ $target == "$layer" || ${allowed[$layer]} == *" $target "* ]] && continue
        if [[ -n ${allowed[$target]+set} ]]; then
            echo "check-includes: src/$file:$number: $layer/ may not include from $target/" >&2
            status=1
        fi
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[a-z]+/' "$file" || true)
done < <(find . -type f \( -name '*.h' -o -name '*.cpp' \) -printf '%P\0')
exit $status
