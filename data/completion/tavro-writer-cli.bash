# bash completion for tavro-writer-cli: commands, options, and for --interface the local
# addresses that `tavro-writer-cli interfaces` lists (a name typed there completes to its
# address). Nothing here searches the network.

# The program the user is completing for: the typed path when it has one, else the one in PATH.
_tavro_writer_cli_program() {
    local typed=$1
    if [[ $typed == */* && -x $typed ]]; then
        printf '%s\n' "$typed"
    else
        printf '%s\n' tavro-writer-cli
    fi
}

# The addresses whose address or interface name begins with $2; $1 is the program.
_tavro_writer_cli_addresses() {
    local program=$1 prefix=$2 line address name
    while IFS= read -r line; do
        [[ $line =~ ^([0-9.]+)\ \((.*)\)$ ]] || continue
        address=${BASH_REMATCH[1]}
        name=${BASH_REMATCH[2]}
        if [[ $address == "$prefix"* || $name == "$prefix"* ]]; then
            printf '%s\n' "$address"
        fi
    done < <("$program" interfaces 2>/dev/null)
}

_tavro_writer_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local command="" word options
    for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
        case $word in
            interfaces | search | write)
                command=$word
                break
                ;;
        esac
    done
    COMPREPLY=()

    case $prev in
        --interface)
            local program
            program=$(_tavro_writer_cli_program "${COMP_WORDS[0]}")
            mapfile -t COMPREPLY < <(_tavro_writer_cli_addresses "$program" "$cur")
            return
            ;;
        --password | --local-port | --connect-timeout | --ack-timeout | --jobs | -j | --verify-timeout)
            return
            ;;
        --password-file | --log)
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            compopt -o filenames 2>/dev/null
            return
            ;;
    esac

    case $command in
        "") options="interfaces search write --help --version" ;;
        interfaces) options="--json --help" ;;
        search) options="--interface --all-interfaces --json --help" ;;
        write)
            options="--interface --password --password-file --local-port --connect-timeout
                --ack-timeout --verbose -v --log --all --jobs -j --json --verify --verify-timeout --help"
            # After the devices' addresses comes the firmware file.
            if [[ $cur != -* ]]; then
                mapfile -t COMPREPLY < <(compgen -f -- "$cur")
                compopt -o filenames 2>/dev/null
                return
            fi
            ;;
    esac
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
}

complete -F _tavro_writer_cli tavro-writer-cli
