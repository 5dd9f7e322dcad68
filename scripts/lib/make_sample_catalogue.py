#!/usr/bin/env python3
"""Writes the sample catalogo.zip of a delivery: a few hundred pages of a
demonstration catalogue, with fixed dates so that two builds give the same bytes.

usage: make_sample_catalogue.py OUTPUT.zip
"""
import sys
import zipfile

DATE = (2026, 12, 1, 9, 0, 0)


def page(title, body):
    return (f'<html><head><meta charset="windows-1252"><title>{title}</title></head>'
            f'<body><h1>{title}</h1>{body}</body></html>\r\n').encode('cp1252')


def entries():
    yield 'progetto.htm', page('Varenkor Catalogo', '<p>Catalogo aggiornato con la patch 7.</p>')
    links = ''.join(f'<li><a href="schede/scheda_{n:03}.htm">Articolo {n}</a></li>' for n in range(1, 301))
    yield 'catalogo/indice.htm', page('Indice del catalogo', f'<ul>{links}</ul>')
    for n in range(1, 301):
        price = 10 + (n * 37) % 490
        yield (f'catalogo/schede/scheda_{n:03}.htm',
               page(f'Articolo {n}', f'<p>Codice VK-{n:05}. Prezzo: {price},00 €. Qualità garantita.</p>'))
    rows = ''.join(f'VK-{n:05};Articolo {n};{10 + (n * 37) % 490},00\r\n' for n in range(1, 301))
    yield 'catalogo/dati/elenco.csv', ('codice;descrizione;prezzo\r\n' + rows).encode('cp1252')
    for n in range(1, 21):
        # Small grey-level images: bytes a compressor cannot shrink much.
        data = bytes((n * 97 + i * 31 + (i * i) % 251) % 256 for i in range(2048))
        yield f'catalogo/immagini/foto_{n:02}.raw', data
    yield 'catalogo/vuoto/', b''


def main(path):
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as archive:
        for name, data in entries():
            info = zipfile.ZipInfo(name, DATE)
            info.compress_type = zipfile.ZIP_STORED if name.endswith('/') else zipfile.ZIP_DEFLATED
            info.external_attr = (0o40755 << 16) | 0x10 if name.endswith('/') else 0o100644 << 16
            archive.writestr(info, data)


if __name__ == '__main__':
    main(sys.argv[1])
