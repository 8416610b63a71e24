#!/usr/bin/env bash
# Times velmorant-cli repairing a generated recorder file against cp of the
# same file followed by sync of the copy, paired and alternating, and prints
# per size the median times, the median of the per-round ratios and the peak
# memory of each (GNU time's maximum resident set size). Then the same for
# folders of many files (velmorant-cli --folder against cp of every file and
# one sync -f of the destination's file system), then a folder of copies of a
# real recording with many signals, damaged as the recorder writes its files,
# and repairs a large file once for its peak memory. For people, not CI: the
# figures depend on the machine and on what else runs on it.
#
# Environment: ROUNDS (default 7), SIZES in MiB (default "64 512"; empty
# skips them), FOLDERS as COUNTxSIZE with the size in MiB or, with a k, in
# KiB (default "1000x16k 500x1024k 3000x16k"; empty skips them), CLI for
# another velmorant-cli (one built from an earlier commit, say), MEMORY_SIZES
# in MiB for the memory-only run (default "4096"; empty skips it), BENCH_DIR
# for the generated recordings (default build-bench/data, on the repository's
# disk), COPY_DIR for the copies (default BENCH_DIR; a folder on another file
# system measures the copy across file systems), REPAIR_ARGS for more
# velmorant-cli arguments (e.g. --thorough), REAL_FILE for the real recording
# (default ../shared/testdata/edf/mne_test.edf, 140 signals; skipped where
# absent) and REAL_COPIES for how many copies (default 500; empty skips
# them), EXT4_SIZE (as root, e.g. 8G) to run everything on an ext4 with its
# journal, as mkfs.ext4 makes it, on a loop device made for the run, and
# EXT4_WRITTEN=1 to write that device's image file through first.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds="${ROUNDS:-7}"
sizes="${SIZES-64 512}"
folders="${FOLDERS-1000x16k 500x1024k 3000x16k}"
memory_sizes="${MEMORY_SIZES-4096}"
real_file="${REAL_FILE:-../shared/testdata/edf/mne_test.edf}"
real_copies="${REAL_COPIES-500}"
build=build-bench
mount_point="$build/ext4"

scripts/build.sh bench >/dev/null
cli="${CLI:-$build/cli/velmorant-cli}"

cleanup() {
    if [[ -n "${data:-}" ]]; then
        rm -rf "$data"/recording-* "$copies/copy.edf" "$data/folder" "$copies/folder-copy"
    fi
    if [[ -n "${EXT4_SIZE:-}" ]] && mountpoint -q "$mount_point"; then
        umount "$mount_point" && rm -f "$build/ext4.img"
    fi
}
trap cleanup EXIT
if [[ -n "${EXT4_SIZE:-}" ]]; then
    mkdir -p "$mount_point"
    truncate -s "$EXT4_SIZE" "$build/ext4.img"
    if [[ -n "${EXT4_WRITTEN:-}" ]]; then
        # As a disk's blocks are there: in the sparse image a block written
        # for the first time must also be allocated in the file system that
        # holds the image. Not discarded, which would make it sparse again.
        dd if=/dev/zero of="$build/ext4.img" bs=16M conv=notrunc,fsync status=none \
            count=$(($(stat -c %s "$build/ext4.img") / (16 << 20)))
        mkfs.ext4 -q -F -E nodiscard "$build/ext4.img"
    else
        mkfs.ext4 -q -F "$build/ext4.img"
    fi
    mount -o loop "$build/ext4.img" "$mount_point"
fi
data="${BENCH_DIR:-$([[ -n "${EXT4_SIZE:-}" ]] && echo "$mount_point/data" || echo "$build/data")}"
copies="${COPY_DIR:-$data}"
mkdir -p "$data" "$copies"

# Runs a command under GNU time; prints "microseconds peak-KiB". Each run
# writes the same copy, removed first, with nothing left to write back from
# earlier runs, so that both commands start from the same state.
measure() {
    local report="$data/time-report"
    rm -rf "$copy"
    if [[ $copy == */folder-copy ]]; then mkdir "$copy"; fi
    sync
    local start end
    start=$(date +%s%N)
    /usr/bin/time -v -o "$report" "$@" >/dev/null
    end=$(date +%s%N)
    echo "$(((end - start) / 1000)) $(awk -F': ' '/Maximum resident set size/ {print $2}' "$report")"
}

copy="$copies/copy.edf"
read -r -a repair_args <<<"${REPAIR_ARGS:-}"
repair() { measure "$cli" "${repair_args[@]}" "$1" "$copy"; }
copy_and_sync() { measure sh -c 'cp -- "$1" "$2" && sync -- "$2"' sh "$1" "$copy"; }

ms() { awk -v us="$1" 'BEGIN { print us / 1000 }'; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
largest() { sort -n | tail -n 1; }

# Runs ROUNDS pairs of repair_it and copy_it on $1, alternating which goes
# first, so that neither always meets a cooler cache; prints the medians.
compare() {
    : >"$data/repair" && : >"$data/copy" && : >"$data/ratio"
    for ((round = 1; round <= rounds; round++)); do
        if ((round % 2)); then
            read -r repair_us repair_kib < <(repair_it "$1")
            read -r copy_us copy_kib < <(copy_it "$1")
        else
            read -r copy_us copy_kib < <(copy_it "$1")
            read -r repair_us repair_kib < <(repair_it "$1")
        fi
        echo "$repair_us $repair_kib" >>"$data/repair"
        echo "$copy_us $copy_kib" >>"$data/copy"
        ratio=$(awk -v a="$repair_us" -v b="$copy_us" 'BEGIN { printf "%.3f", a / b }')
        echo "$ratio" >>"$data/ratio"
        printf '  round %d: repair %8.1f ms %6d KiB   cp+sync %8.1f ms %6d KiB   ratio %s\n' \
            "$round" "$(ms "$repair_us")" "$repair_kib" "$(ms "$copy_us")" "$copy_kib" "$ratio"
    done
    printf '  median: repair %.1f ms, cp+sync %.1f ms, ratio %s (target <= %s)\n' \
        "$(ms "$(cut -d' ' -f1 "$data/repair" | median)")" \
        "$(ms "$(cut -d' ' -f1 "$data/copy" | median)")" \
        "$(median <"$data/ratio")" "$2"
    printf '  peak memory: repair %s KiB, cp+sync %s KiB (target <= 8192 KiB)\n' \
        "$(cut -d' ' -f2 "$data/repair" | largest)" "$(cut -d' ' -f2 "$data/copy" | largest)"
}

repair_it() { repair "$1"; }
copy_it() { copy_and_sync "$1"; }
for size in $sizes; do
    source="$data/recording-$size.edf"
    "$build/bench/make_recording" "$source" "$size"
    echo "== $size MiB, $rounds rounds (time in ms, peak memory in KiB)"
    compare "$source" 1.05
    rm -f "$source" "$copy"
done

copy="$copies/folder-copy"
repair_it() { measure "$cli" "${repair_args[@]}" --folder "$1" "$copy"; }
copy_it() { measure sh -c 'cp -- "$1"/* "$2"/ && sync -f -- "$2"' sh "$1" "$copy"; }
for folder in $folders; do
    count="${folder%x*}" size="${folder#*x}"
    rm -rf "$data/folder" && mkdir "$data/folder"
    "$build/bench/make_recording" "$data/folder/0.edf" "$size"
    for ((i = 1; i < count; i++)); do cp "$data/folder/0.edf" "$data/folder/$i.edf"; done
    echo "== folder of $count files of $size, $rounds rounds (time in ms, peak memory in KiB)"
    compare "$data/folder" 1.3
    rm -rf "$data/folder" "$copy"
done
if [[ -n "$real_copies" && -f "$real_file" ]]; then
    rm -rf "$data/folder" && mkdir "$data/folder"
    "$build/bench/make_recording" --recorder-copy "$real_file" "$data/folder/0.edf"
    for ((i = 1; i < real_copies; i++)); do cp "$data/folder/0.edf" "$data/folder/$i.edf"; done
    echo "== folder of $real_copies copies of $(basename "$real_file") as the recorder writes it," \
        "$rounds rounds (time in ms, peak memory in KiB)"
    compare "$data/folder" 1.3
    rm -rf "$data/folder" "$copy"
fi
copy="$copies/copy.edf"

for size in $memory_sizes; do
    source="$data/recording-$size.edf"
    "$build/bench/make_recording" "$source" "$size"
    read -r repair_us repair_kib < <(repair "$source")
    printf '== %s MiB, once: repair %.1f s, peak memory %s KiB (target <= 8192 KiB)\n' \
        "$size" "$(awk -v us="$repair_us" 'BEGIN { print us / 1000000 }')" "$repair_kib"
    rm -f "$source" "$copy"
done
rm -f "$data/repair" "$data/copy" "$data/ratio" "$data/time-report"
