#!/usr/bin/env python3
"""Writes the fuzzers' seed inputs (corpus/<fuzzer>/) from the cases of the unit tables.

Texts are written as the program holds them: code page 936 bytes. Inputs of two values put a 0xFF byte
between them. Run it again after changing a table here; the files are checked in.
"""
import os
import re
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SEP = b"\xff"


def b(text):
    return text.encode("gbk") if isinstance(text, str) else text


# --- device listing -------------------------------------------------------------------------------
BANNER = [
    "ffmpeg version 4.4.1 Copyright (c) 2000-2021 the FFmpeg developers",
    "  built with gcc 11.2.0 (Rev1, Built by MSYS2 project)",
    "  libavdevice    58. 13.100 / 58. 13.100",
]
VIDEO_HEADER = "[dshow @ 000001d2c5f8a540] DirectShow video devices (some may be both video and audio devices)"
CAMERA = '[dshow @ 000001d2c5f8a540]  "Integrated Camera"'
CAMERA_ALT = ('[dshow @ 000001d2c5f8a540]     Alternative name "@device_pnp_\\\\?\\usb#vid_04f2&pid_b6d9&mi_00'
              '#6&1a2b3c4d&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global"')
AUDIO_HEADER = "[dshow @ 000001d2c5f8a540] DirectShow audio devices"
MIC = '[dshow @ 000001d2c5f8a540]  "麦克风 (Realtek High Definition Audio)"'
MIC_ALT = ('[dshow @ 000001d2c5f8a540]     Alternative name '
           '"@device_cm_{33D9A762-90C8-11D0-BD43-00A0C911CE86}\\wave_{6B3A4F2E-1C2D-4E5F-8A9B-0C1D2E3F4A5B}"')
LINE_IN = '[dshow @ 000001d2c5f8a540]  "Line In (USB Audio)"'
END = "dummy: Immediate exit requested"
NO_AUDIO = "[dshow @ 000001d2c5f8a540] Could not enumerate audio only devices (or none found)."
NEW_CAMERA = '[dshow @ 000001f5a3b4c5d0] "Integrated Camera" (video)'
NEW_VIRTUAL = '[dshow @ 000001f5a3b4c5d0] "Virtual Camera" (none)'
NEW_MIC = '[dshow @ 000001f5a3b4c5d0] "麦克风 (Realtek(R) Audio)" (audio)'
NEW_MIC_ALT = ('[dshow @ 000001f5a3b4c5d0]   Alternative name '
               '"@device_cm_{33D9A762-90C8-11D0-BD43-00A0C911CE86}\\wave_{6B3A4F2E-1C2D-4E5F-8A9B-0C1D2E3F4A5B}"')
NEW_CAPTURE = '[dshow @ 000001f5a3b4c5d0] "HDMI Capture" (audio, video)'


def listing(lines, end="\r\n"):
    return b"".join(b(line) + b(end) for line in lines)


DEVICE_LISTING = {
    "sectioned": listing(BANNER + [VIDEO_HEADER, CAMERA, CAMERA_ALT, AUDIO_HEADER, MIC, MIC_ALT, LINE_IN, END]),
    "sectioned-lf": listing([VIDEO_HEADER, CAMERA, AUDIO_HEADER, MIC, LINE_IN, END], "\n"),
    "sectioned-crcrlf": listing([AUDIO_HEADER, MIC, MIC_ALT, LINE_IN, END], "\r\r\n"),
    "sectioned-no-end": listing([AUDIO_HEADER, MIC, LINE_IN]),
    "search-again": listing([AUDIO_HEADER, NO_AUDIO, END, AUDIO_HEADER, LINE_IN, END]),
    "one-quote": listing([AUDIO_HEADER, '[dshow @ 1]  "Broken', END]),
    "inner-quotes": listing([AUDIO_HEADER, '[dshow @ 1]  "My "Best" Mic"', '[dshow @ 1]  ""', END]),
    "second-bytes": listing([AUDIO_HEADER, '[dshow @ 1]  "乗昞\\ 乨show"', '乨show "Not A Device"', END]),
    "tagged": listing(BANNER[:1] + [NEW_CAMERA, NEW_VIRTUAL, NEW_MIC, NEW_MIC_ALT, NEW_CAPTURE, END]),
    "tagged-lf": listing([NEW_CAMERA, NEW_MIC, END], "\n"),
    "tagged-in0": listing(['[in#0 @ 000002a1b2c3d4e0] "Microphone Array (Smart Sound)" (audio)',
                           '[in#0 @ 0x1] [dshow @ 0x2] "Mic" (audio)', '[dshow @ 1] "Capture" (video, audio)  ']),
    "tagged-odd": listing(['[dshow @ 1] "乗昞" (audio)', b'[dshow @ 1] "\x81]" (audio)', '[dshow] "Mic" (audio)',
                           '[dshow @ 1] "Mic" (Audio Device)', '[dshow @ 1] name "Mic" (audio)']),
    "header-and-tags": listing([AUDIO_HEADER, '[dshow @ 1] "Mic" (audio)', '[dshow @ 1] "Cam" (video)']),
}

# --- config.db ------------------------------------------------------------------------------------
CONFIG_FILE = {
    "written": b"0\r\r\nrtmp://1000.push.quorvel.com/app/stream\r\r\n1\r\r\n1\r\r\n",
    "chinese": b("2\r\r\nrtmp://主机/直播/乗昞\r\r\n0\r\r\n5\r\r\n"),
    "extremes": b"-2147483648\r\r\n\r\r\n2147483647\r\r\n0\r\r\n",
    "crlf": b"2\r\nsrv\r\n1\r\n4\r\n",
    "lf-no-end": b"2\nsrv\n1\n4",
    "cr-alone": b"2\rsrv\r1\r4\r",
    "blanks": b"  2 \r\n rtmp://h/a/s \r\n 1 \r\n 4 \r\n",
    "empty-lines": b"\r\nsrv\r\n\r\n\r\n",
    "values": b"12abc\nsrv\n+1\n- 5\n9\n",
    "overflow": b"99999999999\nsrv\n-99999999999\n2147483648\n",
    "atoi": b"\t\n\v\f\r 42",
    "tabs": b("0\r\n\trtmp://h/　a\t\r\n"),
    "ctrl-z": b"2\nrtmp://h/app/stream\x1a\n1\n4\n",
    "binary": b"\xff\xfe\x81\x00\n\x01\x02\n1\n4\n",
    "nul": b"0\na\x00b\n1\n1\n",
}

# --- publish address + device ---------------------------------------------------------------------
DEVICE = b("麦克风 (Realtek High Definition Audio)")
GOOD = b"rtmp://1000.push.quorvel.com/app/stream"
PUBLISH_VALIDATION = {
    "good": GOOD + SEP + DEVICE,
    "blanks": b"  rtmp://1000.push. quorvel.com/app/ str eam  " + SEP + DEVICE,
    "key": b"rtmp://host/app/stream?key=x/y" + SEP + DEVICE,
    "twelve": b"rtmp://h/a/s" + SEP + b"d",
    "full-width": b("rtmp://1000.push.quorvel.com/直播/　乗") + SEP + DEVICE,
    "short": b("rtmp://主/a") + SEP + DEVICE,
    "prefix": b"RTMP://1000.push.quorvel.com/app/stream" + SEP + DEVICE,
    "fields": b"rtmp://1000.push.quorvel.com//stream" + SEP + DEVICE,
    "no-stream": b"rtmp://1000.push.quorvel.com/app/ " + SEP,
    "no-device": b"rtmp://host/app/stream" + SEP,
    "ctrl-z": GOOD + b"\x1a" + SEP + DEVICE,
    "controls": b"\trtmp://1000.push.\x00quorvel.com/\x01\x1fapp/\r\nstr\x7feam" + SEP + b" ",
    "second-bytes": b"rtmp://1000.push.quorvel.com/\x81\x5c\x1a/\x95\x7e\n" + SEP + DEVICE,
    "quotes": GOOD + SEP + b'"' * 64,
}

# --- command line: a bitrate position byte, then device and address -------------------------------
HOSTILE = [
    "", " ", "\t", "a b", " leading", "trailing ", '"', '""', 'a"b', 'a "quoted" name', "\\", "a\\\\",
    '\\"', 'a\\\\"b', "\\\\server\\share\\", "C:\\Program Files\\", "-f flv rtmp://evil/", '" -i evil "',
    '" -y \\', "%s %d %%", "a\nb", "乗", "乗\\", '乗"', "乗 乗", "\\乗", b"\x95\x5c", '昞\\"', '淺"\\', "亅|",
    "乨show", "　full-width　blank　", b"\x81", b"\x81 x", b"\xfe\x7f", b"\x81\x81\x81", b"ab\x00 cd",
]
COMMAND_LINE = {}
for i, (device, server) in enumerate(zip(HOSTILE, HOSTILE[1:] + HOSTILE[:1])):
    COMMAND_LINE["hostile-%02d" % i] = bytes([(i % 8 - 1) & 0xFF]) + b(device) + SEP + b(server)
COMMAND_LINE["ordinary"] = b"\x01" + DEVICE + SEP + GOOD
COMMAND_LINE["ordinary-chinese"] = b"\x05" + b("昞|亅|") + SEP + b("rtmp://h/昞/亅")
COMMAND_LINE["split-rules"] = b"\x80" + b('x"a b"y z \\\\\\"a "a""b c" 乗" x"') + SEP + b('"a\\" b" \\\\"a b"')

# --- code-page text: a start byte, then text and needle --------------------------------------------
ANSI_TEXT = {
    "dshow": b"\x00[dshow @ 1]" + SEP + b"dshow",
    "second-d": b("\x00乨show dshow") + SEP + b"dshow",
    "second-backslash": b("\x00乗\\") + SEP + b"\\",
    "second-bar": b("\x00亅|") + SEP + b"|",
    "from": b"\x01abab" + SEP + b"ab",
    "from-second-byte": b("\x01乨d") + SEP + b"d",
    "suffix": b"\x00rtmp://a.push.quorvel.com/app/s" + SEP + b".push.quorvel.com/",
    "lead-at-end": b"\x00a\x81" + SEP + b"",
    "lead-quote": b'\x00\x81"\x80a\xffa',
}

# --- text-mode bytes -------------------------------------------------------------------------------
TEXT_MODE = {
    "config": b"0\r\nrtmp://h/a/s\r\n1\r\n1\r\n",
    "crcrlf": b"line\r\r\n",
    "lone-cr": b"a\rb\r",
    "ctrl-z": b"a\x1ab\n",
    "nul": b"a\x00b\n\n",
    "chinese": b("麦克风\n"),
}

# --- log line: 8 bytes of time, then the message ---------------------------------------------------
def stamp(year, month, day, hour, minute, second, no_time=False):
    return bytes([1 if no_time else 0]) + struct.pack("<h", year - 1900) + bytes(
        [month - 1, day - 1, hour, minute, second])


LOG_LINE = {
    "on-air": stamp(2026, 12, 6, 21, 5, 9) + b("直播中。。。"),
    "empty": stamp(2027, 1, 31, 0, 0, 0),
    "percent": stamp(2026, 3, 4, 5, 6, 7) + b"100% %s %d %n",
    "no-time": stamp(1970, 1, 1, 0, 0, 0, no_time=True) + b("关闭直播。。。"),
    "leap-second": stamp(1, 12, 31, 23, 59, 60) + b"x",
}

# --- watchdog: a start byte, 8 bytes of a wait result, then 2-bit outcomes --------------------------
RUNNING, ENDED, FAILED, OTHER = 0, 1, 2, 3


def ticks(outcomes):
    outcomes = list(outcomes) + [FAILED] * (-len(outcomes) % 4)
    return bytes(sum(o << (2 * k) for k, o in enumerate(outcomes[i:i + 4])) for i in range(0, len(outcomes), 4))


WATCHDOG = {
    "ends-200-times": b"\x00" + struct.pack("<Q", 128) + ticks([ENDED] * 200),
    "sequences": b"\x00" + struct.pack("<Q", 0) + ticks(
        [ENDED, ENDED, ENDED, RUNNING, ENDED, FAILED, ENDED, OTHER, RUNNING, RUNNING]),
    "near-the-top": b"\xc9" + struct.pack("<Q", 4294967295) + ticks([ENDED] * 320 + [RUNNING]),
}

# --- module path buffer ----------------------------------------------------------------------------
MODULE_FOLDER = {
    "program-files": b"C:\\Program Files\\PushClient\\PushClient.exe",
    "chinese": b("C:\\电台\\推流.exe"),
    "no-separator": b"PushClient.exe",
    "second-backslash": b"C:\\Apps\\\x81\x5cPushClient.exe",
    "too-long": b"C:\\" + b"a" * 200 + b"\\" + b"b" * 40 + b"\\" + b"c" * 40 + b"\\PushClient.exe",
}

# --- what the encoder prints, and stall ticks -------------------------------------------------------
ENCODER_OUTPUT = {
    "refused": b"size=     123kB time=00:01:02.34 bitrate=  48.1kbits/s speed=1x    \r"
               b"[flv @ 0] Failed to update header\nrtmp://127.0.0.1/live/secret?key=abc: Connection refused\n"
               b"Conversion failed!\n",
    "banner": b"ffmpeg version 4.1\n  configuration: --enable-gpl --enable-libmp3lame\n"
              b"audio=Sine source at 440 Hz: I/O error\n",
    "banner-fdk": b"  configuration: --enable-nonfree --enable-libfdk-aac\n",
    "probe": b"Codec 'libfdk_aac' is not recognized by FFmpeg.\n",
    "progress-na": b"size=N/A time=N/A bitrate=N/A speed=N/A    \r",
    "two-values": b("rtmps://h/app?key=1") + SEP + b("麦克风: I/O error"),
}

# Three bytes a tick: time since the last (100 ms), readable, progress step (0 none, 255 back).
STALL_DETECTOR = {
    "healthy": bytes([5, 1, 50] * 10),
    "stops": bytes([5, 1, 50] * 3 + [50, 1, 0] * 3),
    "unreadable": bytes([200, 0, 0] * 4),
    "goes-back": bytes([5, 1, 50, 5, 1, 255, 5, 1, 0]),
}

CORPORA = {
    "device_listing": DEVICE_LISTING,
    "config_file": CONFIG_FILE,
    "publish_validation": PUBLISH_VALIDATION,
    "command_line": COMMAND_LINE,
    "ansi_text": ANSI_TEXT,
    "text_mode": TEXT_MODE,
    "log_line": LOG_LINE,
    "watchdog": WATCHDOG,
    "module_folder": MODULE_FOLDER,
    "encoder_output": ENCODER_OUTPUT,
    "stall_detector": STALL_DETECTOR,
}

if __name__ == "__main__":
    for fuzzer, seeds in CORPORA.items():
        folder = os.path.join(HERE, "corpus", fuzzer)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for name, data in seeds.items():
            assert re.fullmatch(r"[a-z0-9-]+", name), name
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
