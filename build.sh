#!/usr/bin/env bash
# Installs what is missing (Debian 12), builds Korel and runs it or its tests.
#   ./build.sh run [edition]   build, then start korel-live (or korel-cd / korel-mp3)
#   ./build.sh test            build normally, in Release and with sanitizers, run every test
#                              and the fuzzers
#   ./build.sh install [PREFIX]  build Release and install into PREFIX (/usr/local); uninstall
#                              with: xargs -d '\n' rm -f < build-install/install_manifest.txt
#   ./build.sh deps            only install the packages
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(build-essential cmake pkg-config clang llvm libclang-rt-14-dev
  libsdl2-dev libsdl2-ttf-dev libpulse-dev libsndfile1-dev libsamplerate0-dev libcdio-dev libcdio-paranoia-dev
  libgtk-3-dev libx11-dev libxrandr-dev libpng-dev zlib1g-dev libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation2 fonts-dejavu-core xvfb x11-utils imagemagick pulseaudio pulseaudio-utils
  desktop-file-utils libglib2.0-bin xscreensaver xdotool ffmpeg)

# sudo when not root.
sudo_if_needed() {
  if [ "$(id -u)" -ne 0 ]; then sudo "$@"; else "$@"; fi
}

deps() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  sudo_if_needed apt-get update -q
  sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
}

jobs() { nproc 2>/dev/null || echo 2; }

build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  cmake --build "$dir" -j"$(jobs)"
}

# Xvfb and a private PulseAudio with a null sink, for the tests that need a display or sound.
services() {
  if [ -z "${DISPLAY:-}" ]; then
    export DISPLAY=:77
    Xvfb :77 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  fi
  if ! pactl info >/dev/null 2>&1; then
    export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
    pulseaudio -D --exit-idle-time=-1 -n --system=false --disallow-exit \
      --load=module-null-sink --load=module-native-protocol-unix >/dev/null 2>&1 || true
    for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  fi
}

case "${1:-run}" in
  deps) deps ;;
  run)
    deps
    build build
    exec "./build/shell/korel-${2:-live}"
    ;;
  install)
    deps
    prefix=$(realpath -m "${2:-/usr/local}")
    build build-install -DCMAKE_BUILD_TYPE=Release -DKOREL_BENCH=OFF -DKOREL_TESTS=OFF
    # sudo only for a prefix this user cannot write to.
    target=$prefix
    while [ ! -e "$target" ]; do target=$(dirname "$target"); done
    if [ -w "$target" ]; then
      cmake --install build-install --prefix "$prefix"
    else
      sudo cmake --install build-install --prefix "$prefix"
    fi
    echo "Installed into $prefix. To uninstall (your data folder stays):"
    echo "  xargs -d '\\n' rm -f < build-install/install_manifest.txt   (with sudo if it was needed)"
    ;;
  test)
    deps
    services
    build build
    (cd build && ctest --output-on-failure -j"$(jobs)")
    # Packagers build Release: its optimiser raises warnings the default build does not.
    build build-release -DCMAKE_BUILD_TYPE=Release -DKOREL_BENCH=OFF
    build build-asan -DKOREL_SANITIZE=ON -DKOREL_BENCH=OFF
    (cd build-asan && ctest --output-on-failure -j"$(jobs)")
    if [ -x tools/ci/fuzz.sh ]; then
      tools/ci/fuzz.sh
      tools/ci/fuzz_coverage.sh
    fi
    ;;
  *) echo "usage: $0 run [live|cd|mp3] | test | install [PREFIX] | deps" >&2; exit 2 ;;
esac
