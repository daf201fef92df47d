#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/setup.sh
vk_install
vk_build build Release
ctest --test-dir build --output-on-failure -j "$(nproc)"
