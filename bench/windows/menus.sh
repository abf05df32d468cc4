#!/usr/bin/env bash
# Time per item of Extension.Setup beside its two peers, all measured inside bench_menus.exe under Wine.
set -euo pipefail
cd "$(dirname "$0")/../.."
build/windows/wine-run build/windows/bin/bench_menus.exe | tr -d '\r'
