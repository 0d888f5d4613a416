#!/usr/bin/env bash
# The Windows tavro-writer-cli.exe under Wine against the Linux tavro-sim, in a private test
# network: Wine's wineserver and the program run in the tool namespace, the simulated devices
# in the device namespace (scripts/lib/testnet.sh, scripts/lib/winenet.sh).
#
#   wine_e2e.sh template DIR                  a booted Wine prefix that the cases copy
#   wine_e2e.sh remove-template DIR
#   wine_e2e.sh case NAME WINDOWS_CLI LINUX_BIN_DIR TEMPLATE
#       NAME: search | write_without_password | write_with_password | no_connect_back |
#             same_bytes
#       LINUX_BIN_DIR holds the Linux tavro-sim and tavro-writer-cli (the Linux writer does the
#       same job in the same network, so the probe and the invitation can be compared)
#   wine_e2e.sh package ZIP PROGRAMS LINUX_BIN_DIR TEMPLATE
#       the Windows package holds the PROGRAMS (file names, comma-separated), the README and the
#       licence, and its (stripped) writer writes with the password like the build's
#
# Exit status 0 passed, 1 failed, 77 skipped (no root or no Wine, outside CI).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../scripts/lib/testnet.sh
source "$here/../../scripts/lib/testnet.sh"
# shellcheck source=../../scripts/lib/winenet.sh
source "$here/../../scripts/lib/winenet.sh"

readonly tool_address=198.18.0.1
readonly password=VESPERDUN

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# Without root or Wine the cases cannot run: a failure under CI, a skip elsewhere.
cannot_run() {
    if [[ ${CI:-} == true ]]; then
        fail "$*"
    fi
    echo "SKIPPED: $*" >&2
    exit 77
}

check_prerequisites() {
    ((EUID == 0)) || cannot_run "the test network needs root"
    [[ -x $WINE_LOADER && -x $WINE_SERVER ]] || cannot_run "no 64-bit Wine ($WINE_LOADER)"
}

# --- the simulated devices and the two writers -------------------------------------------

work=
windows_cli=
linux_bin=

# network DEVICE_SETTINGS... : the test network with one device per setting, tavro-sim
# started in the device namespace and ready.
network() {
    local addresses=() setting devices=()
    for setting in "$@"; do
        addresses+=("${setting%%,*}")
        devices+=(--device "$setting")
    done
    testnet_up "${addresses[@]}" || cannot_run "cannot build the test network"
    # testnet_up's own EXIT trap ends the network; this one also clears the case's files.
    trap 'testnet_down; wine_remove_prefix "$work/prefix"; rm -rf "$work"' EXIT
    testnet_devices "$linux_bin/tavro-sim" --store "$work/stored" --events "$work/events" \
        "${devices[@]}" >"$work/sim.out" 2>"$work/sim.err" &
    for _ in $(seq 100); do
        grep -q '^ready$' "$work/sim.out" 2>/dev/null && return 0
        sleep 0.1
    done
    cat "$work/sim.err" >&2
    fail "tavro-sim did not start"
}

# windows_writer ARGS... : tavro-writer-cli.exe under Wine in the tool namespace; its output
# in $work/windows.out and .err (line ends as Windows writes them), its run time in
# $windows_seconds. Returns the program's status.
windows_seconds=0
windows_writer() {
    local started=$EPOCHREALTIME status=0
    # The writer speaks Japanese here, so its outcomes read as the dialog's do. Only the
    # messages' locale says so: Wine reads the arguments in LC_CTYPE's character set, and this
    # machine has no ja_JP locale for it to load.
    LANG=C.UTF-8 LC_MESSAGES=ja_JP.UTF-8 wine_in_namespace "$TESTNET_TOOL_NS" "$work/prefix" "$work/windows.out" "$work/windows.err" \
        "$windows_cli" "$@" || status=$?
    windows_seconds=$(awk -v a="$started" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", b - a }')
    echo "tavro-writer-cli.exe $* -> status $status after $windows_seconds s" >&2
    sed 's/^/  stderr: /' "$work/windows.err" >&2
    return "$status"
}

# linux_writer ARGS... : the Linux tavro-writer-cli in the same place; output in
# $work/linux.out and .err.
linux_writer() {
    testnet_tool "$linux_bin/tavro-writer-cli" "$@" >"$work/linux.out" 2>"$work/linux.err"
}

# The events of one kind, with the writer's port numbers replaced by PORT.
events_of() {
    grep -E "^[^ ]+ $1 " "$work/events" | sed -E 's/:[0-9]+ /:PORT /g' || true
}

# The invitation's text with its port (which the writer's listener chose) replaced by PORT.
invitations() {
    events_of invitation | sed -E 's/"0 [0-9]+ /"0 PORT /'
}

without_carriage_returns() {
    tr -d '\r' <"$1"
}

firmware() {
    head -c "$2" /dev/urandom >"$1"
}

expect_stored() {
    local file=$1 device=$2
    cmp "$file" "$work/stored/$device.bin" ||
        fail "the image $device stored is not the file that was written"
    grep -qx "$device image-ok $(stat -c %s "$file") $(md5sum <"$file" | cut -d' ' -f1)" \
        "$work/events" || fail "$device did not confirm length and MD5 of the image"
}

# --- the cases ------------------------------------------------------------------------------

# Three devices, one with its own hardware address and version, one asking for the password:
# the Windows search lists each once, as the Linux search does, after one probe that is
# byte for byte the Linux one.
case_search() {
    network 198.18.0.10 198.18.0.11,password=$password 198.18.0.12,sketch=120,mac=02-00-5E-0A-0B-0C
    windows_writer search --interface "$tool_address" || fail "search ended with status $?"
    local probes
    probes=$(events_of probe)
    [[ $probes == "* probe $tool_address:PORT \"TV\"" ]] ||
        fail "expected one probe \"TV\" from $tool_address, the devices saw: $probes"
    ! grep -q unexpected-datagram "$work/events" || fail "a device saw a stranger datagram"

    local expected
    expected=$(printf '%s\n' \
        "198.18.0.10 / 02-00-5E-12-00-0A / ver. 1.05" \
        "198.18.0.11 / 02-00-5E-12-00-0B / ver. 1.05" \
        "198.18.0.12 / 02-00-5E-0A-0B-0C / ver. 1.20")
    [[ $(without_carriage_returns "$work/windows.out" | sort) == "$expected" ]] ||
        fail "the Windows list is not the devices': $(cat -A "$work/windows.out")"

    : >"$work/events"
    linux_writer search --interface "$tool_address" || fail "the Linux search failed"
    [[ $(events_of probe) == "$probes" ]] || fail "the Linux probe differs: $(events_of probe)"
    [[ $(sort "$work/linux.out") == "$expected" ]] ||
        fail "the Linux list differs from the Windows list: $(cat "$work/linux.out")"
}

# write_case DEVICE_SETTING PASSWORD_ARGS... : the Windows writer stores an image whose last
# block is short, through the same invitation as the Linux writer's. The image's file name is
# $firmware_name when set.
write_case() {
    local setting=$1 device=${1%%,*}
    shift
    local twin=198.18.0.20 image="$work/${firmware_name:-firmware.bin}"
    network "$setting" "$twin${setting#"$device"}"
    firmware "$image" 150000
    windows_writer write --interface "$tool_address" "$@" "$device" \
        "$(wine_windows_path "$image")" || fail "write ended with status $?"
    [[ $(without_carriage_returns "$work/windows.out") == "正常終了" ]] ||
        fail "no success line on stdout: $(cat -A "$work/windows.out")"
    expect_stored "$image" "$device"
    cp "$work/events" "$work/windows.events"
    local invitation
    invitation=$(invitations)
    [[ $invitation == "$device invitation $tool_address:PORT \"0 PORT 150000 $(md5sum <"$image" | cut -d' ' -f1)\\n\"" ]] ||
        fail "unexpected invitation: $invitation"

    : >"$work/events"
    linux_writer write --interface "$tool_address" "$@" "$twin" "$image" ||
        fail "the Linux write failed: $(cat "$work/linux.err")"
    [[ $(invitations) == "${invitation/#$device /$twin }" ]] ||
        fail "the Linux invitation differs: $(invitations)"
}

case_write_without_password() {
    write_case 198.18.0.10
    ! grep -q 'auth-answer' "$work/windows.events" || fail "an answer to a challenge nobody made"
}

case_write_with_password() {
    # A name outside every narrow code page but UTF-8: the arguments and the file open must
    # carry it whole.
    firmware_name="ファームウェア 1.20 ✓.bin"
    write_case "198.18.0.11,password=$password" --password "$password"
    grep -q "^198.18.0.11 auth-answer $tool_address:[0-9]* \"200 [0-9a-f]\{32\} [0-9a-f]\{32\}\\\\n\" match$" \
        "$work/windows.events" || fail "the device did not take the Windows writer's proof"
    grep -q 'auth-answer .* match$' "$work/events" || fail "the Linux writer's proof did not match"
}

# The device takes the invitation and never connects back: the writer gives up after its
# 30 s wait with the Winsock code of a timeout, not sooner and not much later.
case_no_connect_back() {
    network 198.18.0.13,no-connect
    firmware "$work/firmware.bin" 4096
    local status=0
    windows_writer write --interface "$tool_address" 198.18.0.13 \
        "$(wine_windows_path "$work/firmware.bin")" || status=$?
    ((status == 4)) || fail "expected exit status 4 (network error), got $status"
    grep -q "ネットワークエラー:10060" "$work/windows.err" || fail "no 10060 on stderr"
    grep -q '^198.18.0.13 connect-withheld' "$work/events" ||
        fail "the device did not hold back its connection"
    awk -v s="$windows_seconds" 'BEGIN { exit !(s >= 29 && s <= 60) }' ||
        fail "gave up after $windows_seconds s; the wait for the connection back is 30 s"
    [[ ! -e $work/stored/198.18.0.13.bin ]] || fail "an image was stored"
}

# The Windows writer's redirected trace and JSON are byte for byte the Linux writer's: no
# carriage return added before a line end, the trace's own CR LF kept. Only what must differ is
# set aside: the device's address, the port, the file's path and the times.
case_same_bytes() {
    local device=198.18.0.14 twin=198.18.0.24 image="$work/firmware.bin"
    network "$device" "$twin"
    firmware "$image" 5000
    windows_writer write -v --json --interface "$tool_address" --local-port 40101 "$device" \
        "$(wine_windows_path "$image")" || fail "write ended with status $?"
    LANG=C.UTF-8 LC_MESSAGES=ja_JP.UTF-8 linux_writer write -v --json \
        --interface "$tool_address" --local-port 40102 "$twin" "$image" ||
        fail "the Linux write failed: $(cat "$work/linux.err")"
    local stream
    for stream in out err; do
        cmp <(set_aside "$device" 40101 "$work/windows.$stream") \
            <(set_aside "$twin" 40102 "$work/linux.$stream") ||
            fail "std$stream differs: $(diff <(set_aside "$device" 40101 "$work/windows.$stream" |
                cat -A) <(set_aside "$twin" 40102 "$work/linux.$stream" | cat -A))"
    done
}

# set_aside DEVICE PORT FILE: the file with what differs between two runs written as names.
set_aside() {
    sed -E -e "s/$1/DEVICE/g" -e "s/$2/PORT/g" -e 's/"path":"[^"]*"/"path":PATH/' \
        -e 's/"(seconds|uploadSeconds|verifySeconds)":[^,}]*/"\1":TIME/g' "$3"
}

# The ZIP as a user unpacks it: one folder named like the ZIP with the programs, the README
# and the licence, and nothing else.
unpack_package() {
    local zip=$1 programs program folder
    folder=$(basename "$zip" .zip)
    [[ $folder =~ ^tavro-writer-[0-9]+(\.[0-9]+)*-win64$ ]] || fail "unexpected package name $folder"
    mkdir "$work/unpacked"
    (cd "$work/unpacked" && cmake -E tar xf "$zip") || fail "cannot unpack $zip"
    local expected=("$folder" "$folder/LICENSE.txt" "$folder/README.md") listed
    IFS=, read -r -a programs <<<"$2"
    for program in "${programs[@]}"; do
        expected+=("$folder/$program")
    done
    listed=$(cd "$work/unpacked" && find . -mindepth 1 | sed 's|^\./||' | sort)
    [[ $listed == "$(printf '%s\n' "${expected[@]}" | sort)" ]] ||
        fail "the package holds: $listed"
    windows_cli=$work/unpacked/$folder/tavro-writer-cli.exe
}

# --- entry ---------------------------------------------------------------------------------

case ${1:-} in
    template)
        check_prerequisites
        wine_make_template "$2"
        ;;
    remove-template)
        wine_remove_prefix "$2"
        ;;
    case)
        (($# == 5)) || fail "usage: wine_e2e.sh case NAME WINDOWS_CLI LINUX_BIN_DIR TEMPLATE"
        check_prerequisites
        windows_cli=$3
        linux_bin=$4
        [[ -f $windows_cli ]] || fail "no $windows_cli (build the windows preset)"
        [[ -x $linux_bin/tavro-sim && -x $linux_bin/tavro-writer-cli ]] ||
            fail "no Linux tavro-sim and tavro-writer-cli in $linux_bin (build the dev preset)"
        [[ -f $5/system.reg ]] || fail "no Wine prefix template in $5"
        work=$(mktemp -d /tmp/tavro-wine-e2e.XXXXXX)
        trap 'wine_remove_prefix "$work/prefix"; rm -rf "$work"' EXIT
        wine_copy_prefix "$5" "$work/prefix"
        "case_$2"
        echo "passed: $2 (Windows writer $windows_seconds s)" >&2
        ;;
    package)
        (($# == 5)) || fail "usage: wine_e2e.sh package ZIP PROGRAMS LINUX_BIN_DIR TEMPLATE"
        check_prerequisites
        linux_bin=$4
        [[ -f $2 ]] || fail "no $2 (build the package target of the windows preset)"
        [[ -f $5/system.reg ]] || fail "no Wine prefix template in $5"
        work=$(mktemp -d /tmp/tavro-wine-e2e.XXXXXX)
        trap 'wine_remove_prefix "$work/prefix"; rm -rf "$work"' EXIT
        unpack_package "$(realpath "$2")" "$3"
        wine_copy_prefix "$5" "$work/prefix"
        case_write_with_password
        echo "passed: the packed writer (Windows writer $windows_seconds s)" >&2
        ;;
    *)
        fail "usage: wine_e2e.sh template DIR | remove-template DIR | case NAME ... | package ..."
        ;;
esac
