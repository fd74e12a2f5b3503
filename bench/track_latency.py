#!/usr/bin/env python3
"""The time from a key sent by the sync editor to the end of the first update that reads it.

Acts as the editor for build/demohost-live on a small script that prints the value of one track
whenever it changes. KEYS keys (default 30) are sent at uneven moments, a quarter of a second
apart or so; each key's figure is read from the line that names its value, and a key whose line
does not come within 5 s stops the run. Every key's figure is shown beside the median. Run from
the repository root after building, under a display (xvfb-run -a bench/track_latency.py).
"""
import os, random, select, shutil, socket, statistics, struct, subprocess, sys, tempfile, time

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
keys = int(os.environ.get("KEYS", "30"))
work = tempfile.mkdtemp()
os.makedirs(os.path.join(work, "res"))
shutil.copytree(os.path.join(root, "res", "font"), os.path.join(work, "res", "font"))
with open(os.path.join(work, "res", "main.lua"), "w") as script:
    script.write("""
local host = require "demohost"
local last
function initialize() OpenWindow(320, 240, "latency") end
function update()
    local value = host.track("probe")
    if value ~= last then print("value " .. value) last = value end
end
""")

server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
server.bind(("127.0.0.1", 0))
server.listen(1)
port = server.getsockname()[1]
live = subprocess.Popen([os.path.join(root, "build", "demohost-live"), "--editor",
                         "127.0.0.1:%d" % port], cwd=work, stdout=subprocess.PIPE,
                        env=dict(os.environ, SDL_AUDIODRIVER="dummy"))
pending = b""


def fail(message):
    print("track_latency.py: " + message, file=sys.stderr)
    live.kill()
    shutil.rmtree(work)
    sys.exit(1)


def wait_for_line(wanted, seconds):
    """Reads the program's output until the line `wanted`; the time it was read, or None."""
    global pending
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        while b"\n" in pending:
            line, pending = pending.split(b"\n", 1)
            if line.decode() == wanted:
                return time.monotonic()
        ready, _, _ = select.select([live.stdout], [], [], end - time.monotonic())
        if ready:
            chunk = os.read(live.stdout.fileno(), 65536)
            if not chunk:
                return None
            pending += chunk
    return None


server.settimeout(10)
try:
    editor, _ = server.accept()
except socket.timeout:
    fail("demohost-live did not connect")
editor.settimeout(5)
greeting = b""
while len(greeting) < 19:
    greeting += editor.recv(19 - len(greeting))
editor.sendall(b"hello, demo!")
request = b""
while len(request) < 5 + len("probe"):
    request += editor.recv(64)
if request != b"\x02" + struct.pack(">I", 5) + b"probe":
    fail("the demo asked for %r" % request)
if wait_for_line("value 0", 5) is None:
    fail("no first value line")

figures = []
for key in range(1, keys + 1):
    time.sleep(0.2 + random.random() * 0.1)
    sent = time.monotonic()
    editor.sendall(struct.pack(">BIIfB", 0, 0, 0, float(key), 0))
    shown = wait_for_line("value %d" % key, 5)
    if shown is None:
        fail("no line for key %d within 5 s" % key)
    figures.append((shown - sent) * 1000)
live.terminate()
live.wait()
shutil.rmtree(work)
print("key to update, median of %d keys: %.2f ms" % (len(figures), statistics.median(figures)))
print("every key (ms): " + " ".join("%.2f" % f for f in figures))
