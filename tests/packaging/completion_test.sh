#!/usr/bin/env bash
# completion_test.sh COMPLETION_DIR ZSH_DRIVER
# The bash, zsh and fish completion of tavro-writer-cli offer its commands, the options of each
# command, and for --interface the addresses that `tavro-writer-cli interfaces` lists. A
# stand-in program in PATH lists the interfaces, so no real interface is read and nothing is
# sent.
set -euo pipefail
completion_dir=$1 zsh_driver=$2
failures=0

stand_in=$(mktemp -d)
trap 'rm -rf "$stand_in"' EXIT
cat >"$stand_in/tavro-writer-cli" <<'PROGRAM'
#!/bin/sh
[ "$1" = interfaces ] && printf '198.18.0.1 (tv0)\n198.18.0.7 (lab:1)\n'
PROGRAM
chmod +x "$stand_in/tavro-writer-cli"
mkdir "$stand_in/files" && touch "$stand_in/files/firmware.bin"
export PATH="$stand_in:$PATH"

# expect SHELL LINE WORD...: the candidates for LINE are exactly the WORDs (sorted).
expect() {
    local shell=$1 line=$2 got want
    shift 2
    got=$(candidates "$shell" "$line" | sort -u | tr '\n' ' ')
    want=$(printf '%s\n' "$@" | sort -u | tr '\n' ' ')
    if [[ $got == "$want" ]]; then
        echo "ok   $shell: '$line' -> $got"
    else
        echo "FAIL $shell: '$line' -> '$got', expected '$want'"
        failures=$((failures + 1))
    fi
}

candidates() {
    local shell=$1 line=$2
    case $shell in
        bash) bash_candidates "$line" ;;
        zsh) timeout 30 zsh -f "$zsh_driver" "$completion_dir" "$line" ;;
        fish)
            timeout 30 fish --no-config -c \
                "source $completion_dir/tavro-writer-cli.fish; complete -C'$line'" | cut -f1
            ;;
    esac
}

# Plays bash's programmable completion: the words of LINE, the cursor after the last one.
bash_candidates() {
    bash --norc --noprofile -c '
        source "$1/tavro-writer-cli.bash"
        read -ra COMP_WORDS <<<"$2"
        [[ $2 == *" " ]] && COMP_WORDS+=("")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        _tavro_writer_cli
        printf "%s\n" "${COMPREPLY[@]}"' _ "$completion_dir" "$line"
}

cd "$stand_in/files"
for shell in bash zsh fish; do
    # bash offers the options beside the commands; zsh and fish only after a "-".
    top_options=()
    [[ $shell == bash ]] && top_options=(--help --version)
    expect $shell "tavro-writer-cli " interfaces search write "${top_options[@]}"
    expect $shell "tavro-writer-cli search --interface " 198.18.0.1 198.18.0.7
    expect $shell "tavro-writer-cli write --interface 198.18.0.1 --p" --password --password-file
    expect $shell "tavro-writer-cli write --password-file fir" firmware.bin
    expect $shell "tavro-writer-cli search --a" --all-interfaces
    expect $shell "tavro-writer-cli search --j" --json
    expect $shell "tavro-writer-cli write 198.18.0.11 fir" firmware.bin
done
# The long options as each shell lists them after "--".
expect bash "tavro-writer-cli write --" --interface --password --password-file --local-port --connect-timeout --ack-timeout --verbose --log --all --jobs --json --verify --verify-timeout --help
expect zsh "tavro-writer-cli write --" --interface --password --password-file --local-port --connect-timeout --ack-timeout --verbose --log --all --jobs --json --verify --verify-timeout --help
expect fish "tavro-writer-cli write --" --interface --password --password-file --local-port --connect-timeout --ack-timeout --verbose --log --all --jobs --json --verify --verify-timeout --help
expect bash "tavro-writer-cli interfaces --" --json --help
expect zsh "tavro-writer-cli --" --help --version
expect fish "tavro-writer-cli --" --help --version
# bash takes an interface's name and puts its address in its place.
expect bash "tavro-writer-cli write --interface la" 198.18.0.7
expect zsh "tavro-writer-cli write --interface=" 198.18.0.1 198.18.0.7
# fish shows each address with its interface's name beside it.
described=$(fish --no-config -c "source $completion_dir/tavro-writer-cli.fish
    complete -C'tavro-writer-cli search --interface 198.18.0.7'")
if [[ $described == $'198.18.0.7\tlab:1' ]]; then
    echo "ok   fish: the address is described by its interface name"
else
    echo "FAIL fish: '$described'"
    failures=$((failures + 1))
fi

((failures == 0))
