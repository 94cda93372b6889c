#!/usr/bin/env python3
"""Writes the long seeds of the codec decoder fuzz targets into
tests/fuzz/corpus/<name>/, encoded by the tezl tool given as argument
(build/<preset>/codec/tezl). Each seed holds more input than libFuzzer's
default length limit, so that the limit grows and the fuzzer reaches the
decoder paths that wait for much input left (family B's wide tables and
literal pairs need 8 KiB after a block header).

The data is generated: bytes drawn with a steep skew, so that the rarer
literals get long codes, between repeated runs, so that matches occur.
Usage: make_codec_seeds.py TEZL_TOOL"""
import os
import random
import subprocess
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def sample(size, seed):
    rng = random.Random(seed)
    weights = [0.93**i for i in range(256)]
    symbols = list(range(256))
    rng.shuffle(symbols)
    out = bytearray()
    while len(out) < size:
        if out and rng.random() < 0.15:
            start = rng.randrange(len(out))
            out += out[start:start + rng.randrange(3, 40)]
        else:
            out += bytes(rng.choices(symbols, weights, k=rng.randrange(1, 64)))
    return bytes(out[:size])


def encode(tool, level, data):
    return subprocess.run([tool, "enc", str(level)], input=data, stdout=subprocess.PIPE,
                          check=True).stdout


def write(target, name, data):
    d = os.path.join(ROOT, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def main():
    tool = sys.argv[1]
    # famb_decode_fuzz: capacity byte (255: 16321 bytes), shape byte, stream.
    data = sample(16000, 1)
    for level in (5, 8):
        stream = encode(tool, level, data)
        assert len(stream) > 8192 + 64, len(stream)
        write("famb_decode_fuzz", "wide-l%d" % level, bytes([255, 0x35]) + stream)
    # Family A decoder: the stream alone, decoded into up to 70000 bytes.
    write("codec_fama_decode_l0", "long-enc1", encode(tool, 1, sample(60000, 2)))


main()
