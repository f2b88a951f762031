#!/usr/bin/env bash
# Installs everything, builds and runs the whole test suite, then runs it again built with
# AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/ (any report fails the run).
# The credential tests talk to a real Secret Service: a private session bus and an unlocked
# gnome-keyring are started for the run and end with it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
bash scripts/build.sh --asan
export KORVANE_TEST_HOME
KORVANE_TEST_HOME="$(mktemp -d)"
trap 'rm -rf "$KORVANE_TEST_HOME"' EXIT
# The keyring keeps its files under a throw-away home so no real keyring is touched.
HOME="$KORVANE_TEST_HOME" XDG_DATA_HOME="$KORVANE_TEST_HOME/.local/share" \
    dbus-run-session -- bash -c '
        printf "%s" "korvane-test" | gnome-keyring-daemon --unlock --components=secrets >/dev/null 2>&1 || true
        set -e
        (cd build && ctest --output-on-failure --parallel "$(nproc)" --timeout 900)
        # Leak checking stays off: the only leaks are inside Qt'"'"'s FFmpeg media plugin. The tests of a failing
        # disk preload a library of their own ahead of the sanitizer runtime, which it would otherwise refuse.
        # Instrumented code runs a few times slower, so half as many tests run at once, and a failed test is run
        # once more: the ones that film a paced camera in real time can run out of time when the machine is busy.
        (cd build-asan &&
            ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:verify_asan_link_order=0 \
            UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            ctest --output-on-failure --parallel "$(( $(nproc) > 1 ? $(nproc) / 2 : 1 ))" --timeout 1800 \
                --repeat until-pass:2)
    '
