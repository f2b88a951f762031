#!/usr/bin/env bash
# Configures and builds into build/ (Ninja, RelWithDebInfo); with --asan, into build-asan/ with
# AddressSanitizer and UndefinedBehaviorSanitizer, every finding fatal.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ "${1:-}" == "--asan" ]]; then
    kiemTra="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_FLAGS="$kiemTra" -DCMAKE_CXX_FLAGS="$kiemTra" \
        -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
    cmake --build build-asan --parallel "${KORVANE_JOBS:-$(nproc)}"
    exit 0
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "${KORVANE_JOBS:-$(nproc)}"
