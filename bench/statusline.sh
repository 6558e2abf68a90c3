#!/usr/bin/env bash
# Times `pacemark --statusline` end to end, process start included, as Claude Code runs it: first
# without the tray application over a corpus (1 GiB by default), the first call (which builds the
# log cache) and then the calls after it, which find nothing changed, and calls after one line was
# added to the session's log; then with the application running, which answers over its socket. Uses hyperfine when it is installed, else a loop timed with date.
#
# usage: bench/statusline.sh [MiB] [corpus-folder]
set -euo pipefail
cd "$(dirname "$0")/.."
mib=${1:-1024}
corpus=${2:-/tmp/pacemark-corpus-$mib}
runs=30

command -v hyperfine >/dev/null || { sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo; $sudo apt-get install -y -qq hyperfine || true; }
. bench/tray-session.sh :98 24

if [ ! -d "$corpus/projects" ]; then
    build-release/bench/pacemark_corpus "$corpus/projects" "$mib"
fi
find "$corpus/projects" -name '*.jsonl' -print0 | xargs -0 cat > /dev/null

export CLAUDE_CONFIG_DIR=$corpus XDG_CACHE_HOME=$home/cache XDG_RUNTIME_DIR=$home/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
# The session Claude Code would be in: the one whose log ends latest, half an hour before the corpus's
# clock (2026-12-06T12:00:00Z) has run on. Only the clock of the process is moved, not files' times.
transcript=$(for f in $(find "$corpus/projects" -name '*.jsonl' -size +100k); do
    printf '%s %s\n' "$(tail -c 4000 "$f" | grep -o '"timestamp":"[^"]*"' | tail -n 1)" "$f"
done | sort | tail -n 1 | cut -d' ' -f2)
session=$(tail -c 4000 "$transcript" | grep -o '"sessionId":"[^"]*"' | tail -n 1 | cut -d'"' -f4)
command -v faketime >/dev/null || { sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo; $sudo apt-get install -y -qq faketime; }
export NO_FAKE_STAT=1
printf '{"session_id":"%s","transcript_path":"%s","cwd":"/home/dev/project","model":{"id":"claude-opus-4-5","display_name":"Opus"},"workspace":{"current_dir":"/home/dev/project","project_dir":"/home/dev/project"},"version":"2.0.30","cost":{"total_cost_usd":1.5}}\n' \
    "$session" "$transcript" > "$home/input.json"
command="faketime -f '@2026-12-06 12:30:00' $app --statusline < $home/input.json"

# Milliseconds per call, over $runs calls after two unmeasured ones.
timed() {
    if command -v hyperfine >/dev/null; then
        hyperfine --style basic --warmup 2 --runs $runs "$command" | grep -E 'Time|Range'
    else
        sh -c "$command" >/dev/null
        sh -c "$command" >/dev/null
        local start end
        start=$(date +%s%N)
        for _ in $(seq $runs); do sh -c "$command" >/dev/null; done
        end=$(date +%s%N)
        echo "  mean $(( (end - start) / runs / 1000 )) µs (shell start included)"
    fi
}

echo "== without the application, $mib MiB of logs"
start=$(date +%s%N)
sh -c "$command"
end=$(date +%s%N)
echo "first call (builds the cache)  $(( (end - start) / 1000000 )) ms, cache $(du -h "$XDG_CACHE_HOME/pacemark/logs.cache" | cut -f1)"
timed
echo "== after a line was added to the session's log, each time"
cp "$transcript" "$home/transcript.bak"
line=$(tail -n 1 "$transcript")
for _ in 1 2 3 4 5; do
    printf '%s\n' "$line" >> "$transcript"
    start=$(date +%s%N)
    sh -c "$command" >/dev/null
    end=$(date +%s%N)
    echo "  $(( (end - start) / 1000000 )) ms"
done
cp "$home/transcript.bak" "$transcript"

echo "== with the application running"
HOME=$home DISPLAY=$display QT_QPA_PLATFORM=xcb $app >/dev/null 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true; kill $xvfb $tray 2>/dev/null || true; rm -rf "$home"' EXIT
# Until the application listens and its first refresh has been answered with.
for _ in $(seq 100); do
    [ -S "$XDG_RUNTIME_DIR/pacemark.socket" ] && break
    sleep 0.2
done
sleep 5
rm -rf "$XDG_CACHE_HOME"
sh -c "$command"
timed
[ ! -e "$XDG_CACHE_HOME" ] && echo "(answered by the application: no log was read)"
kill $pid
