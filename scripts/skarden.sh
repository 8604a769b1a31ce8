#!/usr/bin/env bash
# Installs what is missing, builds, and then runs the editor or every test.
#   scripts/skarden.sh run [file.qel|file.xml] [-resolution:WxH]
#   scripts/skarden.sh test
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(cmake ninja-build g++ pkg-config git
  libsdl2-dev libsdl2-image-dev libsdl2-mixer-dev libsdl2-ttf-dev
  zlib1g-dev libxxhash-dev libssl-dev libpugixml-dev libsimdjson-dev libspng-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  fonts-liberation libgtest-dev libgmock-dev libbenchmark-dev libzstd-dev tiled)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

build() {
  local werror=OFF
  [[ "${CI:-}" == "true" ]] && werror=ON
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKARDEN_WERROR=$werror >/dev/null
  cmake --build build -j "$(nproc)"
}

case "${1:-}" in
  run)
    shift
    install_missing
    build
    exec build/app/Skarden "$@"
    ;;
  test)
    install_missing
    build
    cd build
    ctest --output-on-failure -j "$(nproc)" --timeout 900
    ;;
  *)
    echo "usage: $0 run [file] [-resolution:WxH] | test" >&2
    exit 2
    ;;
esac
