#!/usr/bin/env bash
# snapshot-views.sh OUTDIR [BINDIR]: the sample phone's dump list and
# screenshot in every connection kind and view, and the same phone served
# as a libgphoto2 Directory Browse camera. Run it before and after a change
# to the screen and compare: the .tsv files must be identical.
set -u
out=$1
bin=${2:-$(dirname "$0")/../build/release/bin}
template=$out/template
mkdir -p "$out"
if [ ! -d "$template/data" ]; then
    QT_QPA_PLATFORM=offscreen "$bin/photo-host" --demo --config-dir "$template/data" \
        --quit-when-listed --timeout 120 >/dev/null 2>&1
    rm -rf "$template/phone"
    cp -a "$template/data/cache/sample-phone" "$template/phone"
fi
run() { # name args...
    local name=$1
    shift
    rm -rf "$out/cfg-$name"
    cp -a "$template/data" "$out/cfg-$name"
    xvfb-run -a -s "-screen 0 1280x900x24" "$bin/photo-host" --config-dir "$out/cfg-$name" "$@" \
        --quit-when-listed --timeout 300 --dump-list "$out/$name.tsv" \
        --screenshot "$out/$name.png" >"$out/$name.log" 2>&1
    echo "$name exit $?"
}
for kind in mass mtp mtp-basic; do
    for view in list thumbs album; do
        run "demo-$kind-$view" --demo --connection $kind --view $view
    done
done
for view in list thumbs album; do
    run "camera-$view" --camera "Directory Browse" --port "disk:$template/phone" --view $view
done
