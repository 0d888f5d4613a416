#!/usr/bin/env bash
# options_documented.sh WRITER CLI SIM MAN_DIR COMPLETION_DIR README
# The option lists of the manual pages and of the README match the programs' --help: every
# command and long option that --help lists is in the program's manual page and in its section
# of the README, and every long option those name is one that --help lists. Every command and
# option of tavro-writer-cli is offered by the bash, zsh and fish completion.
# A new option without its page, its README lines or its completion fails here, and so does a
# page or README that still names an option the program no longer has.
set -euo pipefail
writer=$1 cli=$2 sim=$3 man_dir=$4 completion_dir=$5 readme=$6
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

# The long options a manual page names, as "--word" lines.
options_in_manual() {
    grep -oE -- '\\-\\-[a-z]([a-z0-9]|\\-)*' "$1" | sed -e 's/\\-/-/g' -e 's/^--//' | sort -u
}

# One program's section of the README: from "### PROGRAM" to the next heading of level 2 or 3.
readme_section() {
    awk -v heading="### $1" '
        $0 == heading { inside = 1; next }
        inside && /^###? / { exit }
        inside { print }' "$readme"
}

# The long options that a README section gives to PROGRAM: in code spans that are options
# ("--json", "--local-port PORT") and in code spans and code lines that run PROGRAM (what
# follows its name). Lines that run other tools (cmake, nft, ...) do not count.
options_in_readme() {
    local program=$1 piece
    # shellcheck disable=SC2016 # backquotes, not expansions
    awk '/^```/ { code = !code; next } code { print "`" $0 "`"; next } { print }' |
        grep -oE '`[^`]+`' | tr -d '`' |
        while IFS= read -r piece; do
            if [[ $piece == -* ]]; then
                printf '%s\n' "$piece"
            elif [[ $piece == *"$program "* ]]; then
                printf '%s\n' "${piece##*"$program "}"
            fi
        done | grep -oE -- '(^|[][ |(])--[a-z][a-z0-9-]*' | sed -E 's/^.?--//' | sort -u
}

# check_listed NAME KNOWN... < NAMED: each option named is one of the known ones.
check_listed() {
    local where=$1 option
    shift
    while read -r option; do
        [[ " $* " == *" $option "* ]] || complain "$where names --$option, which no --help lists"
    done
}

# check_readme PROGRAM KNOWN...: the program's README section names every known option but
# --help and --version, and no other.
check_readme() {
    local program=$1 section option
    shift
    section=$(readme_section "$program")
    [[ -n $section ]] || { complain "README: no section ### $program"; return; }
    for option in "$@"; do
        [[ $option == help || $option == version ]] && continue
        grep -qE -- "--$option([^a-z0-9-]|\$)" <<<"$section" ||
            complain "README, $program: no --$option"
    done
    check_listed "README, $program" "$@" < <(options_in_readme "$program" <<<"$section")
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

# Every long option of each program, commands included.
cli_options=$({
    "$cli" --help | long_options
    for command in $commands; do "$cli" "$command" --help | long_options; done
} | sort -u)
sim_options=$("$sim" --help | long_options | sort -u)
writer_options=$("$writer" --help | long_options | sort -u)

# shellcheck disable=SC2086 # the option lists are words
{
    check_listed tavro-writer-cli.1 $cli_options < <(options_in_manual "$cli_page")
    check_listed tavro-sim.1 $sim_options < <(options_in_manual "$man_dir/tavro-sim.1")
    check_listed tavro-writer.1 $writer_options < <(options_in_manual "$man_dir/tavro-writer.1")
    check_readme tavro-writer-cli $cli_options
    check_readme tavro-sim $sim_options
    check_readme tavro-writer $writer_options
}
cli_section=$(readme_section tavro-writer-cli)
for command in $commands; do
    grep -qE -- "tavro-writer-cli $command( |\$)" <<<"$cli_section" ||
        complain "README, tavro-writer-cli: no command $command"
done

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

((missing == 0)) && echo "options_documented: the manual pages and the README list every option as --help does, and the completion offers them"
exit "$missing"
