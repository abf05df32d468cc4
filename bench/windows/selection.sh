#!/usr/bin/env bash
# The selection checks on growing selections in the stand-in drawing host, under Wine; the harness measures
# its own peer (one pass over the selected atoms) in the same run. Needs build/windows.
set -euo pipefail
cd "$(dirname "$0")/../.."
build/windows/wine-run build/windows/bin/bench_selection.exe
