#!/usr/bin/env bash
# The layering check must catch a planted include: data/ reaching up into journal/ or into the
# program's shared state, output/ into ui/ (it shows nothing), ui/ and state/ into each other
# (side by side), reference/ into the reports feature.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=${1:?usage: planted_include.sh SRC_DIR}
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
"$here/check_layers.sh" "$src" || { echo "the untouched tree already fails" >&2; exit 1; }

# file into which an include is planted, and the header it includes
plants=(
    "data/Command.cpp journal/JournalWindow.h"
    "data/Listener.cpp state/Channels.h"
    "output/Spreadsheet.cpp ui/Messages.h"
    "ui/Form.cpp state/DataModule.h"
    "state/DataModule.cpp ui/Messages.h"
    "reference/Norms.cpp reports/SummaryReports.h"
)
for plant in "${plants[@]}"; do
    read -r file header <<<"$plant"
    rm -rf "$copy/src"
    cp -r "$src" "$copy/src"
    printf '#include "%s"\n' "$header" >>"$copy/src/$file"
    if out=$("$here/check_layers.sh" "$copy/src" 2>&1); then
        echo "a planted include of ${header%%/*}/ in $file passed the check" >&2
        exit 1
    fi
    grep -q "$file:.* includes ${header%%/*}/" <<<"$out" || { echo "unexpected: $out" >&2; exit 1; }
    echo "caught: $out"
done
