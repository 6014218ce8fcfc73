#!/usr/bin/env bash
# Builds the program and starts it on the sample data directory data/, made from the bundled synthetic
# archive the first time, with example game settings (a stake cost and prizes) so that profits mean something.
# Extra arguments are passed to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
ZORB_TARGET=Zorb_6x52 scripts/build.sh
if [ ! -d data ]; then
    mkdir -p data
    cp sample/Zorb_6x52.synthetic.ldr data/Zorb_6x52.ldr
    echo "Created data/ from the synthetic sample archive."
fi
if [ ! -f data/Zorb_6x52.ini ]; then
    cp sample/Zorb_6x52.example.ini data/Zorb_6x52.ini
    echo "Put example game settings (stake cost and prizes) in data/Zorb_6x52.ini; the real ones go in «Файл → Параметры»."
fi
exec build/ui/Zorb_6x52 --dir data "$@"
