# Sourced by the end-to-end scripts: a scratch folder in $work and a list of
# the processes started for the run in $pids; when the script ends, every one
# of them is stopped and the folder removed.
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
