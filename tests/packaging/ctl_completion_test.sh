#!/usr/bin/env bash
# The bash completion of kelvaro-ctl against the tool itself: the options,
# groups and commands it offers are the ones kelvaro-ctl's help lists, and a
# few argument places offer their fixed values.
#
# Usage: ctl_completion_test.sh COMPLETION_FILE KELVARO_CTL
set -uo pipefail
completion=$1
ctl=$2
# shellcheck source=/dev/null
source "$completion" || { echo "FAIL: cannot source $completion"; exit 1; }
failures=0

# complete WORD...: the completions offered for the last word, sorted, on one line.
complete_words() {
  COMP_WORDS=(kelvaro-ctl "$@")
  COMP_CWORD=$#
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _kelvaro_ctl
  printf '%s\n' "${COMPREPLY[@]}" | sort -u | tr '\n' ' ' | sed 's/ $//'
}

# sorted TEXT...: the words of TEXT (one a line) sorted, unique, on one line.
sorted() { printf '%s\n' "$@" | sed '/^$/d' | sort -u | tr '\n' ' ' | sed 's/ $//'; }

expect() {
  local what=$1 want=$2 got=$3
  if [ "$got" = "$want" ]; then
    echo "ok: $what"
  else
    echo "FAIL: $what"
    echo "  want: $want"
    echo "  got:  $got"
    failures=$((failures + 1))
  fi
}

help=$("$ctl" --help) || { echo "FAIL: $ctl --help"; exit 1; }
# The options of the help's Target and Options sections.
help_options=$(sorted "$(printf '%s\n' "$help" | sed -n 's/^  \(--[a-z-]*\).*/\1/p')")
# The groups after "Groups".
help_groups=$(sorted "$(printf '%s\n' "$help" | sed -n '/^Groups/,/^$/s/^  \([a-z0-9-]*\) .*/\1/p')")

expect "options" "$help_options" "$(complete_words --)"
expect "groups" "$help_groups" "$(complete_words '')"
[ -n "$help_groups" ] || { echo "FAIL: no groups in the help"; failures=$((failures + 1)); }

# A group's commands: the first word of each item of the left column of its
# help, items parted by " | " ("cut | auto | ftb", "on-air on|off | bkgd on|off").
for group in $help_groups; do
  group_help=$("$ctl" "$group" --help) || { echo "FAIL: $ctl $group --help"; exit 1; }
  commands=$(printf '%s\n' "$group_help" | grep '^  [a-z]' | sed 's/^  //; s/   .*//; s/ | /\n/g' |
    awk '{ print $1 }')
  expect "commands of $group" "$(sorted "$commands")" "$(complete_words "$group" '')"
done

expect "--baud values" "115200 19200 38400 57600 9600" "$(complete_words --baud '')"
expect "--baud=1 (split at =)" "115200 19200" "$(complete_words --baud = 1)"
expect "mv mode after a --device" "1 10 16 4 6 8 9" \
  "$(complete_words --device 127.0.0.1,2 mv mode '')"
expect "mv colour part" "res-back res-text umd-back umd-text" "$(complete_words mv colour '')"
expect "switcher key1" "off on" "$(complete_words --device=127.0.0.1 switcher key1 '')"
expect "--direction only for the switcher" "--device --device-port --direction" \
  "$(complete_words switcher tbar 64 --d)"
expect "no --direction elsewhere" "--device --device-port" "$(complete_words mv --d)"
expect "nothing offered for an address" "" "$(complete_words --device '')"

if [ "$failures" -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "all passed"
