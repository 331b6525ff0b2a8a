#!/usr/bin/env bash
# The manual pages render without a warning of groff (all warnings on), and each, English
# and Russian alike, names every option its command's usage lists.
#   man_pages.sh PAGES_DIR TABEL TABEL_DB
set -uo pipefail
pages=$1 tabel=$2 tabel_db=$3
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

for page in tabel.1 tabel-db.8 ru/tabel.1 ru/tabel-db.8; do
  [[ -f $pages/$page ]] || { fail "$page was not made"; continue; }
  warnings=$(groff -k -man -Tutf8 -ww -z "$pages/$page" 2>&1) || fail "$page: groff failed"
  [[ -z $warnings ]] || fail "$page: $warnings"
done

# The options of a usage text, one a line.
options_of() { grep -oE -- '--[a-z][a-z-]*' | sort -u; }
# A page's text with roff's escaped hyphens as typed.
page_text() { sed 's/\\-/-/g' "$pages/$1"; }
names() { # PAGE OPTIONS...
  local page=$1 text o
  text=$(page_text "$page")
  shift
  for o in "$@"; do
    grep -F -- "$o" >/dev/null <<<"$text" || fail "$page does not name $o"
  done
}

tabel_options=$(env -i PATH=/usr/bin:/bin "$tabel" --help | sed -n '/^usage:/,/^$/p' | options_of)
db_options=$("$tabel_db" 2>&1 >/dev/null | options_of)
[[ $(wc -l <<<"$tabel_options") -ge 12 ]] || fail "tabel --help lists too few options: $tabel_options"
[[ $(wc -l <<<"$db_options") -ge 5 ]] || fail "tabel-db's usage lists too few options: $db_options"
for page in tabel.1 ru/tabel.1; do names "$page" $tabel_options; done
for page in tabel-db.8 ru/tabel-db.8; do names "$page" $db_options; done

# The twins keep the same sections and the same items, so a change reaches both.
for page in tabel.1 tabel-db.8; do
  for macro in SH TP; do
    english=$(grep -c "^\.$macro" "$pages/$page")
    russian=$(grep -c "^\.$macro" "$pages/ru/$page")
    [[ $english -eq $russian ]] ||
      fail "$page has $english .$macro, its Russian twin $russian: translate the change"
  done
done
exit $failed
