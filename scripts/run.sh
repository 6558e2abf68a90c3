#!/usr/bin/env bash
# Installs what Pacemark needs, builds it and starts it. Arguments are passed to pacemark.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build -DCMAKE_BUILD_TYPE=Release -DPACEMARK_BUILD_TESTS=OFF
exec build/src/pacemark "$@"
