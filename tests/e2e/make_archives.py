#!/usr/bin/env python3
"""Writes the archives of the end-to-end tests beside the sample one, with
Python's zipfile, and extracts the long one for reference.

lungo.zip: the sample's entries (the page beside the data folder first), then
a 24 MiB manual beside the data folder (a file a kill can land in), then one
more data page last.
senza_catalogo.zip: the content of the data folder without the folder, the
slip an operator makes when zipping the folder's content.
nome_breve.zip: the sample's entries and a page under CATA~XO3.PRI, the short
name Wine gives catalogo.prima-della-patch-7, where the old data is set aside.
dispositivo.zip: the sample's entries and aux.txt, a device's name on Windows.

usage: make_archives.py SAMPLE.zip OUTPUT_FOLDER
"""
import os
import random
import shutil
import sys
import zipfile

DATE = (2026, 12, 1, 9, 0, 0)


def write(path, entries):
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as archive:
        for name, data in entries:
            info = zipfile.ZipInfo(name, DATE)
            info.compress_type = zipfile.ZIP_STORED if name.endswith('/') else zipfile.ZIP_DEFLATED
            info.external_attr = (0o40755 << 16) | 0x10 if name.endswith('/') else 0o100644 << 16
            archive.writestr(info, data)


def main(sample, out):
    with zipfile.ZipFile(sample) as archive:
        entries = [(i.filename, archive.read(i)) for i in archive.infolist()]
    data = [(n, d) for n, d in entries if n.startswith('catalogo/')]
    manual = random.Random(7).randbytes(24 << 20)
    last = ('catalogo/zz_ultima.htm', b'<html><body>' + b'Ultima pagina del catalogo. ' * 200 + b'</body></html>\r\n')
    os.makedirs(out, exist_ok=True)
    write(os.path.join(out, 'lungo.zip'), entries + [('manuale.bin', manual), last])
    write(os.path.join(out, 'senza_catalogo.zip'), [(n[len('catalogo/'):], d) for n, d in data if n != 'catalogo/'])
    write(os.path.join(out, 'nome_breve.zip'), entries + [('CATA~XO3.PRI/vecchio.htm', b'over the old page')])
    write(os.path.join(out, 'dispositivo.zip'), entries + [('aux.txt', b'to a device')])
    reference = os.path.join(out, 'lungo')
    shutil.rmtree(reference, ignore_errors=True)
    zipfile.ZipFile(os.path.join(out, 'lungo.zip')).extractall(reference)


if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2])
