#!/usr/bin/env python3
"""Writes resources/drum.wav, the default warning sound: a short drum hit
(a decaying low sine with a noise burst), 16-bit mono at 22.05 kHz."""
import math
import random
import struct
import wave
from pathlib import Path

random.seed(7)
rate = 22050
frames = bytearray()
for i in range(int(rate * 0.6)):
    t = i / rate
    f = 110 * math.exp(-t * 3) + 50
    body = math.sin(2 * math.pi * f * t) * math.exp(-t * 7)
    click = (random.random() * 2 - 1) * math.exp(-t * 60) * 0.6
    v = max(-1.0, min(1.0, (body + click) * 0.8))
    frames += struct.pack('<h', int(v * 32000))
out = Path(__file__).resolve().parent.parent / 'resources' / 'drum.wav'
with wave.open(str(out), 'wb') as w:
    w.setnchannels(1)
    w.setsampwidth(2)
    w.setframerate(rate)
    w.writeframes(bytes(frames))
