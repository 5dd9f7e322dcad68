#!/usr/bin/env python3
"""Makes the archive the zip module extracts through our real UNZIP32.DLL, with
Python's zipfile (another tool than ours), and beside it the files it holds, as
the extraction must leave them: FOLDER/catalogo.zip and FOLDER/expected/...."""
import pathlib
import random
import shutil
import sys
import zipfile

ENTRIES = [
    ("leggimi.txt", b"Varenkor Catalogo, patch 7\r\n", zipfile.ZIP_STORED),
    ("catalogo/indice.htm", b"<html><body>Indice del catalogo</body></html>\r\n" * 40, zipfile.ZIP_DEFLATED),
    ("catalogo/dati/tabella.csv", b"codice;descrizione;prezzo\r\n" + b"".join(
        b"%05d;articolo %d;%d,%02d\r\n" % (i, i, i * 3, i % 100) for i in range(2000)), zipfile.ZIP_DEFLATED),
    ("catalogo/immagini/logo.bin", bytes(random.Random(7).randrange(256) for _ in range(70000)),
     zipfile.ZIP_DEFLATED),
    ("catalogo/vuoto.txt", b"", zipfile.ZIP_STORED),
]


def main() -> None:
    folder = pathlib.Path(sys.argv[1])
    shutil.rmtree(folder, ignore_errors=True)
    expected = folder / "expected"
    expected.mkdir(parents=True)
    with zipfile.ZipFile(folder / "catalogo.zip", "w") as archive:
        for name, data, method in ENTRIES:
            info = zipfile.ZipInfo(name, date_time=(2026, 12, 7, 9, 5, 0))
            info.compress_type = method
            archive.writestr(info, data)
            target = expected / name
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(data)


if __name__ == "__main__":
    main()
