#!/usr/bin/env bash
# Installs everything, builds and starts Korvane Zize. Without a display it starts under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
export QT_MEDIA_BACKEND=ffmpeg
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1440x900x24" ./build/KorvanePack/KorvanePack "$@"
fi
exec ./build/KorvanePack/KorvanePack "$@"
