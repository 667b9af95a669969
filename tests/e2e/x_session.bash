# Sourced by the end-to-end scripts: a virtual X server with a window manager, and the steps of
# closing morv as a user would. Not a script of its own.

# Exits 77 (skipped) unless every tool named is installed.
e2e_require() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
}

e2e_pids=()

# Starts Xvfb (its display number is passed through a file in FOLDER) and openbox, and exports
# DISPLAY; e2e_stop_x ends both.
e2e_start_x() {
    local folder=$1
    Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$folder/display" 2>/dev/null &
    e2e_pids+=($!)
    for _ in $(seq 50); do [[ -s "$folder/display" ]] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$folder/display")"
    openbox >/dev/null 2>&1 &
    e2e_pids+=($!)
    sleep 0.5
}

e2e_stop_x() {
    local pid
    for pid in "${e2e_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}

# Gives WINDOW the keyboard focus and waits up to ten seconds until it has it: keys go to whichever
# window has the focus, and a window manager under load takes its time.
e2e_focus() {
    local window=$1
    for _ in $(seq 100); do
        xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
        [[ $(xdotool getactivewindow 2>/dev/null) == "$window" ]] && return 0
        sleep 0.1
    done
    return 1
}

# Closes the window whose caption matches PATTERN with Alt+F4 and waits up to ten seconds after each press for
# process PID to end. The window is looked up here, not earlier: the id found at start-up may
# belong to a native window Qt has replaced since. On a loaded machine the window manager may not
# have given the window the focus yet when the key arrives, so the key is pressed again (up to
# three times) while the window is still there. Returns 1 when it did not close.
e2e_close_window() {
    local pattern=$1 pid=$2 window attempt
    for attempt in 1 2 3; do
        if ! window=$(timeout 10 xdotool search --sync --name "$pattern" | tail -1); then
            # No such window (any more): the process may still be on its way out.
            for _ in $(seq 100); do
                kill -0 "$pid" 2>/dev/null || return 0
                sleep 0.1
            done
            return 1
        fi
        e2e_focus "$window" || true
        xdotool key --clearmodifiers alt+F4
        for _ in $(seq 100); do
            kill -0 "$pid" 2>/dev/null || return 0
            sleep 0.1
        done
        echo "the window is still open after Alt+F4 (attempt $attempt)" >&2
    done
    return 1
}
