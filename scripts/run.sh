#!/usr/bin/env bash
# Builds the program and starts it on the sample data directory data/, made from the bundled synthetic
# archive the first time. Extra arguments are passed to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
ZORB_TARGET=Zorb_6x52 scripts/build.sh
if [ ! -d data ]; then
    mkdir -p data
    cp sample/Zorb_6x52.synthetic.ldr data/Zorb_6x52.ldr
    echo "Created data/ from the synthetic sample archive."
fi
exec build/ui/Zorb_6x52 --dir data "$@"
