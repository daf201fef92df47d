#!/usr/bin/env bash
# Installs what is missing, builds a release build into build/ and runs the
# program's main job.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/setup.sh
vk_install
vk_build build Release
exec build/vantori-kelmora "$@"
