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
complete -c tavro-writer-cli -n $before_command -a write \
    -d 'Write a firmware file into one or more devices'

complete -c tavro-writer-cli -n '__fish_seen_subcommand_from interfaces search' -l json \
    -d 'One JSON array instead of the lines'
complete -c tavro-writer-cli -n '__fish_seen_subcommand_from search write' -l interface -x \
    -a '(__tavro_writer_cli_interfaces)' -d 'Local address to work from'
complete -c tavro-writer-cli -n '__fish_seen_subcommand_from write' -l password -x \
    -d 'Upload password'
complete -c tavro-writer-cli -n '__fish_seen_subcommand_from write' -l password-file -r -F \
    -d 'Read the upload password from the first line of a file'
complete -c tavro-writer-cli -n '__fish_seen_subcommand_from write' -l local-port -x \
    -d 'TCP port the devices connect back to'
complete -c tavro-writer-cli -n '__fish_seen_subcommand_from write' -l connect-timeout -x \
    -d 'Seconds to wait for a device to connect back'
complete -c tavro-writer-cli -n '__fish_seen_subcommand_from write' -l ack-timeout -x \
    -d 'Seconds to wait for each acknowledgement'
complete -c tavro-writer-cli -n '__fish_seen_subcommand_from write' -s v -l verbose \
    -d "Stream the upload's trace to stderr"
complete -c tavro-writer-cli -n '__fish_seen_subcommand_from write' -l log -r -F \
    -d "Write every device's trace to a file"
complete -c tavro-writer-cli -n '__fish_seen_subcommand_from write' -l all \
    -d 'Write every device a search on the interface lists'
complete -c tavro-writer-cli -n '__fish_seen_subcommand_from write' -s j -l jobs -x \
    -d 'Devices written at once'
complete -c tavro-writer-cli -n '__fish_seen_subcommand_from write' -l json \
    -d 'One JSON object per device on stdout'
complete -c tavro-writer-cli -n '__fish_seen_subcommand_from write' -l verify \
    -d 'Wait for each device to come back from its reset'
complete -c tavro-writer-cli -n '__fish_seen_subcommand_from write' -l verify-timeout -x \
    -d 'Seconds to wait for a device to come back'
complete -c tavro-writer-cli -n '__fish_seen_subcommand_from search' -l all-interfaces \
    -d 'Search every usable interface at once'
# After the devices' addresses comes the firmware file.
complete -c tavro-writer-cli -n '__fish_seen_subcommand_from write' -F
