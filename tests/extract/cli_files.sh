#!/usr/bin/env bash
# The real morv-cli on outputs and inputs that are not plain files: standard output redirected
# to a file, a named pipe, a device node with the numbers of the full device, endless input under
# a memory limit. Everything it makes or writes is inside a scratch folder.
# Usage: cli_files.sh PATH_TO_MORV_CLI
set -euo pipefail
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}
printf '<a href="x.htm">x</a>\r\n' >"$work/a.htm"
"$cli" extract --kinds link "$work/a.htm" >"$work/report.txt"

# -o /dev/stdout goes where standard output goes, after what is there already.
{
    echo head
    "$cli" extract --kinds link -o /dev/stdout "$work/a.htm"
    echo tail
} >"$work/out.txt"
{
    echo head
    cat "$work/report.txt"
    echo tail
} >"$work/expected.txt"
cmp -s "$work/out.txt" "$work/expected.txt" || fail "-o /dev/stdout did not write to standard output"

# -o a named pipe: its reader gets the report, and the pipe stays a pipe.
mkfifo "$work/pipe"
cat "$work/pipe" >"$work/piped.txt" &
"$cli" extract --kinds link -o "$work/pipe" "$work/a.htm"
wait
cmp -s "$work/piped.txt" "$work/report.txt" || fail "the pipe's reader did not get the report"
[ -p "$work/pipe" ] || fail "the pipe was replaced"

# A full output says so (not the errno of some earlier call), and the node stays a device.
if mknod "$work/full" c 1 7 2>"$work/mknod.err"; then
    status=0
    "$cli" scan "$work" >"$work/full" 2>"$work/err.txt" || status=$?
    [ "$status" = 1 ] || fail "scan into a full output exited $status"
    grep -q 'No space left on device' "$work/err.txt" || fail "scan: $(cat "$work/err.txt")"
    status=0
    "$cli" extract -o "$work/full" "$work/a.htm" 2>"$work/err.txt" || status=$?
    [ "$status" = 1 ] || fail "extract -o a full device exited $status"
    grep -qF "Unable to write \"$work/full\" (No space left on device)" "$work/err.txt" ||
        fail "extract -o: $(cat "$work/err.txt")"
    [ -c "$work/full" ] || fail "the device node was replaced"
else
    echo "skipped the device node: $(cat "$work/mknod.err")"
fi

# Endless input under a memory limit ends in a message and exit status 1, for every command.
# AddressSanitizer reserves more address space than any such limit: only plain builds.
if [ "$(ldd "$cli" | grep -c libasan || true)" != 0 ]; then
    echo "skipped the memory limit: a sanitizer build"
else
    mkfifo "$work/list"
    for command in "sections" "remove-sections" "remove-empty" "replace-all a b" \
        "fix-links --root http://a.org" "extract --list $work/list"; do
        [[ $command == extract* ]] && { yes "$work/a.htm" >"$work/list" || true; } &
        status=0
        # shellcheck disable=SC2086 # the command's words
        yes '<a href="x.htm">' | (ulimit -v 400000 && exec "$cli" $command) \
            >"$work/out.txt" 2>"$work/err.txt" || status=$?
        wait
        [ "$status" = 1 ] || fail "$command on endless input exited $status"
        grep -q 'File too large' "$work/err.txt" || fail "$command: $(cat "$work/err.txt")"
    done
fi
echo "PASS: morv-cli writes into pipes, devices and standard output, and ends endless input"
