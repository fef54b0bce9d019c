# bash completion for magcfg-cli: commands, their options, and reader paths
# after --path (/dev/hidraw*; for swipes the reader keyboards, /dev/input/event*).
_magcfg_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
  local commands="list set-format mode status read version preview watch swipes"
  local common="--json --verbose --simulate --show-card-data --help --version"
  local sentinels="--t1-start --t1-end --t2-start --t2-end --t3-start --t3-end --profile"
  local format="$sentinels --tracks --cr-after --default"
  local which="--path --all --wait"

  case $prev in
    --path)
      local nodes=/dev/hidraw*
      [[ " ${COMP_WORDS[*]} " == *" swipes "* ]] && nodes=/dev/input/event*
      COMPREPLY=($(compgen -W "$(ls -d $nodes 2>/dev/null)" -- "$cur")); return ;;
    --profile) COMPREPLY=($(compgen -f -- "$cur")); return ;;
    --mode) COMPREPLY=($(compgen -W "active passive" -- "$cur")); return ;;
    --cr-after) COMPREPLY=($(compgen -W "packet none 1 2 3 1,2 1,3 2,3 1,2,3" -- "$cur")); return ;;
    --group) COMPREPLY=($(compgen -g -- "$cur")); return ;;
    --tracks | --t[123]-start | --t[123]-end | --swipe | --count | --wait) return ;;
  esac

  local command="" word
  for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
    [[ $word == -- ]] && break
    case " $commands " in *" $word "*) command=$word; break ;; esac
  done

  local options
  case $command in
    "") COMPREPLY=($(compgen -W "$commands $common --print-udev-rules --group" -- "$cur")); return ;;
    list) options="$common" ;;
    set-format) options="$common $format $which" ;;
    mode)
      if [[ $prev == mode ]]; then COMPREPLY=($(compgen -W "active passive" -- "$cur")); return; fi
      options="$common $which" ;;
    status | version) options="$common $which" ;;
    read) options="$common $which --tracks" ;;
    preview) options="$common $format --swipe" ;;
    watch) options="--json --verbose --show-card-data --help $format --mode --wait" ;;
    swipes) options="--json --show-card-data --help $sentinels --path --grab --count" ;;
  esac
  COMPREPLY=($(compgen -W "$options" -- "$cur"))
}
complete -F _magcfg_cli magcfg-cli
