#!/usr/bin/env bash
# Installs what is missing, builds, and then runs the editor or every test.
#   scripts/skarden.sh run [file.qel|file.xml] [-resolution:WxH]
#   scripts/skarden.sh test
# Under CI=true warnings are errors, the whole suite runs a second time under
# AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer, and every
# fuzz target runs for a short fixed budget (clang).
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(cmake ninja-build g++ pkg-config git
  libsdl2-dev libsdl2-image-dev libsdl2-mixer-dev libsdl2-ttf-dev
  zlib1g-dev libxxhash-dev libssl-dev libpugixml-dev libsimdjson-dev libspng-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  fonts-liberation libgtest-dev libgmock-dev libbenchmark-dev libzstd-dev tiled python3
  clang libclang-rt-14-dev)

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

# Builds the targets named (every target when none is): a run needs only
# the editor, not the tests and benchmarks.
build() {
  local werror=OFF
  [[ "${CI:-}" == "true" ]] && werror=ON
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSKARDEN_WERROR=$werror >/dev/null
  cmake --build build -j "$(nproc)" ${1:+--target "$@"}
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

# The whole suite once more under AddressSanitizer, UndefinedBehaviorSanitizer
# and LeakSanitizer (the fuzz replays among it): any report fails the run.
# Leaks are suppressed only inside system libraries (tests/lsan.supp); the
# options hold for the build too, whose test listing runs the programs.
# Left out: the pictures drawn beside Tiled's renderer (generated, made and
# sample maps), whose time goes to tmxrasterizer and comparing pixels; the
# engine reads, stores and exports every sample and made map here too
# (SampleMapsComeBackFromStoredTextAndExport, the tab's round trip).
sanitized_suite() (
  local flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -O1"
  export ASAN_OPTIONS=halt_on_error=1:abort_on_error=0:detect_leaks=1
  export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
  cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSKARDEN_BENCH=OFF \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
  cmake --build build-sanitize -j "$(nproc)"
  cd build-sanitize && ctest --output-on-failure -j "$(nproc)" --timeout 900 --no-tests=error -E 'DrawLikeTiledsRenderer'
)

# Each fuzz target from its corpus and regressions, for a fixed number of
# runs from a fixed seed, so that a change to a reader meets the fuzzer
# before it lands and a failure comes back the same. What it finds goes to
# build-fuzz/found/<target>/, the inputs it adds to a scratch folder.
FUZZ_RUNS=3000
fuzz_briefly() {
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DSKARDEN_FUZZ=ON -DSKARDEN_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all" \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fsanitize=fuzzer-no-link -DFUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION" \
    -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
  local targets=()
  for src in fuzz/*_fuzz.cpp; do targets+=("$(basename "$src" .cpp)"); done
  cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]}"
  rm -rf build-fuzz/found build-fuzz/scratch
  printf '%s\n' "${targets[@]}" | xargs -P "$(nproc)" -I{} bash -c '
    mkdir -p build-fuzz/found/{} build-fuzz/scratch/{}
    if ! SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=1 \
        LSAN_OPTIONS=suppressions=tests/lsan.supp UBSAN_OPTIONS=print_stacktrace=1 \
        build-fuzz/fuzz/{} -seed=1 -runs='"$FUZZ_RUNS"' -timeout=300 -rss_limit_mb=2560 \
        -artifact_prefix=build-fuzz/found/{}/ build-fuzz/scratch/{} \
        tests/fuzz/corpus/{} $(ls -d tests/fuzz/regressions/{} 2>/dev/null) >build-fuzz/found/{}.log 2>&1; then
      tail -n 60 build-fuzz/found/{}.log
      echo "error: {} failed; its input is in build-fuzz/found/{}/" >&2
      exit 255
    fi
    echo "{}: $(grep -o "Done [0-9]* runs in [0-9]* second(s)" build-fuzz/found/{}.log)"'
}

case "${1:-}" in
  run)
    shift
    install_missing
    build Skarden
    exec build/app/Skarden "$@"
    ;;
  test)
    install_missing
    check_samples
    build
    (cd build && ctest --output-on-failure -j "$(nproc)" --timeout 900 --no-tests=error)
    if [[ "${CI:-}" == "true" ]]; then
      sanitized_suite
      fuzz_briefly
    fi
    ;;
  *)
    echo "usage: $0 run [file] [-resolution:WxH] | test" >&2
    exit 2
    ;;
esac
