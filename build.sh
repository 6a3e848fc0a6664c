#!/usr/bin/env bash
# Installs what the build needs, builds, and runs one job:
#   ./build.sh preview   render the map's default preview to preview.png
#   ./build.sh test      build and run every test, in the release and the sanitizer builds
#                        (ASan + UBSan, TSan), the look-dev page in headless Chromium, then
#                        the Windows module under Wine while each fuzz target runs for 40 s
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libopenimageio-dev libopenexr-dev libcli11-dev nlohmann-json3-dev libtbb-dev libcpp-httplib-dev
          python3-dev pybind11-dev python3-numpy)
# The Python module's tests: pytest, and OpenImageIO to read the tool's images.
python_test_packages=(python3-pytest python3-openimageio)
# The look-dev page's browser test: headless Chromium driven by Selenium.
browser_test_packages=(chromium chromium-driver python3-selenium python3-pytest)
# The fuzz targets: clang and its libFuzzer runtime.
fuzz_packages=(clang libclang-rt-14-dev)

install_deps() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# build PRESET [TARGET...]: all of the preset's targets, or only those named.
build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" ${2:+--target "${@:2}"}
}

# Each step's wall time, so that a slow CI run shows where its time went.
step_start=$SECONDS
step_done() {
    echo "== $1: $((SECONDS - step_start)) s"
    step_start=$SECONDS
}

job=${1:-}
case "$job" in
preview)
    install_deps "${packages[@]}"
    build release
    ./build/release/tools/quorv-scratches render -o preview.png
    echo "wrote preview.png"
    ;;
test)
    install_deps "${packages[@]}" "${python_test_packages[@]}" "${browser_test_packages[@]}" \
        "${fuzz_packages[@]}"
    step_done "packages"
    for preset in release debug tsan; do
        build "$preset"
        step_done "$preset build"
        ctest --preset "$preset" -j "$(nproc)"
        step_done "$preset tests"
        # The look-dev page in a real browser, against the release build.
        if [[ $preset == release ]]; then
            tests/serve/run.sh
            step_done "browser test"
        fi
    done
    # The fuzz targets alone: the rest of that tree (the tool, its man page) is never run there.
    build fuzz fuzz_pattern fuzz_scene fuzz_preset fuzz_eval_input fuzz_api
    step_done "fuzz build"
    # Each fuzz run lasts a set time whatever else runs, so the runs go beside the Windows
    # module under Wine (tests/windows/run.sh installs MinGW-w64, Wine, Xvfb, then builds).
    fuzz/run.sh build/fuzz 40 > build/fuzz/runs.log 2>&1 &
    fuzz_runs=$!
    trap 'kill "$fuzz_runs" 2>/dev/null || true' EXIT
    tests/windows/run.sh
    step_done "Windows module under Wine"
    fuzz_status=0
    wait "$fuzz_runs" || fuzz_status=$?
    trap - EXIT
    cat build/fuzz/runs.log
    step_done "fuzz runs, after the Windows module"
    exit "$fuzz_status"
    ;;
*)
    echo "usage: ./build.sh preview|test" >&2
    exit 2
    ;;
esac
