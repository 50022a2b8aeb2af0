#!/usr/bin/env bash
# Sets up, builds and runs photo-host on a generated sample phone. Without a
# display it runs headless and writes a screenshot (default photo-host.png).
# Extra arguments go to photo-host.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh release photo-host device_photo

host=build/release/bin/photo-host
args=(--demo "$@")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    shot=${PHOTO_SCREENSHOT:-photo-host.png}
    echo "run: no display, running headless; screenshot in $shot"
    exec xvfb-run -a -s "-screen 0 1280x900x24" "$host" "${args[@]}" --quit-when-listed --screenshot "$shot"
fi
exec "$host" "${args[@]}"
