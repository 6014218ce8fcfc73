#!/usr/bin/env bash
# Configures and builds into build/ (extra arguments go to the configure step; ZORB_TARGET limits the build).
set -euo pipefail
cd "$(dirname "$0")/.."
generator=()
command -v ninja >/dev/null && [ ! -f build/CMakeCache.txt ] && generator=(-G Ninja)
cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build build -j"$(nproc)" ${ZORB_TARGET:+--target "$ZORB_TARGET"}
