# shellcheck shell=bash
# Windows programs under Wine, kept inside network namespaces.
#
# Wine opens every socket in the prefix's wineserver, not in the program: a Windows program
# sends from the namespace where its wineserver was started. So every run here has a prefix of
# its own, starts that prefix's wineserver inside the namespace first, runs the program inside
# the same namespace, and ends the wineserver afterwards. Nothing else uses that prefix.
#
# Source this file (it brings scripts/lib/testnet.sh along for the namespaces), then:
#   wine_make_template DIR          # a booted prefix, made inside a loopback-only namespace
#   wine_copy_prefix DIR COPY       # a copy of it for one run (its own wineserver)
#   wine_in_namespace NS PREFIX OUT ERR PROGRAM.exe ARGS...   # exit status of the program
#
# Wine's helper processes keep stdout and stderr open after the program ends, so its output
# always goes to files. Only the 64-bit Wine exists here.

# testnet_kill_all ends what Wine leaves running in a namespace.
if ! declare -F testnet_kill_all >/dev/null; then
    # shellcheck source=testnet.sh
    source "$(dirname "${BASH_SOURCE[0]}")/testnet.sh"
fi

WINE_LOADER=/usr/lib/wine/wine64
WINE_SERVER=/usr/lib/wine/wineserver
# A program that hangs under Wine ends here rather than holding the test run.
WINE_RUN_LIMIT_SECONDS=${WINE_RUN_LIMIT_SECONDS:-120}

# The environment of every Wine process: the prefix, quiet, no display, no downloads of
# the add-ons a fresh prefix would otherwise offer to fetch.
wine_environment() {
    local prefix=$1
    printf '%s\n' env -u DISPLAY -u WAYLAND_DISPLAY \
        "WINEPREFIX=$prefix" WINEDEBUG=-all WINEARCH=win64 "WINESERVER=$WINE_SERVER" \
        "WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe="
}

# wine_server NS PREFIX ARGS... : the prefix's wineserver, run inside NS.
wine_server() {
    local ns=$1 prefix=$2 environment
    shift 2
    mapfile -t environment < <(wine_environment "$prefix")
    ip netns exec "$ns" "${environment[@]}" "$WINE_SERVER" "$@"
}

# wine_in_namespace NS PREFIX OUT ERR PROGRAM ARGS... : runs one Windows program inside NS with
# its stdout in OUT and its stderr in ERR; returns the program's exit status (124 when it
# outlived WINE_RUN_LIMIT_SECONDS). The prefix's wineserver starts in NS before the program
# and is ended after it, whatever the outcome.
wine_in_namespace() {
    local ns=$1 prefix=$2 out=$3 err=$4 environment status=0
    shift 4
    if [[ -z $ns ]] || ! ip netns pids "$ns" >/dev/null 2>&1; then
        echo "wine_in_namespace: no namespace $ns; a Wine program never runs outside one" >&2
        return 125
    fi
    mapfile -t environment < <(wine_environment "$prefix")
    # Persistent until told, so the program cannot start a server of its own elsewhere.
    wine_server "$ns" "$prefix" -p || return 125
    ip netns exec "$ns" "${environment[@]}" timeout -k 5 "$WINE_RUN_LIMIT_SECONDS" \
        "$WINE_LOADER" "$@" </dev/null >"$out" 2>"$err" || status=$?
    wine_server "$ns" "$prefix" -k 2>/dev/null || true
    timeout 10 ip netns exec "$ns" "${environment[@]}" "$WINE_SERVER" -w 2>/dev/null || true
    return "$status"
}

# wine_make_template DIR : a fresh, booted prefix in DIR. The boot runs inside a namespace
# with nothing but loopback, made and removed here.
wine_make_template() {
    local dir=$1 ns status=0
    ns="tvw-$$-boot"
    ip netns del "$ns" 2>/dev/null || true
    ip netns add "$ns" || return 1
    ip -n "$ns" link set lo up || {
        ip netns del "$ns"
        return 1
    }
    wine_remove_prefix "$dir"
    mkdir -p "$dir"
    wine_in_namespace "$ns" "$dir" "$dir.boot.out" "$dir.boot.err" wineboot --init || status=$?
    testnet_kill_all "$ns"
    ip netns del "$ns" 2>/dev/null || true
    if ((status != 0)) || [[ ! -f $dir/system.reg ]]; then
        echo "wine_make_template: wineboot failed (status $status); see $dir.boot.err" >&2
        return 1
    fi
}

# wine_copy_prefix TEMPLATE COPY : a prefix of its own for one run.
wine_copy_prefix() {
    wine_remove_prefix "$2"
    cp -a "$1" "$2"
}

# wine_remove_prefix PREFIX : the prefix and its wineserver's socket folder. Debian's Wine
# keeps the sockets in a private folder under /tmp named in PREFIX/wineserver, one
# server-DEV-INODE folder per prefix (DEV and INODE of PREFIX, in hexadecimal).
wine_remove_prefix() {
    local prefix=$1 folder device inode
    [[ -d $prefix ]] || return 0
    if [[ -r $prefix/wineserver ]]; then
        folder=$(<"$prefix/wineserver")
        read -r device inode < <(stat -c '%d %i' "$prefix")
        if [[ $folder =~ ^wine-[A-Za-z0-9]+$ ]]; then
            rm -rf "/tmp/$folder/$(printf 'server-%x-%x' "$device" "$inode")"
            rmdir "/tmp/$folder" 2>/dev/null || true
        fi
    fi
    rm -rf "$prefix"
}

# wine_windows_path PATH : the absolute Linux path as a Windows program names it (drive Z:).
wine_windows_path() {
    local path
    path=$(realpath -m "$1")
    printf 'Z:%s\n' "${path//\//\\}"
}
