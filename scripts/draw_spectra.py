#!/usr/bin/python3
"""Draws docs/oversampling-spectra.png: the spectrum of one note of Debian's Nekobi hosted by
Vexlo VM at factor 8, in Classic and in High quality, from real renders by vexlo-host.

usage: scripts/draw_spectra.py [BUILD_BIN] [OUT.png]
"""
import os
import struct
import subprocess
import sys
import tempfile

import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

NEKOBI = "/usr/lib/vst/Nekobi-vst.so"
RATE = 44100


def read_float_wav(path):
    with open(path, "rb") as f:
        data = f.read()
    at = 12
    channels, samples = 1, None
    while at + 8 <= len(data):
        tag, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        body = data[at + 8:at + 8 + size]
        if tag == b"fmt ":
            channels = struct.unpack("<H", body[2:4])[0]
        elif tag == b"data":
            samples = np.frombuffer(body, dtype="<f4").reshape(-1, channels)[:, 0]
        at += 8 + size + (size & 1)
    return samples


def render(bin_dir, quality, folder):
    out = os.path.join(folder, quality + ".wav")
    # Nekobi's parameters are Vexlo VM's from 11 on: the saw (shown as "Triangle"), the filter
    # open, no resonance; note 96 held for two seconds.
    subprocess.run([os.path.join(bin_dir, "vexlo-host"), "render", os.path.join(bin_dir, "Vexlo VM.so"),
                    "--vm-instrument", NEKOBI, "--vm-factor", "8", "--vm-quality", quality,
                    "--param", "0:11=1", "--param", "0:13=1", "--param", "0:14=0",
                    "--notes", "96:0:4", "--length", "2", "-o", out],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return read_float_wav(out)


def spectrum_db(samples):
    part = samples[16384:16384 + 32768]
    n = len(part)
    x = 2 * np.pi * np.arange(n) / n
    window = 0.35875 - 0.48829 * np.cos(x) + 0.14128 * np.cos(2 * x) - 0.01168 * np.cos(3 * x)
    power = np.abs(np.fft.rfft(part * window)) ** 2
    db = 10 * np.log10(power / power.max() + 1e-20)
    return np.fft.rfftfreq(n, 1.0 / RATE), db


def main():
    bin_dir = sys.argv[1] if len(sys.argv) > 1 else "build/linux-x64/bin"
    target = sys.argv[2] if len(sys.argv) > 2 else "docs/oversampling-spectra.png"
    with tempfile.TemporaryDirectory() as folder:
        os.environ["HOME"] = folder  # the instruments write their settings into HOME
        spectra = [(q, spectrum_db(render(bin_dir, q, folder))) for q in ("classic", "high")]
    figure, axes = plt.subplots(2, 1, figsize=(9, 6), sharex=True, sharey=True)
    for axis, (quality, (freqs, db)) in zip(axes, spectra):
        axis.plot(freqs / 1000, db, linewidth=0.6, color="#1f4e79" if quality == "high" else "#a33")
        axis.set_title("Nekobi, note 96 (2093 Hz), factor 8, %s quality" % quality.capitalize(), fontsize=10)
        axis.set_ylim(-160, 5)
        axis.set_ylabel("dB")
        axis.grid(True, linewidth=0.3)
        for k in range(1, 11):
            axis.axvline(2.093 * k, color="#999", linewidth=0.3, linestyle=":")
    axes[1].set_xlabel("kHz (dotted lines: the note's harmonics)")
    axes[1].set_xlim(0, RATE / 2000)
    figure.tight_layout()
    figure.savefig(target, dpi=100)


if __name__ == "__main__":
    main()
