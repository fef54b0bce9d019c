# fish completion for magcfg-cli: commands, their options, and reader paths
# (/dev/hidraw*) after --path.
set -l commands list set-format mode status read version preview watch swipes
set -l format_commands set-format preview watch
set -l sentinel_commands set-format preview watch swipes
set -l reader_commands set-format mode status read version

complete -c magcfg-cli -f
complete -c magcfg-cli -n "not __fish_seen_subcommand_from $commands" -a list -d 'the readers attached'
complete -c magcfg-cli -n "not __fish_seen_subcommand_from $commands" -a set-format -d 'send an output format'
complete -c magcfg-cli -n "not __fish_seen_subcommand_from $commands" -a mode -d 'active or passive upload'
complete -c magcfg-cli -n "not __fish_seen_subcommand_from $commands" -a status -d 'how the last swipe went'
complete -c magcfg-cli -n "not __fish_seen_subcommand_from $commands" -a read -d "the last swipe's tracks"
complete -c magcfg-cli -n "not __fish_seen_subcommand_from $commands" -a version -d "the reader's version text"
complete -c magcfg-cli -n "not __fish_seen_subcommand_from $commands" -a preview -d 'what a reader would type'
complete -c magcfg-cli -n "not __fish_seen_subcommand_from $commands" -a watch -d 'set up readers as they are plugged in'
complete -c magcfg-cli -n "not __fish_seen_subcommand_from $commands" -a swipes -d "swipes from the reader's own keyboard"
complete -c magcfg-cli -n "not __fish_seen_subcommand_from $commands" -l print-udev-rules -d 'print the udev rule'
complete -c magcfg-cli -n "__fish_seen_argument -l print-udev-rules" -l group -x -a '(__fish_complete_groups)' -d 'give group NAME the reader too'

complete -c magcfg-cli -l json -d 'print JSON instead of text'
complete -c magcfg-cli -l verbose -d 'write every report and notice to standard error'
complete -c magcfg-cli -l show-card-data -d 'show card numbers whole'
complete -c magcfg-cli -n "not __fish_seen_subcommand_from watch" -l simulate -d 'work with N simulated readers'
complete -c magcfg-cli -s h -l help -d 'show the help and exit'
complete -c magcfg-cli -s V -l version -d 'show the version and exit'

complete -c magcfg-cli -n "__fish_seen_subcommand_from $sentinel_commands" -l t1-start -x -d 'a sentinel character'
complete -c magcfg-cli -n "__fish_seen_subcommand_from $sentinel_commands" -l t1-end -x -d 'a sentinel character'
complete -c magcfg-cli -n "__fish_seen_subcommand_from $sentinel_commands" -l t2-start -x -d 'a sentinel character'
complete -c magcfg-cli -n "__fish_seen_subcommand_from $sentinel_commands" -l t2-end -x -d 'a sentinel character'
complete -c magcfg-cli -n "__fish_seen_subcommand_from $sentinel_commands" -l t3-start -x -d 'a sentinel character'
complete -c magcfg-cli -n "__fish_seen_subcommand_from $sentinel_commands" -l t3-end -x -d 'a sentinel character'
complete -c magcfg-cli -n "__fish_seen_subcommand_from $format_commands read" -l tracks -x -d 'tracks (1,2,3), or read: a code 0-6'
complete -c magcfg-cli -n "__fish_seen_subcommand_from $format_commands" -l cr-after -x -a 'packet none 1 2 3 1,2 1,3 2,3 1,2,3' -d 'carriage returns'
complete -c magcfg-cli -n "__fish_seen_subcommand_from $format_commands" -l default -d 'the factory format'
complete -c magcfg-cli -n "__fish_seen_subcommand_from $sentinel_commands" -l profile -r -F -d 'settings from a JSON file'
complete -c magcfg-cli -n "__fish_seen_subcommand_from $reader_commands" -l path -x -a '(__fish_complete_path /dev/hidraw)' -d 'the reader at PATH'
complete -c magcfg-cli -n "__fish_seen_subcommand_from $reader_commands" -l all -d 'every reader attached'
complete -c magcfg-cli -n "__fish_seen_subcommand_from $reader_commands watch" -l wait -x -d 'seconds to wait for a reader in use'
complete -c magcfg-cli -n "__fish_seen_subcommand_from mode" -a 'active passive'
complete -c magcfg-cli -n "__fish_seen_subcommand_from watch" -l mode -x -a 'active passive' -d 'upload mode'
complete -c magcfg-cli -n "__fish_seen_subcommand_from preview" -l swipe -x -d 'three track texts'
complete -c magcfg-cli -n "__fish_seen_subcommand_from swipes" -l path -x -a '(__fish_complete_path /dev/input/event)' -d "the reader's keyboard at PATH"
complete -c magcfg-cli -n "__fish_seen_subcommand_from swipes" -l grab -d 'take the keyboard for this program'
complete -c magcfg-cli -n "__fish_seen_subcommand_from swipes" -l count -x -d 'stop after N swipes'
