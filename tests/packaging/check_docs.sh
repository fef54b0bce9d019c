#!/usr/bin/env bash
# What a newcomer reads: the manual pages as man shows them (no warning, each
# section once, in order), the shell completions against each command's help,
# and the README (at most 14 KB, its links to files that exist).
# Usage: check_docs.sh PACKAGING_BUILD_DIR MAGCFG_CLI README
# Exits 77 (skipped) where man is not installed.
set -uo pipefail
build=$1 program=$2 readme=$3
command -v man >/dev/null || { echo "man is not installed (scripts/setup.sh package)"; exit 77; }
fail=0
problem() { echo "FAIL    $*"; fail=1; }

# check_page PAGE SECTION...: the page renders without a warning and shows
# exactly these sections, in this order.
check_page() {
  local page=$1 name
  name=$(basename "$1")
  shift
  [ -f "$page" ] || { problem "no $name"; return; }
  local warnings rendered shown
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || problem "$name warns: $warnings"
  rendered=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null | col -bx)
  shown=$(grep -E '^[A-Z][A-Z ]*[A-Z]$' <<<"$rendered" | paste -sd,)
  [ "$shown" = "$(printf '%s\n' "$@" | paste -sd,)" ] || problem "$name shows the sections $shown"
}
pages=(NAME SYNOPSIS DESCRIPTION COMMANDS OPTIONS "EXIT STATUS" FILES ENVIRONMENT EXAMPLES "SEE ALSO")
check_page "$build/man/magcfg-cli.1.gz" "${pages[@]}"
# The window's page where the window is built.
[ ! -e "$build/man/magcfg.1" ] || check_page "$build/man/magcfg.1.gz" "${pages[@]}"
check_page "$build/man/magcfg-watch.service.8.gz" NAME SYNOPSIS DESCRIPTION FILES SECURITY EXAMPLES "SEE ALSO"

# Every option the help lists is in the page.
page_text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$build/man/magcfg-cli.1.gz" 2>/dev/null | col -bx)
for option in $("$program" --help | grep -oE -- '--[a-z0-9-]+' | sort -u); do
  grep -qF -- "$option" <<<"$page_text" || problem "magcfg-cli.1 lacks $option"
done

# Each command's completion offers the options of that command's help, and
# no other.
commands=$("$program" --help | sed -n '/^Commands:/,/^$/p' | awk '/^  [a-z]/ {print $1}')
[ -n "$commands" ] || problem "magcfg-cli --help lists no command"
help_options() { "$program" "$1" --help | sed -n '/^Options:/,/^$/p' | grep -oE -- '--[a-z0-9-]+' | sort -u | paste -sd' '; }
bash_completion="$build/completion/bash/magcfg-cli"
bash_offers() {  # bash_offers WORD...: what completing the last word offers
  bash -c 'source "$1"; shift; COMP_WORDS=(magcfg-cli "$@"); COMP_CWORD=$#; _magcfg_cli; printf "%s\n" "${COMPREPLY[@]}"' \
    _ "$bash_completion" "$@"
}
fish_completion="$build/completion/fish/magcfg-cli.fish"
for command in $commands; do
  expected=$(help_options "$command")
  offered=$(bash_offers "$command" -- | sort -u | paste -sd' ')
  [ "$offered" = "$expected" ] || problem "bash completes '$command --' with '$offered', not '$expected'"
  if command -v fish >/dev/null; then
    offered=$(fish -c "source '$fish_completion'; complete -C 'magcfg-cli $command --'" | cut -f1 | sort -u | paste -sd' ')
    [ "$offered" = "$expected" ] || problem "fish completes '$command --' with '$offered', not '$expected'"
  fi
done
[ "$(bash_offers mode '')" = "$(printf 'active\npassive')" ] || problem "bash does not complete mode's argument"
[ "$(bash_offers read --tracks 1,)" = "$(printf '1,2\n1,3\n1,2,3')" ] || problem "bash completes read --tracks 1, with: $(bash_offers read --tracks 1,)"
if command -v zsh >/dev/null; then zsh -n "$build/completion/zsh/_magcfg-cli" || problem "zsh completion"; fi

# The README stays a README.
size=$(stat -c %s "$readme")
[ "$size" -le $((14 * 1024)) ] || problem "README.md is $size bytes, more than 14 KB"
for link in $(grep -oE '\]\((docs|packaging)/[^)#]+' "$readme" | sed 's/^](//' | sort -u); do
  [ -e "$(dirname "$readme")/$link" ] || problem "README.md links to $link, which does not exist"
done

[ $fail -eq 0 ] && echo "docs: manual pages, completions and README as they should be"
exit $fail
