#!/usr/bin/env bash
# The layering check must catch a planted include: data/ reaching up into journal/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=${1:?usage: planted_include.sh SRC_DIR}
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
cp -r "$src" "$copy/src"
"$here/check_layers.sh" "$copy/src" || { echo "the untouched copy already fails" >&2; exit 1; }
printf '#include "journal/JournalWindow.h"\n' >>"$copy/src/data/Command.cpp"
if out=$("$here/check_layers.sh" "$copy/src" 2>&1); then
    echo "a planted include of journal/ in data/ passed the check" >&2
    exit 1
fi
grep -q 'data/Command.cpp:.* includes journal/' <<<"$out" || { echo "unexpected: $out" >&2; exit 1; }
echo "caught: $out"
