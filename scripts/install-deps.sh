#!/usr/bin/env bash
# Installs every Debian 12 package Korvane Zize needs to build, run and test.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

PACKAGES=(
    # build
    cmake ninja-build pkg-config g++
    # libraries
    qt6-base-dev qt6-multimedia-dev qt6-svg-dev qtkeychain-qt6-dev libqt6svg6
    libavcodec-dev libavformat-dev libavdevice-dev libavutil-dev libswscale-dev libavfilter-dev
    libzbar-dev libzxing-dev
    nlohmann-json3-dev libsimdjson-dev
    libssl-dev libcurl4-openssl-dev libcpp-httplib-dev
    # HTTPS to the sales platforms checks certificates against the system's trust store; the openssl tool
    # serves an untrusted certificate in the transport's tests
    ca-certificates openssl
    libgtest-dev libgmock-dev libbenchmark-dev
    # lrelease and its CMake functions, for our Vietnamese translation of Qt's own dialogs
    qt6-l10n-tools qt6-tools-dev
    # running: fonts with Vietnamese, the FFmpeg media backend, GStreamer plugins
    fonts-dejavu-core qt6-image-formats-plugins
    gstreamer1.0-libav gstreamer1.0-plugins-good
    # the reader bench's references (zbarimg, ZXingReader)
    zbar-tools zxing-cpp-tools
    # tests and headless running
    ffmpeg xvfb xauth gnome-keyring dbus dbus-x11 libsecret-tools xdotool
    chromium desktop-file-utils
)

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq "${PACKAGES[@]}"
