#!/usr/bin/env bash
# without_display.sh TAVRO_WRITER: started with no display named, and with a display that
# cannot be opened, the dialog program ends with status 1 and one line on stderr that names
# tavro-writer-cli (not Qt's advice to reinstall it).
set -u
writer=$1
failures=0

check() {
    local what=$1
    shift
    local err status
    err=$("$@" 2>&1 >/dev/null)
    status=$?
    local lines
    lines=$(printf '%s\n' "$err" | wc -l)
    if ((status != 1)) || ((lines != 1)) || [[ $err != *tavro-writer-cli* ]]; then
        echo "FAIL $what: status $status, stderr: $err" >&2
        failures=$((failures + 1))
    else
        echo "ok   $what" >&2
    fi
}

check "no display" env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$writer"
check "a display that cannot be opened" \
    env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:987 "$writer"
((failures == 0))
