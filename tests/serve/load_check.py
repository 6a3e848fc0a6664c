#!/usr/bin/env python3
"""A bounded load test of `quorv-scratches serve` on loopback: CLIENTS clients at once for
SECONDS, each sending previews, presets, checks and now and then a bake, as tabs of the page do.
It fails on any reply but 200 and the documented refusals (409 for a superseded render or a
cancelled job, 429 for a bake while another runs), when the server's memory at the end is more
than 10 % above its memory after the first minute, or when it no longer answers.

    tests/serve/load_check.py [--clients 16] [--seconds 90] [--tool build/release/tools/quorv-scratches]

Only 127.0.0.1 is ever addressed; every loop is bounded in time and count.
"""

import argparse
import http.client
import json
import pathlib
import random
import re
import socket
import subprocess
import sys
import threading
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent.parent


def rss_kib(pid):
    text = pathlib.Path(f"/proc/{pid}/status").read_text()
    return int(re.search(r"VmRSS:\s+(\d+)", text).group(1))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--clients", type=int, default=16)
    ap.add_argument("--seconds", type=float, default=90)
    ap.add_argument("--tool", default=str(ROOT / "build/release/tools/quorv-scratches"))
    args = ap.parse_args()

    with socket.socket() as s:  # a free port on loopback
        s.bind(("127.0.0.1", 0))
        free = s.getsockname()[1]
    server = subprocess.Popen([args.tool, "serve", "--port", str(free)], stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True)
    port = None
    for _ in range(50):
        line = server.stdout.readline()
        m = re.search(r"127\.0\.0\.1:(\d+)", line)
        if m:
            port = int(m.group(1))
            break
    if port is None:
        server.kill()
        sys.exit("the server did not say its address")
    host = f"127.0.0.1:{port}"

    counts, bad, lock = {}, [], threading.Lock()
    deadline = time.monotonic() + args.seconds

    def request(conn, method, path, body=None):
        headers = {"Host": host}
        if body is not None:
            headers["Content-Type"] = "application/json"
            body = json.dumps(body)
        conn.request(method, path, body=body, headers=headers)
        reply = conn.getresponse()
        reply.read()
        with lock:
            counts[reply.status] = counts.get(reply.status, 0) + 1
            if reply.status not in (200, 409, 429):
                bad.append(f"{method} {path}: {reply.status}")

    def client(index):
        rng = random.Random(index)
        conn = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
        tab = f"load{index}"
        sent = 0
        while time.monotonic() < deadline and sent < 100000:
            sent += 1
            settings = {"params": {"size": round(rng.uniform(1, 20), 2),
                                   "levels": rng.randint(1, 8)}, "seed": rng.randint(0, 99)}
            kind = rng.random()
            if kind < 0.6:
                request(conn, "POST", "/api/render",
                        {"tab": tab, "settings": settings, "res": rng.choice([64, 128, 256]),
                         "samples": 1, "shape": rng.choice(["sphere", "plane", "flat"])})
            elif kind < 0.8:
                request(conn, "POST", "/api/preset", {"tab": tab, "settings": settings})
            elif kind < 0.95:
                request(conn, "POST", "/api/check", {"tab": tab, "settings": settings})
            else:
                request(conn, "POST", "/api/bake",
                        {"tab": tab, "job": f"{tab}-{sent}", "settings": settings, "res": 128,
                         "output": "mask", "samples": 1})
        conn.close()

    threads = [threading.Thread(target=client, args=(i,)) for i in range(args.clients)]
    started = time.monotonic()
    for t in threads:
        t.start()
    first_minute = None
    while any(t.is_alive() for t in threads):
        time.sleep(1)
        if first_minute is None and time.monotonic() - started >= min(60, args.seconds / 2):
            first_minute = rss_kib(server.pid)
    for t in threads:
        t.join()
    end = rss_kib(server.pid)

    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    conn.request("GET", "/api/params", headers={"Host": host})
    answering = conn.getresponse().status == 200
    server.terminate()
    server.wait(timeout=30)

    total = sum(counts.values())
    print(f"{args.clients} clients, {time.monotonic() - started:.0f} s: {total} requests, "
          f"by status {dict(sorted(counts.items()))}; memory {first_minute / 1024:.0f} MiB "
          f"after the first minute, {end / 1024:.0f} MiB at the end "
          f"({(end / first_minute - 1) * 100:+.1f} %); answering at the end: {answering}")
    failed = bad[:5] + ([] if answering else ["not answering at the end"])
    if end > first_minute * 1.10:
        failed.append("memory grew by more than 10 % after the first minute")
    for f in failed:
        print("FAILED:", f)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
