#!/usr/bin/env python3
"""The update server for the update tests.

Usage: server.py --run PROGRAM [ARGS...]
Starts a ThreadingHTTPServer on 127.0.0.1 at a free port, writes fixtures
and their hashlib digests into a fresh folder, runs PROGRAM with
http_proxy=http://127.0.0.1:PORT and UPDATE_SERVER_DIR=<folder>, then stops.

Each request is answered by the file plan.json in the folder, read anew:
{"version": SPEC, "md5": SPEC, "exe": SPEC} chosen by the path's end, where
SPEC = {"status": 200, "body": "text", "file": "name" (its bytes),
"md5_of": "name" (hashlib's digest of that file), "length": "none" or a
number (announced Content-Length), "send": n (bytes sent, then close),
"hold": n (bytes sent, then wait until the plan changes)}.
Every request is logged to requests.log as "VERB URL AGENT".
"""
import hashlib
import http.server
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile
import threading
import time

FOLDER = None
LOG_LOCK = threading.Lock()
MD5_SIZES = [0, 1, 65535, 65536, 65537, 10 * 1024 * 1024]


def read_plan():
    try:
        with open(os.path.join(FOLDER, "plan.json"), "rb") as f:
            return f.read()
    except OSError:
        return b"{}"


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        with LOG_LOCK:
            with open(os.path.join(FOLDER, "requests.log"), "a") as f:
                f.write("%s %s %s\n" % (self.command, self.path, self.headers.get("User-Agent", "")))
        raw = read_plan()
        plan = json.loads(raw or b"{}")
        key = None
        for name in ("version", "md5", "exe"):
            if self.path.endswith("/installers/scrivel_up." + name):
                key = name
        spec = plan.get(key) if key else None
        if spec is None:
            self.send_error(404)
            return
        if "body" in spec:
            body = spec["body"].encode("latin-1")
        elif "file" in spec:
            with open(os.path.join(FOLDER, spec["file"]), "rb") as f:
                body = f.read()
        elif "md5_of" in spec:
            with open(os.path.join(FOLDER, spec["md5_of"]), "rb") as f:
                body = hashlib.md5(f.read()).hexdigest().encode()
        else:
            body = b""
        if spec.get("silent"):
            self.wait_for_change(raw)
            return
        self.send_response(spec.get("status", 200))
        length = spec.get("length", len(body))
        if length != "none":
            self.send_header("Content-Length", str(length))
        self.end_headers()
        if "hold" in spec:
            self.wfile.write(body[:spec["hold"]])
            self.wfile.flush()
            self.wait_for_change(raw)
            return
        self.wfile.write(body[:spec.get("send", len(body))])

    def wait_for_change(self, raw):
        # Holds the connection until the test moves on to another plan.
        deadline = time.time() + 300
        while read_plan() == raw and time.time() < deadline:
            time.sleep(0.05)
        self.close_connection = True


def write_fixtures():
    rng = random.Random(25)
    with open(os.path.join(FOLDER, "digests.txt"), "w") as out:
        for size in MD5_SIZES:
            name = "md5_%d.bin" % size
            data = rng.randbytes(size)
            with open(os.path.join(FOLDER, name), "wb") as f:
                f.write(data)
            out.write("%s %s\n" % (name, hashlib.md5(data).hexdigest()))


def main():
    global FOLDER
    if len(sys.argv) < 3 or sys.argv[1] != "--run":
        sys.exit(__doc__)
    FOLDER = tempfile.mkdtemp(prefix="scrivel-update-")
    try:
        write_fixtures()
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        server.daemon_threads = True
        threading.Thread(target=server.serve_forever, daemon=True).start()
        env = dict(os.environ)
        env["http_proxy"] = "http://127.0.0.1:%d" % server.server_address[1]
        env["UPDATE_SERVER_DIR"] = FOLDER
        env.pop("no_proxy", None)
        env.pop("NO_PROXY", None)
        rc = subprocess.call(sys.argv[2:], env=env)
        server.shutdown()
        sys.exit(rc)
    finally:
        shutil.rmtree(FOLDER, ignore_errors=True)


if __name__ == "__main__":
    main()
