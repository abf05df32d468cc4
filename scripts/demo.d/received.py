#!/usr/bin/env python3
"""received.py PORT [--verify HEADER FIELDS KEY] [--expect N]: prints the requests a stand-in service on
127.0.0.1:PORT received since it was last asked, then has it forget them. With --verify, the service recomputes
the signature in HEADER over FIELDS ("A|Request_Body") with KEY for each request that carries HEADER. Exits 1 when
the service cannot be reached, fewer than N requests arrived, or a signature does not match."""
import argparse
import sys
import urllib.request

# Headers every request carries whatever the add-in configured; left out to keep the listing short.
ROUTINE = {"accept", "accept-encoding", "accept-language", "cache-control", "connection", "content-length",
           "host", "pragma", "user-agent"}
BODY_SHOWN = 64


def control(port, path, headers=None, method="POST"):
    request = urllib.request.Request(f"http://127.0.0.1:{port}/_control/{path}", data=b"" if method == "POST" else None,
                                     headers=headers or {}, method=method)
    with urllib.request.urlopen(request, timeout=10) as answer:
        return answer.read()


def parse(text):
    """The service's text form: request, method, path, query, header lines, a counted body, end."""
    requests, at = [], 0

    def line():
        nonlocal at
        end = text.index(b"\n", at)
        value, at = text[at:end].decode("latin-1"), end + 1
        return value

    while at < len(text):
        request = {"headers": []}
        for keyword in ("request", "method", "path", "query"):
            request[keyword] = line().partition(" ")[2]
        while (field := line()).startswith("header "):
            name, _, value = field[len("header "):].partition(": ")
            request["headers"].append((name, value))
        length = int(field.partition(" ")[2])
        request["body"] = text[at:at + length]
        at += length + 1
        if line() != "end":
            raise ValueError("the service's list of requests is not in its text form")
        requests.append(request)
    return requests


def shown_body(body):
    text = body.decode("latin-1")
    lines = text.count("\n") + 1
    flat = text.replace("\r", "").replace("\n", "")
    shortened = flat if len(flat) <= BODY_SHOWN else flat[:BODY_SHOWN] + "..."
    return f"{len(body)} bytes" + (f" in {lines} lines" if lines > 1 else "") + f": {shortened}"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("port", type=int)
    parser.add_argument("--verify", nargs=3, metavar=("HEADER", "FIELDS", "KEY"))
    parser.add_argument("--expect", type=int, default=1)
    options = parser.parse_args()
    try:
        requests = parse(control(options.port, "requests", method="GET"))
        good = len(requests) >= options.expect
        for request in requests:
            target = request["path"] + ("?" + request["query"] if request["query"] else "")
            print(f"  {request['method']} {target}")
            for name, value in request["headers"]:
                if name.lower() in ROUTINE:
                    continue
                note = ""
                if options.verify and name.lower() == options.verify[0].lower():
                    header, fields, key = options.verify
                    verdict = control(options.port, "verify", {"Verify-Request": request["request"],
                                                               "Verify-Header": header, "Verify-Fields": fields,
                                                               "Verify-Key": key}).decode().strip()
                    good = good and verdict == "valid"
                    note = (f"   (valid: the service signs {fields} with \"{key}\" alike)" if verdict == "valid"
                            else f"   (INVALID: the service computes {verdict.split()[-1]})")
                print(f"    {name}: {value}{note}")
            if request["body"]:
                print(f"    body, {shown_body(request['body'])}")
        if len(requests) < options.expect:
            print(f"  (expected at least {options.expect} requests, received {len(requests)})")
        control(options.port, "reset")
    except (OSError, ValueError) as failure:
        print(f"  (cannot read what the service on port {options.port} received: {failure})")
        return 1
    return 0 if good else 1


if __name__ == "__main__":
    sys.exit(main())
