#!/usr/bin/env python3
"""Packs the delivery folder into one zip with fixed dates, and prints the size
of each file of the delivery.

usage: pack_delivery.py FOLDER OUTPUT.zip
"""
import os
import sys
import zipfile

DATE = (2026, 12, 1, 9, 0, 0)


def main(folder, output):
    names = sorted(os.listdir(folder))
    with zipfile.ZipFile(output, 'w', zipfile.ZIP_DEFLATED) as archive:
        for name in names:
            with open(os.path.join(folder, name), 'rb') as f:
                data = f.read()
            info = zipfile.ZipInfo(f'delivery/{name}', DATE)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o100644 << 16
            archive.writestr(info, data)
            print(f'{len(data):>10}  {name}')
    print(f'{os.path.getsize(output):>10}  {os.path.basename(output)}')


if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2])
