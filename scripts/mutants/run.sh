#!/usr/bin/env bash
# Puts one known fault at a time back into the sources, builds, runs the
# whole suite and says whether a test caught it. Each *.patch beside this
# script is one small fault (git diff against the sources); a fault the
# suite passes with "survived" and wants a test. The sources are restored
# after each, also when the run is interrupted.
#
#   bash scripts/mutants/run.sh [-B BUILD_DIR] [-j JOBS] [PATCH...]
#
# Without PATCH every fault here is tried. The build folder must be
# configured already (see README.md). Exit 0 when every fault was caught.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$root/build
jobs=4
while getopts "B:j:" opt; do
    case $opt in
    B) build=$(cd "$OPTARG" && pwd) ;;
    j) jobs=$OPTARG ;;
    *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
[ $# -gt 0 ] || set -- "$here"/*.patch
logs=$build/mutants
mkdir -p "$logs"

applied=""
restore() {
    [ -n "$applied" ] && git -C "$root" apply -R "$applied"
    applied=""
}
trap 'restore; exit 130' INT TERM
trap restore EXIT

failed=0
for patch in "$@"; do
    patch=$(cd "$(dirname "$patch")" && pwd)/$(basename "$patch")
    name=$(basename "$patch" .patch)
    if ! git -C "$root" apply "$patch" 2>"$logs/$name.apply.log"; then
        echo "$name: does not apply to the sources (see $logs/$name.apply.log)"
        failed=1
        continue
    fi
    applied=$patch
    if ! cmake --build "$build" -j"$jobs" >"$logs/$name.build.log" 2>&1; then
        verdict="caught by the build (see $logs/$name.build.log)"
    elif (cd "$build" && ctest -j"$jobs" --timeout 900 >"$logs/$name.test.log" 2>&1); then
        verdict="SURVIVED: the whole suite passes with it"
        failed=1
    else
        # ctest lists each failure as "  <n> - <test> (<why>)" below its
        # FAILED line; skipped tests are listed the same way above it.
        verdict="caught by $(sed -n '/tests FAILED:/,$s/^[[:space:]]*[0-9]* - \(.*\) (.*)$/\1/p' "$logs/$name.test.log" | paste -sd ' ')"
    fi
    restore
    echo "$name: $verdict"
done
# Leave the build matching the restored sources.
cmake --build "$build" -j"$jobs" >"$logs/restore.build.log" 2>&1 || { echo "rebuild failed: $logs/restore.build.log"; failed=1; }
exit $failed
