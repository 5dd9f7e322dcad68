#!/usr/bin/env python3
"""Makes the benchmark's two archives with Python's zipfile (deflate, level 6):
  catalogue.zip  5,000 small files (0.2-12 KiB of HTML-like text) in nested folders
  large.zip      three files of 100 MiB: text, base64 of random bytes, random bytes
Usage: make_inputs.py FOLDER [NAME...]   (both archives when no name is given)"""
import base64
import os
import random
import sys
import zipfile

WORDS = ("catalogo articolo prezzo codice descrizione immagine scheda ricambio "
         "modello serie colore misura quantità disponibile ordine cliente").split()


def text(rng, size):
    parts, length = [], 0
    while length < size:
        line = "<tr><td>%s</td><td>%d</td><td>%s</td></tr>\n" % (
            " ".join(rng.choice(WORDS) for _ in range(rng.randint(3, 9))), rng.randint(1, 99999),
            rng.choice(WORDS))
        parts.append(line)
        length += len(line)
    return "".join(parts).encode("utf-8")[:size]


def catalogue(path):
    rng = random.Random(7)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for i in range(5000):
            name = "catalogo/sezione%02d/gruppo%02d/scheda%04d.htm" % (i % 25, (i // 25) % 8, i)
            z.writestr(name, text(rng, rng.randint(200, 12000)))


def large(path):
    rng = random.Random(6)
    mib = 1 << 20
    block = text(rng, 8 * mib)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, allowZip64=True) as z:
        with z.open("dati/testo.txt", "w", force_zip64=True) as f:
            for _ in range(100 // 8):
                f.write(block)
            f.write(block[: 4 * mib])
        with z.open("dati/base64.txt", "w", force_zip64=True) as f:
            for _ in range(100):
                f.write(base64.b64encode(os.urandom(3 * mib // 4)))
        with z.open("dati/casuale.bin", "w", force_zip64=True) as f:
            for _ in range(100):
                f.write(os.urandom(mib))


def main():
    folder, wanted = sys.argv[1], sys.argv[2:]
    os.makedirs(folder, exist_ok=True)
    for name, make in (("catalogue.zip", catalogue), ("large.zip", large)):
        if wanted and name not in wanted:
            continue
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            make(path + ".part")
            os.rename(path + ".part", path)


if __name__ == "__main__":
    main()
