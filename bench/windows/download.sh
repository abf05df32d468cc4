#!/usr/bin/env bash
# Throughput of a 256 MiB download over loopback from the stand-in download server: CGetNetFile on its worker
# thread against a plain WinInet loop in the same process under Wine (bench_download.exe, round by round),
# then curl fetching the same file natively as the outside reference. Needs build/windows and an optimised
# download server (build/bench, or DOWNLOAD_SERVER).
set -euo pipefail
cd "$(dirname "$0")/../.."
rounds=${DOWNLOAD_BENCH_ROUNDS:-5}
size=${DOWNLOAD_BENCH_BYTES:-268435456}
server=${DOWNLOAD_SERVER:-build/bench/bin/download_server}
work=$(mktemp -d)
trap 'curl -s -X POST -d "" "http://127.0.0.1:$port/_control/shutdown" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
"$server" --port-file "$work/port" --lifetime 1200 >/dev/null 2>&1 &
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")
url="http://127.0.0.1:$port/bytes/$size/big.bin"

build/windows/wine-run build/windows/bin/bench_download.exe "$url" "$rounds"

rates=()
for _ in $(seq "$rounds"); do
  rates+=("$(curl -s -o "$work/curl.bin" -w '%{speed_download}' "$url")")
done
printf '%s\n' "${rates[@]}" | python3 -c '
import sys
rates = sorted(float(line) / 1e6 for line in sys.stdin)
print(f"curl (native, outside reference): median {rates[len(rates) // 2]:.1f} MB/s over {len(rates)} runs")'
