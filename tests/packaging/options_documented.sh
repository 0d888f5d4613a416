#!/usr/bin/env bash
# options_documented.sh WRITER CLI SIM MAN_DIR COMPLETION_DIR
# Every command and long option that the programs' --help lists is in their manual page, and
# every command and option of tavro-writer-cli is offered by the bash, zsh and fish completion.
# A new option without its page or its completion fails here.
set -euo pipefail
writer=$1 cli=$2 sim=$3 man_dir=$4 completion_dir=$5
missing=0

# The long options of a --help text's option lines ("  -v,--verbose   ...", "  --json  ...").
long_options() {
    sed -n -E 's/^ +(-[A-Za-z0-9],)?--([a-z][a-z0-9-]*).*/\2/p'
}

# The commands of a --help text's "Subcommands:" section.
commands_of() {
    sed -n '/^Subcommands:/,/^$/p' | sed -n -E 's/^ +([a-z][a-z0-9-]*) .*/\1/p'
}

# Roff writes a hyphen of an option as \-.
in_manual() {
    local page=$1 word=$2
    grep -qF -- "${word//-/\\-}" "$page"
}

complain() {
    echo "options_documented: $*" >&2
    missing=1
}

check_program() {
    local program=$1 page=$2 option
    shift 2
    while read -r option; do
        in_manual "$page" "--$option" ||
            complain "$(basename "$page"): no --$option (from $program $* --help)"
    done < <("$program" "$@" --help | long_options)
}

cli_page=$man_dir/tavro-writer-cli.1
check_program "$cli" "$cli_page"
commands=$("$cli" --help | commands_of)
[[ -n $commands ]] || complain "no commands found in tavro-writer-cli --help"
for command in $commands; do
    in_manual "$cli_page" ".B $command" || complain "tavro-writer-cli.1: no command $command"
    check_program "$cli" "$cli_page" "$command"
done
check_program "$sim" "$man_dir/tavro-sim.1"
check_program "$writer" "$man_dir/tavro-writer.1"

bash_file=$completion_dir/tavro-writer-cli.bash
zsh_file=$completion_dir/_tavro-writer-cli
fish_file=$completion_dir/tavro-writer-cli.fish
for command in $commands; do
    for file in "$bash_file" "$zsh_file" "$fish_file"; do
        grep -qw -- "$command" "$file" || complain "$(basename "$file"): no command $command"
    done
    while read -r option; do
        grep -qE -- "(^|[ '\"{,])--$option([] ='\"},]|$)" "$bash_file" ||
            complain "$(basename "$bash_file"): no --$option ($command)"
        grep -qE -- "(^|[ '\"{,])--$option([] ='\"},[]|$)" "$zsh_file" ||
            complain "$(basename "$zsh_file"): no --$option ($command)"
        grep -qE -- "-l $option( |$)" "$fish_file" ||
            complain "$(basename "$fish_file"): no --$option ($command)"
    done < <("$cli" "$command" --help | long_options)
done

((missing == 0)) && echo "options_documented: every command and option is documented and completed"
exit "$missing"
