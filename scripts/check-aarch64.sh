#!/usr/bin/env bash
# Checks that the sources without Qt compile for aarch64 (syntax and types only; the third-party headers are the
# host's, which are the same on every Debian architecture for these libraries).
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v aarch64-linux-gnu-g++ >/dev/null; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends g++-aarch64-linux-gnu
fi
multiarch="/usr/include/$(gcc -dumpmachine)"
failed=0
for f in core/*.cpp stats/*.cpp combos/*.cpp stakes/*.cpp scenarios/*.cpp views/*.cpp net/*.cpp online/*.cpp \
    export/*.cpp app/*.cpp cli/*.cpp; do
    [ -f "$f" ] || continue
    if ! aarch64-linux-gnu-g++ -std=c++20 -fsyntax-only -Wall -Wextra -I. -idirafter /usr/include \
        -idirafter "$multiarch" "$f"; then
        echo "aarch64: $f does not compile" >&2
        failed=1
    fi
done
[ "$failed" -eq 0 ] && echo "aarch64: every source compiles"
exit "$failed"
