#!/usr/bin/env bash
# Builds everything and runs every test. The PostgreSQL store's tests run against a throwaway cluster that
# pg_virtualenv makes for the run (and drops afterwards), unless ZORB_TEST_PG already names one.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
run_tests=(ctest --test-dir build --output-on-failure -j"$(nproc)")
if [ -n "${ZORB_TEST_PG:-}" ]; then
    "${run_tests[@]}"
else
    # pg_virtualenv gives the command PGHOST, PGPORT, PGUSER and PGPASSWORD of the new cluster.
    pg_virtualenv env ZORB_TEST_PG="dbname=postgres" "${run_tests[@]}"
fi
