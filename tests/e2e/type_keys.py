#!/usr/bin/env python3
"""Types text on a gadget boot keyboard as a card reader does: one 8-byte
boot report per key press (Left Shift where the US layout needs it), and an
all-zero report for each release. Line feeds are the Enter key.

    type_keys.py /dev/hidgN TEXT
"""
import os
import sys
import time

# HID keyboard usages of a US keyboard: character -> (usage, shift).
KEYS = {}
for i, c in enumerate("abcdefghijklmnopqrstuvwxyz"):
    KEYS[c] = (0x04 + i, False)
    KEYS[c.upper()] = (0x04 + i, True)
for i, (plain, shifted) in enumerate(zip("1234567890", "!@#$%^&*()")):
    KEYS[plain] = (0x1E + i, False)
    KEYS[shifted] = (0x1E + i, True)
for usage, plain, shifted in [
    (0x2D, "-", "_"), (0x2E, "=", "+"), (0x2F, "[", "{"), (0x30, "]", "}"), (0x31, "\\", "|"),
    (0x33, ";", ":"), (0x34, "'", '"'), (0x35, "`", "~"), (0x36, ",", "<"), (0x37, ".", ">"), (0x38, "/", "?"),
]:
    KEYS[plain] = (usage, False)
    KEYS[shifted] = (usage, True)
KEYS["\n"] = (0x28, False)
KEYS["\t"] = (0x2B, False)
KEYS[" "] = (0x2C, False)

LEFT_SHIFT = 0x02
# A short pause after each report leaves the emulated machine's processors
# to the programs reading the keyboard. Without it, a reader of the node that
# was not scheduled for some 13 ms lost key strokes: evdev queues only 64
# events per reader, about 6 characters.
PAUSE = 0.001


def main():
    node, text = sys.argv[1], sys.argv[2]
    fd = os.open(node, os.O_WRONLY)
    try:
        for c in text:
            usage, shift = KEYS[c]
            os.write(fd, bytes([LEFT_SHIFT if shift else 0, 0, usage, 0, 0, 0, 0, 0]))
            time.sleep(PAUSE)
            os.write(fd, bytes(8))
            time.sleep(PAUSE)
    finally:
        os.close(fd)


if __name__ == "__main__":
    main()
