#!/usr/bin/env bash
# Installs what is missing, builds the tests with address and undefined-behaviour sanitizers and
# runs every test; the GUI tests run under a virtual X server. The fuzz targets are built too and
# run for 25 seconds each as tests.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
build="$top/build-test"
# The fuzz targets (clang, libFuzzer), which CTest runs for a bounded time next to the tests.
fuzz="$top/build-fuzz"
cmake -S "$top" -B "$fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DTESSALY_FUZZ=ON >/dev/null
cmake --build "$fuzz" -j "$(nproc)"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTESSALY_SANITIZE=ON -DTESSALY_BENCH=OFF \
    -DTESSALY_FUZZ_BUILD="$fuzz" >/dev/null
cmake --build "$build" -j "$(nproc)"
# The Khronos glTF validator, which the export tests run on what Tessaly writes.
"$top/scripts/install_gltf_validator.sh" "$build"
# The leak check's walk of dynamically loaded libraries' thread-local storage crashes on the GL
# driver's (a corrupt entry, "Tracer caught signal 11"): it is not tracked. Static thread-local
# storage, stacks, globals and the heap are still searched for pointers.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:intercept_tls_get_addr=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$top/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1
cd "$build"
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j "$(nproc)" "$@"
