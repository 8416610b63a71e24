# shellcheck shell=bash
# Sourced by the recipe tests: a generated tree of recordings and one whole
# run to hold the recipes' destinations against.

skip() {
    echo "SKIP: $*"
    exit 77
}

# make_tree SAMPLE FOLDER: 40 recordings in sub-folders, each of other bytes.
make_tree() {
    local i folder
    for ((i = 1; i <= 40; i++)); do
        folder="$2/night$((i % 4))/part$((i % 3))"
        mkdir -p "$folder"
        cp "$1" "$folder/rec$i.edf"
        printf '%08d' "$i" | dd of="$folder/rec$i.edf" bs=1 seek=1000 conv=notrunc status=none
    done
}

# same_as_whole_run CLI SOURCE DESTINATION: the destination holds exactly
# what one run over the whole tree writes, byte for byte.
same_as_whole_run() {
    local whole
    whole="$(dirname "$3")/whole-run"
    mkdir -p "$whole"
    "$1" --recursive --folder "$2" "$whole" >/dev/null
    diff -r "$whole" "$3"
}
