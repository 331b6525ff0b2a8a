#!/usr/bin/env bash
# The program answers --help, --version and a wrong option where an administrator types them
# first: with no display at all and no Qt platform named. Also a batch command's bad arguments.
#   command_line_without_display.sh TABEL SOURCE_DIR PROJECT_VERSION
set -uo pipefail
tabel=$1 source=$2 version=$3
steps=("$source"/db/upgrade/[0-9][0-9][0-9][0-9]_*.sql)
step=$(basename "${steps[-1]}")
schema=$((10#${step:0:4}))
out=$(mktemp) err=$(mktemp) home=$(mktemp -d)
trap 'rm -rf "$out" "$err" "$home"' EXIT
failed=0

# ARGUMENTS | EXIT | STREAM THAT SPEAKS (out, err) | A LINE IT HOLDS (grep -E)
cases=(
  "--help|0|out|^usage: tabel \[--report-server S"
  "-h|0|out|^       tabel report [0-9|]+ "
  "report --help|0|out|^       tabel --help \| --version$"
  "--version|0|out|^tabel $version, сборка [0-9]{2}\.[0-9]{2}\.[0-9]{4} [0-9:]{8} \(build: [0-9]{8}\.[0-9]+\)$"
  "--version|0|out|^Версия схемы журнала: $schema$"
  "--bogus|2|err|^usage: tabel \[--report-server S"
  "erp zelt more|2|err|^usage: tabel "
  "erp zelt --report-server|2|err|^usage: tabel "
  "report|2|err|^usage: tabel report "
  "report 20 --from 31.02.2026 --pdf x.pdf --user u|2|err|^Неверная дата: 31.02.2026$"
)
for c in "${cases[@]}"; do
  IFS='|' read -r args expected stream line <<<"$c"
  # No DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM, as on a server reached by ssh.
  read -ra argv <<<"$args"
  env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 "$tabel" "${argv[@]}" >"$out" 2>"$err"
  status=$?
  other=$([[ $stream == out ]] && echo "$err" || echo "$out")
  spoke=$([[ $stream == out ]] && echo "$out" || echo "$err")
  if [[ $status -ne $expected ]] || ! grep -qE -- "$line" "$spoke" || [[ -s $other ]]; then
    echo "FAIL: tabel $args: exit $status (expected $expected); expected on std$stream: $line" >&2
    echo "  stdout:" >&2; sed 's/^/    /' "$out" >&2
    echo "  stderr:" >&2; sed 's/^/    /' "$err" >&2
    failed=1
  fi
done
exit $failed
