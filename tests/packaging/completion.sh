#!/usr/bin/env bash
# bash completion of tabel and tabel-db: what it offers for a table of command lines, and that
# it knows every option the commands' usage lists.
#   completion.sh COMPLETION_DIR TABEL TABEL_DB
set -uo pipefail
dir=$(realpath "$1") tabel=$(realpath "$2") tabel_db=$3
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out/sub"
touch "$work/out/a b.pdf" "$work/out/c.xlsx" "$work/out/d.txt"

# COMMAND LINE (words by spaces; the last is being typed, @ for an empty one) | OFFERED, sorted
cases=(
  "tabel @|--help --report-db --report-server --version export history month report"
  "tabel re|report"
  "tabel --re|--report-db --report-server"
  "TABEL report @|16 17 20 21 25"
  "TABEL report 2|20 21 25"
  "tabel report 20 --from 01.01.2026 --|--db --kind --pdf --report-db --report-server --server --to --user"
  "tabel export --|--db --from --kind --report-db --report-server --server --to --user --xlsx"
  "tabel history --|--db --from --server --to --user --worker --xlsx"
  "tabel history --from 01.01.2026 --xlsx h.xlsx --w|--worker"
  "tabel month @|close reopen status"
  "tabel month close --|--db --month --server --user"
  "tabel month status --|--db --server --user"
  "tabel report 20 --kind @|0 1"
  "tabel report 20 --from @|"
  "tabel report 20 --pdf out/|out/a b.pdf out/sub"
  "tabel export --xlsx out/|out/c.xlsx out/sub"
  "tabel export --server WORK/o|WORK/out"
  "tabel erp zelt --|--report-db --report-server"
  "tabel-db @|install upgrade version"
  "tabel-db upgrade --|--db --port --server --user --wait"
  "tabel-db version --server erp --|--db --port --user"
)
for c in "${cases[@]}"; do
  IFS='|' read -r line expected <<<"$c"
  line=${line//TABEL/$tabel}
  line=${line//WORK/$work}
  expected=${expected//WORK/$work}
  offered=$(cd "$work" && bash -c '
    source "$1/tabel"; source "$1/tabel-db"
    read -ra COMP_WORDS <<<"$2"
    [[ ${COMP_WORDS[-1]} == @ ]] && COMP_WORDS[-1]=
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    [[ ${COMP_WORDS[0]} == tabel-db ]] && _tabel_db || _tabel
    printf "%s\n" "${COMPREPLY[@]}" | sort | paste -sd" "' bash "$dir" "$line" 2>&1)
  [[ "$offered" == "$expected" ]] || fail "$line: offered '$offered', expected '$expected'"
done

# Every option of the usage is known to the completion.
options_of() { grep -oE -- '--[a-z][a-z-]*' | sort -u; }
for o in $(env -i PATH=/usr/bin:/bin "$tabel" --help | sed -n '/^usage:/,/^$/p' | options_of); do
  grep -qF -- "$o" "$dir/tabel" || fail "the completion of tabel does not know $o"
done
for o in $("$tabel_db" 2>&1 >/dev/null | options_of); do
  grep -qF -- "$o" "$dir/tabel-db" || fail "the completion of tabel-db does not know $o"
done
exit $failed
