#!/bin/bash
# Table runs on a real one-node Slurm cluster: koltool run-table --slurm against the local
# run, a failing run, SIGINT, and a computer without sbatch; then the main window's cases
# (a job followed again after the program ended, Stop) in the test program GUI_TEST.
#   slurm_test.sh BIN_DIR SOURCE_DIR GUI_TEST
# A cluster that does not start fails the test; it is stopped at the end whatever happens.
set -u
[ $# -eq 3 ] || { echo "usage: slurm_test.sh BIN_DIR SOURCE_DIR GUI_TEST" >&2; exit 1; }
bin=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
gui_test=$3
here=$source/tests/slurm
export KOLSHELL_SLURM_PORT=$((20000 + ($$ % 10000) * 2))
tmp=$(mktemp -d /tmp/kolshell_slurm_XXXXXX)
cleanup() {
    "$here/cluster.sh" stop "$tmp/cluster"
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() { # text, what: fails unless the command that ran before succeeded
    if [ "$1" != 0 ]; then fail "$2"; fi
}

"$here/cluster.sh" start "$tmp/cluster" || { echo "FAIL: the cluster did not start" >&2; exit 1; }
export SLURM_CONF=$tmp/cluster/slurm.conf
export KOLSHELL_SLURM_POLL_MS=300
koltool=$bin/koltool

# A 5-run table of the demo deck in folder $1.
make_table() {
    mkdir -p "$1" && cp "$source/demo/DEMO.DCK" "$1/" &&
        "$koltool" new-table "$1/DEMO.DCK" --runs 5 --vars QPUMP,CVALVE -o "$1/DEMO.TBL" &&
        "$koltool" alter "$1/DEMO.TBL" --col 1 --first 1 --last 5 --set 0.01 --increment 0.01 &&
        "$koltool" alter "$1/DEMO.TBL" --col 2 --first 1 --last 5 --set 0.004 --multiplier 2
}

echo "--- the same outputs as a local run"
# Both in one folder, one after the other: the listings name their decks' folder.
make_table "$tmp/run" || fail "cannot make the table"
"$koltool" run-table "$tmp/run/DEMO.TBL" --engine-dir "$bin" >"$tmp/local.json" 2>/dev/null
check $? "the local run"
mkdir "$tmp/local" && mv "$tmp/run"/* "$tmp/local/" && make_table "$tmp/run" || fail "cannot make the table again"
"$koltool" run-table "$tmp/run/DEMO.TBL" --slurm --engine-dir "$bin" >"$tmp/slurm.json" 2>"$tmp/slurm.err"
check $? "the Slurm run exits 0"
cat "$tmp/slurm.err"
diff <(cd "$tmp/local" && ls) <(cd "$tmp/run" && ls) || fail "the two runs leave different files"
for f in $(cd "$tmp/local" && ls); do
    cmp "$tmp/local/$f" "$tmp/run/$f" || fail "$f differs"
done
grep -Eq "^KOLVAN Run [1-5] of 5: (PENDING|RUNNING)" "$tmp/slurm.err" || fail "no pending or running state seen"
[ "$(grep -Ec '^KOLVAN Run [1-5] of 5: COMPLETED on ' "$tmp/slurm.err")" = 5 ] || fail "not 5 runs completed"
grep -q '"JobId":"[0-9]*"' "$tmp/slurm.json" || fail "no JobId in the JSON"
[ "$(grep -o '"State":"done","ExitStatus":0' "$tmp/slurm.json" | wc -l)" = 5 ] || fail "not 5 runs done in the JSON"
[ "$(grep -o '"Node":"[^"]\+"' "$tmp/slurm.json" | wc -l)" = 5 ] || fail "not 5 nodes in the JSON"

echo "--- a failing run"
# An engine that fails on run 3's deck and runs the real one on the others.
mkdir -p "$tmp/failing"
printf '#!/bin/sh\ncase "$1" in *DEMO2.TMP) echo "engine: bad deck" >&2; exit 3 ;; esac\nexec %s "$@"\n' \
    "$bin/KOLVAN32.exe" >"$tmp/failing/KOLVAN32.exe"
chmod +x "$tmp/failing/KOLVAN32.exe"
make_table "$tmp/fail" || fail "cannot make the table"
"$koltool" run-table "$tmp/fail/DEMO.TBL" --slurm --engine-dir "$tmp/failing" >"$tmp/fail.json" 2>"$tmp/fail.err"
status=$?
cat "$tmp/fail.err"
[ "$status" = 1 ] || fail "a failing run exits $status, not 1"
grep -q '{"Run":3,"Deck":"[^"]*DEMO2.TMP","State":"failed","ExitStatus":3' "$tmp/fail.json" || fail "run 3 is not failed with 3"
grep -q "^KOLVAN Run 3 of 5: FAILED on .* (exit code 3)" "$tmp/fail.err" || fail "no FAILED line for run 3"
grep -q "engine: bad deck" "$tmp/fail/DEMO3.slurm.log" || fail "the failed run's log is gone"
[ "$(grep -o '"State":"done"' "$tmp/fail.json" | wc -l)" = 4 ] || fail "the other 4 runs are not done"

echo "--- SIGINT cancels the job"
mkdir -p "$tmp/slow"
printf '#!/bin/sh\nsleep 60\n' >"$tmp/slow/KOLVAN32.exe"
chmod +x "$tmp/slow/KOLVAN32.exe"
make_table "$tmp/stop" || fail "cannot make the table"
"$koltool" run-table "$tmp/stop/DEMO.TBL" --slurm --engine-dir "$tmp/slow" --max-at-once 2 \
    >"$tmp/stop.json" 2>"$tmp/stop.err" &
pid=$!
for _ in $(seq 100); do grep -q "RUNNING" "$tmp/stop.err" && break; sleep 0.2; done
grep -q "RUNNING" "$tmp/stop.err" || fail "no run started within 20 s"
kill -INT $pid
wait $pid
status=$?
cat "$tmp/stop.err"
[ "$status" = 130 ] || fail "SIGINT exits $status, not 130"
job=$(sed -n 's/.*"JobId":"\([0-9]*\)".*/\1/p' "$tmp/stop.json")
[ -n "$job" ] || fail "no JobId after SIGINT"
left=$(squeue -h -r -j "$job" 2>/dev/null)
[ -z "$left" ] || fail "squeue still shows tasks of job $job: $left"
[ "$(grep -o '"State":"stopped"' "$tmp/stop.json" | wc -l)" = 5 ] || fail "not every run stopped"
grep -q "CANCELLED" "$tmp/stop.err" || fail "no CANCELLED line"

echo "--- no sbatch on PATH"
make_table "$tmp/nosbatch" || fail "cannot make the table"
before=$(cd "$tmp/nosbatch" && ls && md5sum DEMO.DCK)
out=$(PATH=/nonexistent "$koltool" run-table "$tmp/nosbatch/DEMO.TBL" --slurm --engine-dir "$bin" 2>&1 >/dev/null)
status=$?
[ "$status" = 1 ] || fail "without sbatch the exit is $status"
[ "$out" = "koltool: Slurm's sbatch was not found on this computer." ] || fail "without sbatch: $out"
after=$(cd "$tmp/nosbatch" && ls && md5sum DEMO.DCK)
[ "$before" = "$after" ] || fail "files left behind without sbatch: $after"

echo "--- the main window: following a job again, Stop"
KOLSHELL_BIN=$bin KOLSHELL_SOURCE=$source QT_QPA_PLATFORM=offscreen "$gui_test" ||
    fail "the main window's cluster cases"

[ $failures = 0 ] && echo "slurm tests passed"
exit $((failures > 0))
