#!/usr/bin/env bash
# The dictionary fuzzing at length: parallel runs of bench/dict_fuzz, each
# going through seeds one after another (a run that traps or hangs ends its
# seed; the next seed goes on), until the total of inputs is reached. Finds
# (name.fuzz, name.aff, name.dic) and each run's output go into the output
# folder; the totals are printed at the end.
# Usage: bench/dict_fuzz_runs.sh [total inputs, default 1000000] [processes, default 3]
#        [first seed, default from the clock] [output folder, default dict_fuzz_out]
# Needs the x64 tree's dict_fuzz built (DICT_FUZZ_EXE names another copy).
set -uo pipefail
. "$(dirname "$0")/../scripts/common.sh"
total=${1:-1000000}
procs=${2:-3}
seed0=${3:-$(date +%s)}
out=$(realpath -m "${4:-dict_fuzz_out}")
chunk=50000
mkdir -p "$out"
export WINEPREFIX=${WINEPREFIX:-$BUILD_X64/wineprefix} WINEDEBUG=-all
exe=${DICT_FUZZ_EXE:-$BUILD_X64/bench/dict_fuzz.exe}
share=$(( (total + procs - 1) / procs ))

one() {
    local p=$1 done=0 seed=$((seed0 + p * 100000)) log n
    while [ $done -lt $share ]; do
        n=$(( share - done < chunk ? share - done : chunk ))
        log=$out/run-$seed.log
        wine "$exe" $n $seed "Z:$(echo "$out" | tr / '\\')" >"$log" 2>&1 </dev/null
        # Inputs this seed ran: all of them, or up to the one that stopped it.
        local ran
        ran=$(sed -n 's/^fuzz dictionaries: .*(\([0-9]*\) inputs,.*/\1/p;s/^stopped: \([0-9]*\) inputs.*/\1/p' "$log" | tail -1)
        [ -z "$ran" ] && ran=$n
        done=$((done + ran))
        seed=$((seed + 1))
    done
}

for p in $(seq 0 $((procs - 1))); do one $p & done
wait
python3 - "$out" <<'PY'
import glob, re, sys
inputs = errors = spell = suggest = traps = hangs = leaks = growth = 0
for name in glob.glob(sys.argv[1] + "/run-*.log"):
    text = open(name, errors="replace").read()
    last = None
    for line in text.splitlines():
        m = re.match(r"(?:fuzz dictionaries: .*\(|stopped: |progress: )(\d+) inputs, (\d+) errors, (\d+) spell, (\d+) suggest", line)
        if m:
            last = [int(x) for x in m.groups()]
        traps += line.startswith("trap")
        hangs += line.startswith("hang: input")
        growth += "GROWTH" in line
        m = re.match(r"faults: .* (\d+) leaking", line)
        if m:
            leaks += int(m.group(1))
    if last:
        inputs += last[0]; errors += last[1]; spell += last[2]; suggest += last[3]
print(f"dictionary fuzzing: {inputs} inputs ({errors} ended in an Error), {spell} spell, {suggest} suggest; "
      f"{traps} traps, {hangs} hangs, {leaks} leaking inputs, {growth} runs with growth")
PY
ls "$out"/*.fuzz 2>/dev/null
