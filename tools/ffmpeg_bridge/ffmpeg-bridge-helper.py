#!/usr/bin/env python3
"""Linux half of ffmpeg_bridge.exe: runs Debian's ffmpeg for a PE that cannot.

Under Wine a Linux program started by a PE gets no usable process handle and cannot
write into the PE's pipes, so ffmpeg_bridge.exe starts this script and talks to it
over one loopback TCP connection that it listens on:

    python3 ffmpeg-bridge-helper.py PORT TOKEN

1. The helper connects to 127.0.0.1:PORT and sends "BRIDGE1 TOKEN\\n".
2. The bridge answers with one request line of space-separated key=HEX fields
   (values are hex-encoded UTF-8, so device names and addresses never meet a shell
   or a command-line splitter): mode (list|stream|record), listing (old|new), device,
   codec, bitrate, url (a record's is the Linux file pattern), filters (the filter
   options and their values, NUL between them), segment (the segment muxer's
   options, likewise), audio_buffer_size, ffmpeg. After a record's request line
   every byte the bridge sends is its own standard input, for ffmpeg's: a "q"
   there ends the recording as it ends ffmpeg.exe, closing the last file.
3. The helper sends frames back: one kind byte, a 4-byte big-endian length, the
   payload. Kind b"1" is ffmpeg's stdout, b"2" its stderr, b"x" the exit code as
   ASCII decimal; after b"x" the helper closes the connection.

The connection is also the bridge's lifeline: when it closes or breaks before
ffmpeg has ended (the bridge was terminated), ffmpeg is stopped at once.
Standard library only.
"""

import ctypes
import hashlib
import json
import os
import re
import selectors
import signal
import socket
import struct
import subprocess
import sys
import time

PROTOCOL = b"BRIDGE1"

TONE_NAME = "测试音 (440 Hz)"
TONE_FILTER = "sine=frequency=440:sample_rate=48000"
# Dead air long enough for a level meter's alarm (10 s below -50 dBFS) and then the
# tone, so that the alarm and the recovery both come within one launch. The silence is
# digital: every sample zero, a peak of -inf dB.
SILENCE_SECONDS = 15
LATE_TONE_NAME = "静音后有声 (440 Hz)"
LATE_TONE_FILTER = TONE_FILTER + ",volume=volume=0:enable='lt(t,%d)'" % SILENCE_SECONDS

# The DirectShow category of audio capture devices; every alternative name of an
# audio device carries it.
AUDIO_CATEGORY = "{33D9A762-90C8-11D0-BD43-00A0C911CE86}"
LOG_PREFIX = "[dshow @ 0000000000000000]"

LISTING_EXIT_CODE = 1      # ffmpeg ends a listing with "Immediate exit requested" and 1
FAILURE_EXIT_CODE = 1      # what ffmpeg returns when an input or output cannot be opened
UNKNOWN_EXIT_CODE = 1      # ffmpeg ended by a signal: no code of its own

KILL_GRACE_SECONDS = 0.4   # SIGTERM first, SIGKILL after this: well within a second
CONNECT_TIMEOUT_SECONDS = 5
REQUEST_TIMEOUT_SECONDS = 10
PROBE_TIMEOUT_SECONDS = 3    # PushClient gives the whole listing 15 s

PR_SET_PDEATHSIG = 1


def detach_from_caller():
    """Drop every descriptor inherited from Wine's process.

    Wine hands its own stdout/stderr (perhaps a test runner's pipe) and possibly other
    descriptors to Linux children; holding them would keep that pipe open, or the
    bridge's socket alive after the bridge died.
    """
    devnull = os.open(os.devnull, os.O_RDWR)
    for fd in (0, 1, 2):
        os.dup2(devnull, fd)
    if devnull > 2:
        os.close(devnull)
    os.closerange(3, 65536)


def hexdecode(text):
    return bytes.fromhex(text).decode("utf-8", "surrogateescape")


def parse_request(line):
    fields = {}
    for item in line.split():
        key, sep, value = item.partition("=")
        if sep:
            fields[key] = hexdecode(value)
    return fields


# ---------------------------------------------------------------------------
# The connection

class Link:
    def __init__(self, sock):
        self.sock = sock

    def send(self, kind, payload):
        self.sock.sendall(kind + struct.pack(">I", len(payload)) + payload)

    def text(self, kind, text):
        self.send(kind, text.encode("utf-8"))

    def finish(self, code):
        try:
            self.send(b"x", str(code).encode("ascii"))
            self.sock.shutdown(socket.SHUT_WR)
        except OSError:
            pass


def connect(port, token):
    sock = socket.create_connection(("127.0.0.1", port), timeout=CONNECT_TIMEOUT_SECONDS)
    sock.sendall(PROTOCOL + b" " + token.encode("ascii") + b"\n")
    sock.settimeout(REQUEST_TIMEOUT_SECONDS)
    received = b""
    while b"\n" not in received:
        chunk = sock.recv(4096)
        if not chunk:
            raise ConnectionError("bridge closed before its request")
        received += chunk
    sock.settimeout(None)
    # What follows the line is a recording's standard input, which may come with it.
    line, _, stdin_bytes = received.partition(b"\n")
    return sock, line.decode("ascii", "replace"), stdin_bytes


# ---------------------------------------------------------------------------
# Devices

class Device:
    def __init__(self, name, source=None, lavfi=None):
        self.name = name          # what the listing shows and PushClient passes back
        self.source = source      # Pulse source name; None for the test sounds
        self.lavfi = lavfi        # the test sound's lavfi graph
        digest = hashlib.md5((source or name).encode("utf-8")).hexdigest().upper()
        self.alternative = "@device_cm_%s\\wave_{%s-%s-%s-%s-%s}" % (
            AUDIO_CATEGORY, digest[0:8], digest[8:12], digest[12:16], digest[16:20], digest[20:32])

    def matches(self, wanted):
        return wanted in (self.name, self.alternative) or (self.source is not None and wanted == self.source)


class Unresponsive(Exception):
    pass


def run_quietly(argv, env=None):
    """The program's stdout, or None if it is missing or fails; Unresponsive if it hangs."""
    try:
        done = subprocess.run(argv, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, timeout=PROBE_TIMEOUT_SECONDS, env=env)
    except subprocess.TimeoutExpired:
        raise Unresponsive()
    except (OSError, subprocess.SubprocessError):
        return None
    return done.stdout.decode("utf-8", "replace") if done.returncode == 0 else None


def pulse_sources():
    """(name, description) of every source of a Pulse server that answers; [] if none."""
    try:
        return query_pulse_sources()
    except Unresponsive:
        # A server that hangs would otherwise cost one timeout per query.
        return []


def query_pulse_sources():
    # The C locale keeps pactl's field names ("Name:", "Description:") in English.
    env = dict(os.environ, LC_ALL="C")
    out = run_quietly(["pactl", "-f", "json", "list", "sources"], env)
    if out is not None:
        try:
            return [(s["name"], s.get("description") or s["name"]) for s in json.loads(out)]
        except (ValueError, KeyError, TypeError):
            pass
    out = run_quietly(["pactl", "list", "sources"], env)
    if out is None:
        return []
    sources, name = [], None
    for line in out.splitlines():
        line = line.strip()
        if line.startswith("Name:"):
            name = line[5:].strip()
        elif line.startswith("Description:") and name is not None:
            sources.append((name, line[12:].strip() or name))
            name = None
    if not sources:
        # Without descriptions the short list still names the sources.
        out = run_quietly(["pactl", "list", "short", "sources"], env)
        for line in (out or "").splitlines():
            parts = line.split("\t")
            if len(parts) > 1 and parts[1]:
                sources.append((parts[1], parts[1]))
    return sources


def devices():
    found = [Device(description, name) for name, description in pulse_sources()]
    found.append(Device(TONE_NAME, lavfi=TONE_FILTER))
    found.append(Device(LATE_TONE_NAME, lavfi=LATE_TONE_FILTER))
    return found


def configuration_line(ffmpeg):
    """The local ffmpeg's own "configuration:" line: it tells which encoders the build has."""
    try:
        out = run_quietly([ffmpeg, "-version"]) or ""
    except Unresponsive:
        out = ""
    return next((line.strip() for line in out.splitlines() if line.strip().startswith("configuration:")), None)


def listing(fmt, ffmpeg):
    """The DirectShow listing an ffmpeg for Windows prints, CRLF as it writes them, after its banner."""
    lines = ["ffmpeg version bridge (Debian's ffmpeg through ffmpeg_bridge)"]
    configuration = configuration_line(ffmpeg)
    if configuration:
        lines.append("  " + configuration)
    if fmt == "new":
        for d in devices():
            lines.append('%s "%s" (audio)' % (LOG_PREFIX, d.name))
            lines.append('%s   Alternative name "%s"' % (LOG_PREFIX, d.alternative))
    else:
        lines.append(LOG_PREFIX + " DirectShow video devices (some may be both video and audio devices)")
        lines.append(LOG_PREFIX + " Could not enumerate video devices (or none found).")
        lines.append(LOG_PREFIX + " DirectShow audio devices")
        for d in devices():
            lines.append('%s  "%s"' % (LOG_PREFIX, d.name))
            lines.append('%s     Alternative name "%s"' % (LOG_PREFIX, d.alternative))
    lines.append("dummy: Immediate exit requested")
    return "".join(line + "\r\n" for line in lines)


# ---------------------------------------------------------------------------
# Streaming

LOOPBACK_HOST = re.compile(r"^(localhost|127(\.\d{1,3}){3}|\[::1\])$", re.IGNORECASE)


def is_loopback_url(url):
    """rtmp://HOST[:PORT]/... with a literal loopback HOST: this bridge publishes nowhere else."""
    m = re.match(r"^[a-z][a-z0-9+.-]*://([^/?#]*)", url, re.IGNORECASE)
    if not m:
        return False
    host = m.group(1).rpartition("@")[2]
    if host.startswith("["):
        host = host[:host.find("]") + 1] if "]" in host else host
    else:
        host = host.partition(":")[0]
    return bool(LOOPBACK_HOST.match(host))


def encoders(ffmpeg):
    try:
        out = run_quietly([ffmpeg, "-hide_banner", "-encoders"]) or ""
    except Unresponsive:
        out = ""
    return {parts[1] for parts in (line.split() for line in out.splitlines()) if len(parts) > 1}


def input_options(device):
    if device.lavfi is not None:
        # lavfi's sine runs as fast as it can; -re paces it like a capture device.
        return ["-re", "-f", "lavfi", "-i", device.lavfi]
    return ["-f", "pulse", "-i", device.source]


def start_ffmpeg(argv, with_stdin):
    libc = ctypes.CDLL(None, use_errno=True)

    def die_with_helper():
        # Belt and braces: should this helper itself be killed, ffmpeg goes too.
        libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL, 0, 0, 0)

    return subprocess.Popen(argv, stdin=subprocess.PIPE if with_stdin else subprocess.DEVNULL,
                            stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, preexec_fn=die_with_helper,
                            start_new_session=True)


def stop(proc):
    if proc.poll() is not None:
        return
    try:
        proc.send_signal(signal.SIGTERM)
        proc.wait(KILL_GRACE_SECONDS)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()
    except OSError:
        pass


def feed_stdin(proc, data):
    """Hands the bridge's standard input on; an ffmpeg that stopped reading it is no fault."""
    if proc.stdin is None or not data:
        return
    try:
        proc.stdin.write(data)
        proc.stdin.flush()
    except OSError:
        pass


def relay(link, proc, stdin_bytes=b""):
    """Carries ffmpeg's output until it ends, and the bridge's input to ffmpeg when it reads one; returns
    ffmpeg's exit code, or None if the bridge went away."""
    feed_stdin(proc, stdin_bytes)
    sel = selectors.DefaultSelector()
    sel.register(proc.stdout, selectors.EVENT_READ, b"1")
    sel.register(proc.stderr, selectors.EVENT_READ, b"2")
    sel.register(link.sock, selectors.EVENT_READ, None)
    open_pipes = 2
    try:
        while open_pipes:
            for key, _ in sel.select():
                if key.data is None:
                    # Only a recording's input follows the request; readable and empty means closed.
                    try:
                        data = link.sock.recv(4096)
                    except OSError:
                        data = b""
                    if not data:
                        stop(proc)
                        return None
                    feed_stdin(proc, data)
                    continue
                chunk = os.read(key.fileobj.fileno(), 65536)
                if not chunk:
                    sel.unregister(key.fileobj)
                    open_pipes -= 1
                    continue
                try:
                    link.send(key.data, chunk)
                except OSError:
                    stop(proc)
                    return None
    finally:
        sel.close()
    code = proc.wait()
    return code if code >= 0 else UNKNOWN_EXIT_CODE


def split_options(text):
    return text.split("\0") if text else []


def encode(link, req, stdin_bytes):
    """Runs ffmpeg on the device: published to a loopback address, or recorded into segment files."""
    record = req.get("mode") == "record"
    wanted = req.get("device", "")
    url = req.get("url", "")
    ffmpeg = req.get("ffmpeg") or "/usr/bin/ffmpeg"

    device = next((d for d in devices() if d.matches(wanted)), None)
    if device is None:
        link.text(b"2", "%s Could not find audio only device with name [%s] among source devices of type audio.\r\n"
                  "audio=%s: I/O error\r\n" % (LOG_PREFIX, wanted, wanted))
        return FAILURE_EXIT_CODE
    if not record and not is_loopback_url(url):
        link.text(b"2", "%s: ffmpeg-bridge publishes to loopback addresses only\r\n" % url)
        return FAILURE_EXIT_CODE

    codec = req.get("codec") or "aac"
    available = encoders(ffmpeg)
    if codec not in available:
        link.text(b"2", "ffmpeg-bridge: encoder %s is not available here, using aac\r\n" % codec)
        codec = "aac"

    if req.get("audio_buffer_size"):
        # DirectShow's own input option: neither lavfi nor pulse knows it, and ffmpeg
        # refuses an option it does not know.
        link.text(b"2", "ffmpeg-bridge: -audio_buffer_size %s is DirectShow's own; this capture keeps its"
                  " default buffer\r\n" % req["audio_buffer_size"])
    # The filter options stand between the input and the output's own options, as given.
    filters = split_options(req.get("filters"))
    bitrate = ["-b:a", req["bitrate"]] if req.get("bitrate") else []

    if record:
        # As the recording's command line has it: no -nostdin, since "q" on the input ends it, and no -y,
        # since the pattern's numbered names are new ones.
        argv = ([ffmpeg] + input_options(device) + filters + ["-c:a", codec] + bitrate + ["-f", "segment"] +
                split_options(req.get("segment")) + [url])
    else:
        argv = [ffmpeg, "-nostdin"] + input_options(device) + filters + ["-y", "-c:a", codec] + bitrate
        argv += ["-f", "flv", url]
    link.text(b"2", "ffmpeg-bridge: %s\r\n" % " ".join(argv))
    try:
        proc = start_ffmpeg(argv, record)
    except OSError as e:
        link.text(b"2", "ffmpeg-bridge: cannot start %s: %s\r\n" % (ffmpeg, e.strerror))
        return FAILURE_EXIT_CODE
    return relay(link, proc, stdin_bytes)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: ffmpeg-bridge-helper.py PORT TOKEN\n")
        return 2
    port, token = int(argv[1]), argv[2]
    detach_from_caller()
    try:
        sock, line, stdin_bytes = connect(port, token)
    except (OSError, ValueError):
        return 1
    link = Link(sock)
    req = parse_request(line)
    try:
        if req.get("mode") == "list":
            link.text(b"2", listing(req.get("listing", "old"), req.get("ffmpeg") or "/usr/bin/ffmpeg"))
            code = LISTING_EXIT_CODE
        elif req.get("mode") in ("stream", "record"):
            code = encode(link, req, stdin_bytes)
        else:
            link.text(b"2", "ffmpeg-bridge: unknown request\r\n")
            code = FAILURE_EXIT_CODE
    except OSError:
        return 1
    if code is not None:
        link.finish(code)
    sock.close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
