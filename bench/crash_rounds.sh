#!/usr/bin/env bash
# The end-to-end crash test at length: 25 rounds of killing the editor at
# random moments (one of them waiting for the editor's own autosave timer),
# each followed by a start that must bring back the newest complete
# autosaves. The seed is printed; pass it back to repeat a run.
# Usage: bench/crash_rounds.sh [rounds, default 25] [seed]
# Needs the x64 tree built (scripts/test builds it).
set -euo pipefail
. "$(dirname "$0")/../scripts/common.sh"
export SCRIVEL_CRASH_ROUNDS=${1:-25}
[ -n "${2:-}" ] && export SCRIVEL_CRASH_SEED=$2
trap 'stop_prefix; stop_display' EXIT
start_display
prepare_prefix "$BUILD_X64/wineprefix"
cd "$BUILD_X64/tests"
"$ROOT/scripts/wine-run" ./test_e2e.exe -tc="killed at random*"
