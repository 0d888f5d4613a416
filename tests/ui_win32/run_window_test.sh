#!/usr/bin/env bash
# run_window_test.sh SCENARIO WRITER_EXE DRIVER_EXE HOST_SIM [PNG_PATH]
#
# Runs the Win32 dialog under Wine on a display of its own, inside a private test network, and
# plays one scenario on it with tavro-writer-driver.exe (window messages, no pixels):
#
#   prefix    makes the Wine prefix that the other scenarios copy (wine-prefix-template in the
#             current folder), booted inside a namespace that has nothing but lo
#   template  the window as the template gives it, the idle layout, Escape ends it
#   search    Search against two simulated devices and a silent one: the dialog paints and
#             refuses to close while it runs, then the list holds the two
#   job       Search, select, Write (the file prompt answered with a path in Japanese),
#             confirm, closing refused during the upload, 正常終了, the line removed; the
#             device stored a byte-identical image
#   refused   a device that refuses the factory password: TAVRO通信エラー, its cause beneath
#   menu      the system menu: the password of a device that has its own, the log pane shown
#             and hidden with its trace whole, the log saved
#   no-interface  no usable interface: the message, no dialog, the program ends
#   file-dialog  Write's real file dialog: its filters, a path in Japanese typed in, the
#             confirmation naming it, Cancel; then Enter on the list ends the dialog
#   screenshot  the dialog after a search, into PNG_PATH (scripts/screenshot-windows)
#   screenshot-cause, screenshot-menu  a refused password's outcome box with its cause, and
#             the system menu open, each over the dialog, into PNG_PATH
#
#   tool namespace (scripts/lib/testnet.sh)          device namespace
#   +-------------------------------------------+    +----------------------------------+
#   | Xvfb :N   wineserver (own WINEPREFIX)     |    | tavro-sim (host build)           |
#   | tavro-writer.exe  tavro-writer-driver.exe |    | 198.18.0.10, 198.18.0.11         |
#   | tv0 198.18.0.1/24 ========================+====+ dv0                              |
#   +-------------------------------------------+    +----------------------------------+
#
# The wineserver opens every socket of the program, so it is started inside the tool
# namespace with a prefix nothing else uses, and ended before the namespace goes.
set -euo pipefail

scenario=$1
writer=$(realpath "$2")
driver=$(realpath "$3")
sim=$4
here=$(cd "$(dirname "$0")" && pwd)
template_prefix=$PWD/wine-prefix-template

# shellcheck source=scripts/lib/testnet.sh
source "$here/../../scripts/lib/testnet.sh"

export WINEDEBUG=-all
# No installer dialogs for components the dialog does not use.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine reads the environment and the command line as UTF-8.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

fail() {
    echo "run_window_test: $*" >&2
    exit 1
}

# A Wine path for a file of the host's: Wine's drive Z: is the root folder.
windows_path() {
    local path=$1
    printf 'Z:%s' "${path//\//\\}"
}

make_template_prefix() {
    local ns="tvw-$$-boot"
    ip netns add "$ns" || fail "cannot make a namespace (needs root and iproute2)"
    ip -n "$ns" link set lo up
    rm -rf "$template_prefix"
    local status=0
    ip netns exec "$ns" env WINEPREFIX="$template_prefix" timeout 240 "$wine" wineboot --init \
        >"$PWD/wineboot.log" 2>&1 || status=$?
    # Captions and message boxes use Wine's Tahoma, which has no Japanese glyphs: they come
    # from the proportional IPA Gothic, linked to it as a Japanese system would link its own.
    ((status != 0)) || ip netns exec "$ns" env WINEPREFIX="$template_prefix" "$wine" reg add \
        'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v Tahoma /t REG_MULTI_SZ /d 'ipagp.ttf,IPAPGothic' /f >>"$PWD/wineboot.log" 2>&1 ||
        status=$?
    ip netns exec "$ns" env WINEPREFIX="$template_prefix" "$wineserver" -k 2>/dev/null || true
    ip netns exec "$ns" env WINEPREFIX="$template_prefix" "$wineserver" -w 2>/dev/null || true
    testnet_kill_all "$ns"
    ip netns del "$ns"
    if ((status != 0)) || [[ ! -f $template_prefix/system.reg ]]; then
        fail "wineboot failed ($status)"
    fi
    echo "run_window_test: Wine prefix made" >&2
}

work=
stop_session() {
    if [[ -n ${TESTNET_TOOL_NS:-} && -n $work ]]; then
        testnet_tool env WINEPREFIX="$work/prefix" "$wineserver" -k 2>/dev/null || true
    fi
    testnet_down
    [[ -n $work ]] && rm -rf "$work"
}

# The network, the display and a copy of the template prefix with its wineserver.
start_session() {
    [[ -f $template_prefix/system.reg ]] || fail "no Wine prefix: run the prefix scenario first"
    work=$(mktemp -d /tmp/tavro-win32ui.XXXXXX)
    testnet_up 198.18.0.10 198.18.0.11 198.18.0.12 || fail "cannot build the test network"
    trap stop_session EXIT
    trap 'stop_session; exit 130' INT
    trap 'stop_session; exit 143' TERM

    testnet_tool Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
        3>"$work/display" >"$work/xvfb.log" 2>&1 &
    for _ in $(seq 100); do
        [[ -s $work/display ]] && break
        sleep 0.1
    done
    [[ -s $work/display ]] || fail "Xvfb did not start"
    DISPLAY=":$(head -n1 "$work/display")"
    export DISPLAY

    cp -a "$template_prefix" "$work/prefix"
    export WINEPREFIX=$work/prefix
    testnet_tool "$wineserver" -p
}

start_devices() {
    testnet_devices "$sim" "$@" >"$work/sim.out" 2>"$work/sim.err" &
    for _ in $(seq 100); do
        grep -q ready "$work/sim.out" 2>/dev/null && return 0
        sleep 0.1
    done
    cat "$work/sim.err" >&2
    fail "tavro-sim did not get ready"
}

# play ARGS...: the writer and the driver; the driver's findings go to stderr. With
# WINE_DESKTOP set (NAME,WIDTHxHEIGHT), both run in a Wine desktop of that name, where Wine
# draws the window frames itself (the display has no window manager to draw them).
play() {
    local desktop=()
    [[ -n ${WINE_DESKTOP:-} ]] && desktop=(explorer "/desktop=$WINE_DESKTOP")
    testnet_tool "$wine" "${desktop[@]}" "$writer" >"$work/writer.log" 2>&1 &
    local writer_job=$!
    local status=0
    testnet_tool timeout 200 "$wine" "${desktop[@]}" "$driver" \
        "$(windows_path "$work/findings.txt")" "$@" >"$work/driver.log" 2>&1 || status=$?
    cat "$work/findings.txt" >&2 2>/dev/null || true
    # The dialog has ended in every scenario that passed; the program then ends by itself.
    local ended=0
    for _ in $(seq 100); do
        kill -0 "$writer_job" 2>/dev/null || {
            ended=1
            break
        }
        sleep 0.1
    done
    if ((status != 0)); then
        tail -n 20 "$work/writer.log" "$work/driver.log" >&2 || true
        fail "the driver found faults (status $status)"
    fi
    ((ended)) || fail "tavro-writer.exe did not end after its dialog"
}

case $scenario in
    prefix)
        make_template_prefix
        ;;
    template)
        start_session
        play template "$(windows_path "$writer")"
        ;;
    search)
        start_session
        # The silent version server holds the search open for seconds: time to watch it.
        start_devices --device 198.18.0.10,mac=02-00-5E-0A-0B-0C,sketch=105 \
            --device 198.18.0.11,mac=02-00-5E-0A-0B-0D,sketch=12345 \
            --device 198.18.0.12,version=silent
        play search "198.18.0.10 / 02-00-5E-0A-0B-0C / ver. 1.05" \
            "198.18.0.11 / 02-00-5E-0A-0B-0D / ver. 123.45"
        ;;
    job)
        start_session
        folder="$work/ファームウェア 新版"
        mkdir -p "$folder" "$work/store"
        firmware="$folder/イメージ.bin"
        # 100 blocks and a pause before each acknowledgement: time to try closing mid-upload.
        head -c 102400 /dev/urandom >"$firmware"
        start_devices --device "198.18.0.10,store=$work/store,ack-delay-ms=40" \
            --device 198.18.0.11
        export TAVRO_WRITER_OPEN_FILE
        TAVRO_WRITER_OPEN_FILE=$(windows_path "$firmware")
        play job 198.18.0.10 "$TAVRO_WRITER_OPEN_FILE"
        cmp "$firmware" "$work/store/198.18.0.10.bin" ||
            fail "the device did not store the image byte for byte"
        echo "ok   the device stored the image byte for byte" >&2
        ;;
    refused)
        start_session
        head -c 4096 /dev/urandom >"$work/image.bin"
        start_devices --device 198.18.0.10,password=NOT-THE-FACTORY-ONE
        export TAVRO_WRITER_OPEN_FILE
        TAVRO_WRITER_OPEN_FILE=$(windows_path "$work/image.bin")
        play refused 198.18.0.10
        ;;
    menu)
        start_session
        head -c 8192 /dev/urandom >"$work/image.bin"
        start_devices --device 198.18.0.10,password=Kumo-7-Secret
        export TAVRO_WRITER_OPEN_FILE TAVRO_WRITER_SAVE_FILE
        TAVRO_WRITER_OPEN_FILE=$(windows_path "$work/image.bin")
        TAVRO_WRITER_SAVE_FILE=$(windows_path "$work/trace.txt")
        play menu 198.18.0.10 Kumo-7-Secret "$TAVRO_WRITER_SAVE_FILE"
        ;;
    no-interface)
        start_session
        # The tool's side keeps nothing but its loopback address.
        ip -n "$TESTNET_TOOL_NS" addr flush dev tv0
        play no-interface
        ;;
    file-dialog)
        start_session
        folder="$work/ファームウェア 新版"
        mkdir -p "$folder"
        head -c 4096 /dev/urandom >"$folder/イメージ.bin"
        start_devices --device 198.18.0.10
        play file-dialog "$(windows_path "$folder/イメージ.bin")"
        ;;
    screenshot)
        # screenshot PNG_PATH: the dialog after a search, for the README (netpbm converts).
        png=$(realpath -m "$5")
        start_session
        start_devices --device 198.18.0.10,mac=02-00-5E-0A-0B-0C,sketch=105 \
            --device 198.18.0.11,mac=02-00-5E-0A-0B-0D,sketch=120
        WINE_DESKTOP=writer,640x520 play screenshot "$(windows_path "$work/dialog.bmp")"
        bmptopnm "$work/dialog.bmp" 2>/dev/null | pnmtopng -compression 9 >"$png.part"
        mv "$png.part" "$png"
        ;;
    screenshot-cause | screenshot-menu)
        # The README's pictures of a failure with its cause and of the menu.
        png=$(realpath -m "$5")
        start_session
        head -c 4096 /dev/urandom >"$work/image.bin"
        start_devices --device 198.18.0.10,mac=02-00-5E-0A-0B-0C,sketch=105,password=NOT-THE-FACTORY-ONE \
            --device 198.18.0.11,mac=02-00-5E-0A-0B-0D,sketch=120
        export TAVRO_WRITER_OPEN_FILE
        TAVRO_WRITER_OPEN_FILE=$(windows_path "$work/image.bin")
        if [[ $scenario == screenshot-cause ]]; then
            WINE_DESKTOP=writer,720x560 play screenshot-cause 198.18.0.10 "$(windows_path "$work/dialog.bmp")"
        else
            WINE_DESKTOP=writer,640x520 play screenshot-menu "$(windows_path "$work/dialog.bmp")"
        fi
        bmptopnm "$work/dialog.bmp" 2>/dev/null | pnmtopng -compression 9 >"$png.part"
        mv "$png.part" "$png"
        ;;
    *)
        fail "unknown scenario $scenario"
        ;;
esac
