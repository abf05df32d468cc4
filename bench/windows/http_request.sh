#!/usr/bin/env bash
# Requests per second of a small signed POST against the stand-in structure service: the add-in's pipeline
# under Wine beside a plain WinInet loop in the same process (bench_http_request.exe), then curl sending the
# very request the service recorded, in the same run against the same service. Needs build/bench (the
# optimised service; STRUCTURE_SERVICE names another build of it) and build/windows.
set -euo pipefail
cd "$(dirname "$0")/../.."
count=${HTTP_BENCH_COUNT:-300}
service=${STRUCTURE_SERVICE:-build/bench/bin/structure_service}
work=$(mktemp -d)
trap 'curl -s -X POST -d "" "http://127.0.0.1:$port/_control/shutdown" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
"$service" --port-file "$work/port" --lifetime 600 >/dev/null 2>&1 &
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")

build/windows/wine-run build/windows/bin/bench_http_request.exe "$port" "$count" | tee "$work/msxml"

# The last recorded request, replayed by one curl process that sends it `count` times (one connection each,
# as the service closes every connection).
curl -s "http://127.0.0.1:$port/_control/requests" >"$work/requests"
python3 - "$work" "$port" "$count" <<'PY'
import sys
work, port, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
data = open(f"{work}/requests", "rb").read()
last = data[data.rindex(b"request "):]
headers, path, body = [], None, b""
lines = iter(last.split(b"\n"))
for line in lines:
    if line.startswith(b"path "): path = line[5:].decode()
    elif line.startswith(b"header "):
        name, value = line[7:].decode().split(": ", 1)
        if name.lower() not in ("host", "content-length", "connection", "user-agent", "accept", "accept-encoding"):
            headers.append(f"{name}: {value}")
    elif line.startswith(b"body "):
        body = next(lines); break
open(f"{work}/body", "wb").write(body)
with open(f"{work}/curl.args", "w") as out:
    for h in headers: out.write(f"-H\n{h}\n")
    for _ in range(count): out.write(f"http://127.0.0.1:{port}{path}\n")
PY
start=$(date +%s.%N)
xargs -d '\n' -a "$work/curl.args" curl -s --data-binary "@$work/body" >/dev/null
end=$(date +%s.%N)
python3 - "$start" "$end" "$count" "$work/msxml" <<'PY'
import re, sys
start, end, count = float(sys.argv[1]), float(sys.argv[2]), int(sys.argv[3])
curl = count / (end - start)
report = open(sys.argv[4]).read()
msxml = float(re.search(r"pipeline \(MSXML\): ([0-9.]+) requests/s", report).group(1))
wininet = float(re.search(r"WinInet loop: +([0-9.]+) requests/s", report).group(1))
print(f"curl:  {count} requests in {end - start:.3f} s: {curl:.0f} requests/s")
print(f"ratio to curl: the pipeline {msxml / curl:.2f}, the WinInet loop {wininet / curl:.2f}")
PY
