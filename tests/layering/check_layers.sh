#!/usr/bin/env bash
# Fails when a folder of src/ includes a folder it must not depend on. Each folder may use
# only the folders below it: data at the bottom, then output, then ui and the program's shared
# state side by side, then reference, then journal, timesheet and reports, then app.
#   check_layers.sh SRC_DIR
set -uo pipefail
src=${1:?usage: check_layers.sh SRC_DIR}

declare -A allowed=(
    [data]=""
    [output]="data"
    [ui]="output data"
    [state]="output data"
    [reference]="state output ui data"
    [journal]="reference state output ui data"
    [timesheet]="state output ui data"
    [reports]="reference state output ui data"
    [app]="journal timesheet reports reference state output ui data"
)

status=0
for dir in "$src"/*/; do
    folder=$(basename "$dir")
    if [[ -z ${allowed[$folder]+set} ]]; then
        echo "layering: $folder/ has no place in the order; add it to $(basename "$0")" >&2
        status=1
        continue
    fi
    while IFS=: read -r file line text; do
        target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/"]+)\/.*/\1/' <<<"$text")
        [[ $target == "$folder" ]] && continue
        if [[ " ${allowed[$folder]} " != *" $target "* ]]; then
            echo "layering: ${file#"$src"/}:$line includes $target/, which $folder/ must not use" >&2
            status=1
        fi
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "$dir" \
                 --include='*.h' --include='*.cpp' --include='*.in')
done
exit $status
