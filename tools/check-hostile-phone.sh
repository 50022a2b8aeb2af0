#!/usr/bin/env bash
# check-hostile-phone.sh [--no-build] [BUILD_DIR]
#
# Builds the hostile phone of tools/hostile-phone (FIFOs, sockets, links out
# and looping, case-only twins, names that are not UTF-8 or hold "\", paths
# past PATH_MAX, damaged and lying pictures, sparse files of 2 and 4 GiB, odd
# times and GPS) and lists it with photo-host --quit-when-listed in each
# connection kind, and as libgphoto2's Directory Browse camera serving it,
# thumbnails included (album view). Each run must end with
# exit code 0 within 60 s and a peak memory under 1 GB, and the phone and the
# folder beside it must be unchanged byte for byte. Prints one line per kind.
set -euo pipefail
cd "$(dirname "$0")/.."

build_first=1
if [ "${1:-}" = "--no-build" ]; then
    build_first=0
    shift
fi
build=${1:-build/release}
if [ "$build_first" = 1 ]; then
    scripts/build.sh release photo-host device_photo make-hostile-phone >/dev/null
fi

work=$(mktemp -d)
# rm walks by descriptors: the paths past PATH_MAX go too.
trap 'rm -rf "$work"' EXIT
"$build/bin/make-hostile-phone" "$work/hostile" >"$work/table.txt"
tail -n 1 "$work/table.txt"

# Names, types, sizes, times and link targets of every entry, then the
# contents of every regular file (-execdir reaches the deepest ones).
tree_hash() {
    (
        cd "$work/hostile"
        find . -printf '%p\t%y\t%s\t%T@\t%l\n' | LC_ALL=C sort
        find . -type f -execdir md5sum {} + | LC_ALL=C sort
    ) | md5sum | cut -d' ' -f1
}
before=$(tree_hash)

failed=0
for kind in mass mtp mtp-basic camera; do
    phone=(--phone "$work/hostile/phone" --connection "$kind")
    if [ "$kind" = camera ]; then
        phone=(--camera "Directory Browse" --port "disk:$work/hostile/phone")
    fi
    set +e
    QT_QPA_PLATFORM=offscreen /usr/bin/time -v -o "$work/time-$kind" \
        timeout 60 "$build/bin/photo-host" "${phone[@]}" --config-dir "$work/config-$kind" \
        --view album --quit-when-listed --dump-list "$work/list-$kind.tsv" 2>"$work/stderr-$kind"
    code=$?
    set -e
    seconds=$(sed -n 's/.*Elapsed (wall clock) time.*: //p' "$work/time-$kind")
    peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time-$kind")
    rows=$(($(wc -l <"$work/list-$kind.tsv" 2>/dev/null || echo 1) - 1))
    verdict=ok
    if [ "$code" -ne 0 ] || [ "${peak:-0}" -ge 1048576 ]; then
        verdict=FAILED
        failed=1
        sed 's/^/    /' "$work/stderr-$kind" | grep -v XDG_RUNTIME_DIR | head -20
    fi
    echo "$kind: exit $code, $seconds elapsed, peak $((peak / 1024)) MB, $rows rows listed: $verdict"
done

after=$(tree_hash)
if [ "$before" = "$after" ]; then
    echo "phone and outside folder unchanged: ok"
else
    echo "phone or outside folder CHANGED"
    failed=1
fi
exit "$failed"
