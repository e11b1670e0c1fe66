#!/usr/bin/env bash
# Builds MERLOX with the address and undefined-behaviour sanitizers (installing
# what is missing), the benchmarks included so that they keep compiling (they
# are not run here), and runs every test. The layers are shared libraries here,
# so that the test programs stay small on disk. Exits non-zero on any failure.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

merlox_install_packages
merlox_build "$MERLOX_ROOT/build/test" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMERLOX_SANITIZE=ON -DMERLOX_BENCH=ON \
  -DMERLOX_SHARED_LIBS=ON
cd "$MERLOX_ROOT/build/test"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
