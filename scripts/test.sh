#!/usr/bin/env bash
# Installs what Pacemark needs, builds it and runs every test: the suite, the suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and a short fuzzing run of each decoder of outside input.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/format.sh --check

scripts/build.sh build-tests -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir build-tests --output-on-failure --timeout 600 -j "$(nproc)"

scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DPACEMARK_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0:fast_unwind_on_malloc=0 \
    ctest --test-dir build-asan --output-on-failure --timeout 900 -j "$(nproc)"

CC=clang CXX=clang++ scripts/build.sh build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPACEMARK_BUILD_TESTS=OFF -DPACEMARK_BUILD_FUZZERS=ON
for target in log_line log_cache price_list agent_line; do
    mkdir -p "build-fuzz/corpus/$target"
    build-fuzz/fuzz/fuzz_$target -max_total_time="${PACEMARK_FUZZ_SECONDS:-20}" -max_len=4096 \
        "build-fuzz/corpus/$target" "fuzz/seeds/$target"
done
# Seeded with the endpoint's published answers.
mkdir -p build-fuzz/corpus/quota_answer
build-fuzz/fuzz/fuzz_quota_answer -max_total_time="${PACEMARK_FUZZ_SECONDS:-20}" -max_len=8192 \
    -dict=fuzz/quota_answer.dict build-fuzz/corpus/quota_answer tests/quota/data/oauth-usage
echo "fuzz: done"
