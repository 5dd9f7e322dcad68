#!/usr/bin/env python3
"""Makes archives with tools we did not write, for the unzip32 tests and the
fuzzer's seeds. Usage:
  real_tools.py tree DIR                 a catalogue-like tree (nested, empty, UTF-8 names)
  real_tools.py python-deflate DIR ZIP   zipfile, deflated
  real_tools.py python-stream DIR ZIP    zipfile into a pipe: data descriptors
  real_tools.py python-zip64 DIR ZIP     zipfile with ZIP64 records on every entry
  real_tools.py python-extract ZIP DIR   zipfile's own extraction
"""
import os
import subprocess
import sys
import zipfile


def make_tree(root):
    files = {
        "catalogo/dati/indice.htm": b"<html>catalogo</html>\r\n" * 900,
        "catalogo/dati/immagini/logo.bin": bytes((i * 7919 + (i >> 3)) % 251 for i in range(70000)),
        "catalogo/vuoto.txt": b"",
        "a/b/c/d/e/profondo.txt": b"deep\n",
        "perch\u00e9/gi\u00e0.txt": "può già perché\n".encode("utf-8"),
        "pu\u00f2.txt": b"x" * 3,
        "con spazi/nome con spazi.txt": b"spaces\n",
    }
    for name, data in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    os.makedirs(os.path.join(root, "catalogo", "cartella vuota"), exist_ok=True)


def walk(root):
    for folder, dirs, files in os.walk(root):
        dirs.sort()
        for name in sorted(dirs):
            path = os.path.join(folder, name)
            if not os.listdir(path):
                yield path, os.path.relpath(path, root) + "/"
        for name in sorted(files):
            path = os.path.join(folder, name)
            yield path, os.path.relpath(path, root)


def python_deflate(root, archive):
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
        for path, name in walk(root):
            z.write(path, name)


def python_stream(root, archive):
    # A pipe cannot seek back to the local headers, so zipfile writes data descriptors.
    with open(archive, "wb") as out:
        cat = subprocess.Popen(["cat"], stdin=subprocess.PIPE, stdout=out)
        with zipfile.ZipFile(cat.stdin, "w", zipfile.ZIP_DEFLATED) as z:
            for path, name in walk(root):
                if name.endswith("/"):
                    z.writestr(name, b"")
                    continue
                with open(path, "rb") as src, z.open(name, "w") as dst:
                    dst.write(src.read())
        cat.stdin.close()
        cat.wait()


def python_zip64(root, archive):
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
        for path, name in walk(root):
            if name.endswith("/"):
                z.writestr(name, b"")
                continue
            with open(path, "rb") as src, z.open(name, "w", force_zip64=True) as dst:
                dst.write(src.read())


def main():
    command, *args = sys.argv[1:]
    if command == "tree":
        make_tree(args[0])
    elif command == "python-deflate":
        python_deflate(*args)
    elif command == "python-stream":
        python_stream(*args)
    elif command == "python-zip64":
        python_zip64(*args)
    elif command == "python-extract":
        with zipfile.ZipFile(args[0]) as z:
            z.extractall(args[1])
    else:
        sys.exit("unknown command " + command)


if __name__ == "__main__":
    main()
