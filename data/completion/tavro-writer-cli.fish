# fish completion for tavro-writer-cli: commands, options, and for --interface the local
# addresses that `tavro-writer-cli interfaces` lists, each described by its interface name.
# Nothing here searches the network.

function __tavro_writer_cli_interfaces
    set -l program (commandline -opc)[1]
    if not string match -q -- '*/*' $program; or not test -x $program
        set program tavro-writer-cli
    end
    $program interfaces 2>/dev/null | string replace -rf '^([0-9.]+) \((.*)\)$' '$1\t$2'
end

set -l commands interfaces search write
set -l before_command "not __fish_seen_subcommand_from $commands"
complete -c tavro-writer-cli -f
complete -c tavro-writer-cli -s h -l help -d 'Show the options and exit'
complete -c tavro-writer-cli -n $before_command -l version -d 'Show the program version and exit'
complete -c tavro-writer-cli -n $before_command -a interfaces \
    -d 'List the usable local IPv4 interfaces'
complete -c tavro-writer-cli -n $before_command -a search \
    -d 'Find the devices on the chosen interface'
complete -c tavro-writer-cli -n $before_command -a write -d 'Write a firmware file into a device'

complete -c tavro-writer-cli -n '__fish_seen_subcommand_from interfaces search' -l json \
    -d 'One JSON array instead of the lines'
complete -c tavro-writer-cli -n '__fish_seen_subcommand_from search write' -l interface -x \
    -a '(__tavro_writer_cli_interfaces)' -d 'Local address to work from'
complete -c tavro-writer-cli -n '__fish_seen_subcommand_from write' -l password -x \
    -d 'Upload password'
complete -c tavro-writer-cli -n '__fish_seen_subcommand_from write' -s v -l verbose \
    -d "Stream the upload's trace to stderr"
# After the device's address comes the firmware file.
complete -c tavro-writer-cli -n '__fish_seen_subcommand_from write' -F
