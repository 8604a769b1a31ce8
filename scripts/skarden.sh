#!/usr/bin/env bash
# Installs what is missing, builds, and then runs the editor or every test.
#   scripts/skarden.sh run [file.qel|file.xml] [-resolution:WxH]
#   scripts/skarden.sh test
# Under CI=true warnings are errors and the fuzz replays run a second time
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(cmake ninja-build g++ pkg-config git
  libsdl2-dev libsdl2-image-dev libsdl2-mixer-dev libsdl2-ttf-dev
  zlib1g-dev libxxhash-dev libssl-dev libpugixml-dev libsimdjson-dev libspng-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  fonts-liberation libgtest-dev libgmock-dev libbenchmark-dev libzstd-dev tiled python3)

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

# Without the samples beside the clone the tests that read them skip. CI
# runs with shared/ beside its clone, so there a missing folder is a fault of
# the run, not a reason to go green on fewer tests.
check_samples() {
  [[ -f ../shared/samples/SOURCES.md ]] && return 0
  if [[ "${CI:-}" == "true" ]]; then
    echo "error: ../shared/samples is missing; CI runs every test that reads sample files" >&2
    exit 1
  fi
  echo "warning: ../shared/samples is missing; the tests that read sample files will skip" >&2
}

# Only the engine, the editor's library and the replays are built: the
# replays are what feed outside files to the readers.
sanitized_replays() {
  local flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -O1"
  cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSKARDEN_BENCH=OFF \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
  cmake --build build-sanitize -j "$(nproc)" --target fuzz_replays
  (cd build-sanitize &&
    ASAN_OPTIONS=halt_on_error=1:abort_on_error=0:detect_leaks=1 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --output-on-failure -j "$(nproc)" --timeout 900 --no-tests=error -L fuzz)
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
    check_samples
    build
    (cd build && ctest --output-on-failure -j "$(nproc)" --timeout 900 --no-tests=error)
    if [[ "${CI:-}" == "true" ]]; then
      sanitized_replays
    fi
    ;;
  *)
    echo "usage: $0 run [file] [-resolution:WxH] | test" >&2
    exit 2
    ;;
esac
