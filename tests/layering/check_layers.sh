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
    [reference]="state ui output data"
    [journal]="reference state ui output data"
    [timesheet]="state ui output data"
    [reports]="reference state ui output data"
    [app]="journal timesheet reports reference state ui output data"
)

status=0
folders=()
rules=""
for dir in "$src"/*/; do
    folder=$(basename "$dir")
    if [[ -z ${allowed[$folder]+set} ]]; then
        echo "layering: $folder/ has no place in the order; add it to $(basename "$0")" >&2
        status=1
        continue
    fi
    folders+=("$folder")
    rules+="$folder ${allowed[$folder]}"$'\n'
done
((${#folders[@]})) || exit $status

# One pass over every include line of the tree: grep gives "folder/file:line:text".
cd "$src" || exit 1
awk -v rules="$rules" '
    BEGIN {
        n = split(rules, line, "\n")
        for (i = 1; i <= n; i++) {
            k = split(line[i], word, " ")
            for (j = 2; j <= k; j++)
                may[word[1], word[j]] = 1
        }
    }
    {
        file = $0
        sub(/:.*/, "", file)
        rest = substr($0, length(file) + 2)
        at = rest
        sub(/:.*/, "", at)
        text = substr(rest, length(at) + 2)
        folder = file
        sub(/\/.*/, "", folder)
        match(text, /"[^\/"]+\//)
        target = substr(text, RSTART + 1, RLENGTH - 2)
        if (target != folder && !((folder, target) in may)) {
            printf "layering: %s:%s includes %s/, which %s/ must not use\n", file, at, target,
                   folder > "/dev/stderr"
            failed = 1
        }
    }
    END { exit failed }
' < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "${folders[@]}" \
          --include='*.h' --include='*.cpp' --include='*.in') || status=1
exit $status
