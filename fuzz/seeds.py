#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (fuzz/corpus/NAME/) from the
byte strings the tests use. Re-run after adding strings; the files are
committed, named by the hash of their bytes."""
import hashlib
import os
import re
import struct

here = os.path.dirname(os.path.abspath(__file__))
tests = os.path.join(here, "..", "tests")


def hexes(path):
    text = open(os.path.join(tests, path), encoding="utf-8").read()
    return [bytes.fromhex(h.replace(" ", "")) for h in re.findall(r'Hex\("([0-9a-fA-F ]+)"\)', text)]


def quoted(path, pattern):
    text = open(os.path.join(tests, path), encoding="utf-8").read()
    return [m.encode() for m in re.findall(pattern, text)]


def write(target, seeds):
    folder = os.path.join(here, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for seed in seeds:
        name = hashlib.sha1(seed).hexdigest()[:16]
        with open(os.path.join(folder, name), "wb") as f:
            f.write(seed)


def frame(msg_type, payload):
    return b"\xff\xff" + struct.pack(">H", msg_type) + struct.pack(">I", len(payload)) + payload


def combo_data(rows, cameras):
    d = bytearray(rows * 16)
    def put(at, v):
        if at < len(d):
            d[at] = v
    for k in range(cameras):
        for j, c in enumerate(b"Camera %d" % (k + 1)):
            put(k * 16 + j, c)
    put(2944, cameras)
    for at in (698, 699, 700, 701, 928, 936):
        put(at, 1)
    put(929, 1)
    put(714, 13)
    for at, v in ((960, 14), (961, 30), (962, 5), (963, 12), (964, 7), (965, 23)):
        put(at, v)
    if rows > 240:
        d[3840:3844] = b"qmpv"
    return bytes(d)


def combo_response(data):
    header = bytearray(16)
    header[0:2] = struct.pack(">H", 16)
    header[2:4] = struct.pack(">H", len(data))
    return frame(0x6803, bytes(header) + data)


def chunked(mode, stream, size):
    out = bytes([mode])
    for at in range(0, len(stream), size):
        part = stream[at:at + size]
        out += bytes([len(part) - 1]) + part
    return out


def discovery_reply(length):
    d = bytearray(b"\xff\xff\xcc\xcc\x01\x64\x81\x7f\x00\x00\x01")
    d += b"ZAM4-16".ljust(20, b"\0")
    d += b"SN0001".ljust(32, b"\0")
    d += bytes.fromhex("000A1B2C3D4E") + b"\x00" + b"\x01\x28b" + struct.pack(">I", 1024)
    return bytes(d[:length]).ljust(length, b"\0")


tcp = hexes("common/tst_zamtcp.cpp")
status = frame(0x6901, bytes(100))
stream = b"".join(f for f in tcp if f.startswith(b"\xff\xff")) + status
write("fuzz_tcpframes", [chunked(m, f, 255) for f in tcp for m in (0, 1)]
      + [chunked(0, stream, n) for n in (1, 3, 7, 64)]
      + [chunked(1, combo_response(combo_data(241, 4)), n) for n in (100, 255)])

write("fuzz_serialreplies", hexes("common/tst_zamserial.cpp"))

write("fuzz_discovery", hexes("common/tst_discoverymsg.cpp")
      + [discovery_reply(n) for n in (31, 63, 70, 73, 77, 80)])

write("fuzz_comboblock", hexes("common/tst_comboblock.cpp")
      + [combo_response(combo_data(rows, cams)) for rows, cams in ((240, 4), (241, 16), (61, 1), (62, 4))]
      + [combo_data(61, 4)])

entries = quoted("kaymor/tst_addressbook.cpp", r'"(\s*\d+\.\d+\.\d+\.\d+\s*,[^"]*)"') + \
          quoted("options/tst_merge.cpp", r'"(\s*\d+\.\d+\.\d+\.\d+\s*,[^"]*)"')
write("fuzz_addresslist", [b"\n".join(entries[i:i + 4]) for i in range(0, len(entries), 4)]
      + [b"\n".join(entries[:3]) + b"\n" + discovery_reply(n) for n in (63, 77)]
      + [discovery_reply(77) + b"\n" + discovery_reply(70)])

profiles = quoted("options/tst_profiles.cpp", r'"(\d+\.\d+\.\d+\.\d+,[^"]*)"')
write("fuzz_profiles", [b"\r\n".join(profiles) + b"\r\n", b"  " + b"\r\n\r\n   \r\n".join(profiles) + b"\r\nno comma\r\n",
                        profiles[0] if profiles else b""])

addresses = quoted("dotquad/tst_dotquad.cpp", r'<< "([0-9x.]*)"')
write("fuzz_dotquad", [bytes([m]) + a for a in addresses for m in (0, 1)])

# Backup files: the tests' rejected cases and a whole file.
backup = b"""{
    "fields": {
        "alarm_latch": "latched",
        "camera.1.title": "Front",
        "camera.2.title": "Gate",
        "clock": "2026-12-11 16:30:05",
        "date_format": "MM/DD/YY",
        "daylight_saving": "eur",
        "display.camera_title": "on",
        "keyboard_lock": "off",
        "password": "Zq94",
        "time_format": "24h",
        "time_zone": "GMT+01:00"
    },
    "format": "kaymor-unit-settings",
    "read": "2026-12-11T16:30:05+01:00",
    "unit": {"address": "127.0.0.1", "mac": "00-0A-1B-2C-3D-4E", "model": "ZAM4", "serial": "SIMA001"},
    "version": 1
}
"""
write("fuzz_settingsfile", [backup, backup.replace(b'"version": 1', b'"version": 2'), backup[:200]])
