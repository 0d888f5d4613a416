#!/usr/bin/env bash
# The installer's life on one machine, silently, as a deployment tool runs it: install version
# N, install N+1 over it, uninstall. Wine runs in a fresh prefix whose wineserver lives in a
# namespace of this test with nothing but lo; its netsh.exe is a stand-in that records its
# arguments and fails on request (Wine has no firewall).
#   installer_cycle.sh SETUP_N VERSION_N SETUP_NEXT VERSION_NEXT NETSH_STAND_IN
# Exit status 0 passed, 1 failed, 77 skipped (no root or no Wine, outside CI).
set -euo pipefail
# shellcheck source=../../scripts/lib/winenet.sh
source "$(dirname "$0")/../../scripts/lib/winenet.sh"

fail() {
    echo "FAILED: $*" >&2
    exit 1
}
cannot_run() {
    [[ ${CI:-} == true ]] && fail "$*"
    echo "SKIPPED: $*" >&2
    exit 77
}

(($# == 5)) || fail "usage: installer_cycle.sh SETUP_N VERSION_N SETUP_NEXT VERSION_NEXT NETSH_STAND_IN"
setup=$1 version=$2 next_setup=$3 next_version=$4 stand_in=$5
((EUID == 0)) || cannot_run "the namespace needs root"
[[ -x $WINE_LOADER ]] || cannot_run "no 64-bit Wine ($WINE_LOADER)"

work=$(mktemp -d /tmp/tavro-installer.XXXXXX)
# Named as testnet.sh names a tool namespace, so that a run killed before its trap is cleared
# away by the next one.
prefix=$work/prefix ns=$TESTNET_PREFIX-$$-tool
testnet_remove_stale
trap 'testnet_kill_all "$ns"; ip netns del "$ns" 2>/dev/null; wine_remove_prefix "$prefix"; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
{ ip netns add "$ns" && ip -n "$ns" link set lo up; } || cannot_run "cannot make a network namespace"

# wine PROGRAM ARGS... : a Windows program in the namespace; output in $work/out and err.
wine() { wine_in_namespace "$ns" "$prefix" "$work/out" "$work/err" "$@"; }

product="TAVRO Writer"
install_dir='C:\Program Files\TAVRO Writer'
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
folder="$prefix/drive_c/Program Files/$product"
start_menu="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
installed() { find "$folder" -mindepth 1 -printf '%f\n' 2>/dev/null | sort | tr '\n' ' '; }
shortcuts() { compgen -G "$start_menu/*.lnk" | wc -l; }
# entry NAME: a value of the product's uninstall entry; entries: how many entries it has.
entry() { wine reg query "$key\\$product" /v "$1" && tr -d '\r' <"$work/out" | sed -n "s/^ *$1 *REG_[A-Z]* *//p"; }
entries() { wine reg query "$key" && tr -d '\r' <"$work/out" | grep -c "\\\\$product\$"; }
# calls: the netsh commands given since the last look, a line each.
calls() { cat "$work/calls" && rm "$work/calls"; }
failures() { find "$prefix/drive_c/users" -name tavro-writer-setup.log -exec grep -c "could not $1 the rule" {} +; }
# The rules of both programs: removed (before each install, and at uninstall), then added.
rules() {
    local program
    for program in tavro-writer.exe tavro-writer-cli.exe; do
        printf 'advfirewall firewall %s rule name="%s (%s)" dir=in %sprogram="%s\\%s"%s\n' \
            "$1" "$product" "$program" "${2:+$2 }" "$install_dir" "$program" "${3:+ $3}"
    done
}
removals=$(rules delete)
additions=$(rules add action=allow 'protocol=TCP profile=private,domain enable=yes description="TAVRO devices connect back to this program to take their firmware"')

mkdir "$prefix"
wine wineboot --init || fail "wineboot: $(cat "$work/err")"
cp --remove-destination "$stand_in" "$prefix/drive_c/windows/system32/netsh.exe"
# Wine would otherwise start its own netsh in place of the file.
wine reg add 'HKCU\Software\Wine\DllOverrides' /v netsh.exe /d native /f || fail "reg add failed"
NETSH_STAND_IN_RECORD=$(wine_windows_path "$work/calls")
export NETSH_STAND_IN_RECORD

# A program it cannot write ends the silent install with a failure, not with a success.
mkdir -p "$folder/tavro-writer.exe"
status=0 && wine "$setup" /S || status=$?
((status == 2)) || fail "an install that could not write a program ended with status $status"
rm -r "$folder"

# Version N: the files, the shortcut, the entry, the rules, the installed CLI.
wine "$setup" /S || fail "the silent install ended with status $?"
[[ $(installed) == "LICENSE.txt README.md tavro-writer-cli.exe tavro-writer.exe uninstall.exe " ]] ||
    fail "installed: $(installed)"
# The shortcut's link information names its target.
strings -a "$start_menu/TAVRO Writer.lnk" | grep -qxF "$install_dir\\tavro-writer.exe" ||
    fail "no shortcut to the dialog in: $(ls "$start_menu")"
[[ $(entry DisplayName) == "$product" && $(entry DisplayVersion) == "$version" ]] ||
    fail "entry: $(entry DisplayName), $(entry DisplayVersion)"
[[ $(entry UninstallString) == "\"$install_dir\\uninstall.exe\"" ]] || fail "uninstaller: $(cat "$work/out")"
[[ $(calls) == "$removals"$'\n'"$additions" ]] || fail "install's netsh commands differ"
{ wine "$install_dir\\tavro-writer-cli.exe" --version && grep -q "^tavro-writer-cli " "$work/out"; } ||
    fail "the installed CLI: $(cat "$work/out" "$work/err")"

# N+1 over it, in Japanese, while netsh fails: one entry, the new version, the new name.
NETSH_STAND_IN_STATUS=1 wine "$next_setup" /S /LANG=1041 || fail "the upgrade ended with status $?"
[[ $(entries) == 1 && $(entry DisplayVersion) == "$next_version" ]] || fail "after the upgrade: $(cat "$work/out")"
[[ $(calls) == "$removals"$'\n'"$additions" && $(failures add) == 2 ]] || fail "upgrade's netsh commands or log"
[[ $(shortcuts) == 1 && -f $start_menu/無線TAVRO\ ファームウェアアップデータ.lnk ]] ||
    fail "not the one Japanese shortcut: $(ls "$start_menu")"

# Uninstall as installed apps does, while netsh fails. The uninstaller hands over to a copy of
# itself in TEMP, so the run ends when every program but Wine's own has.
[[ $(entry QuietUninstallString) == "\"$install_dir\\uninstall.exe\" /S" ]] || fail "quiet uninstall: $(cat "$work/out")"
mapfile -t environment < <(wine_environment "$prefix")
wine_server "$ns" "$prefix" -p
NETSH_STAND_IN_STATUS=1 ip netns exec "$ns" "${environment[@]}" "$WINE_LOADER" \
    "$install_dir\\uninstall.exe" /S </dev/null >"$work/out" 2>&1 || fail "the silent uninstall ended with status $?"
running() { for pid in $(ip netns pids "$ns"); do grep -qav '^\(C:\\windows\\\|/usr/lib/wine/\)' "/proc/$pid/cmdline" && return; done; false; }
for _ in $(seq 1200); do running || break; sleep 0.1; done
running && fail "the uninstaller still runs after 120 s"
wine_server "$ns" "$prefix" -k
[[ $(calls) == "$removals" && $(failures remove) == 2 ]] || fail "uninstall's netsh commands or log"
[[ ! -e $folder ]] || fail "left behind: $(installed)"
[[ $(shortcuts) == 0 ]] || fail "a shortcut is left: $(ls "$start_menu")"
[[ $(entries) == 0 ]] || fail "the entry is left: $(cat "$work/out")"
echo "passed: install $version, upgrade to $next_version, uninstall" >&2
