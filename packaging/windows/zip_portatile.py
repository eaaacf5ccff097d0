#!/usr/bin/env python3
"""Packs a folder into the portable ZIP, the same bytes on every build of one
commit: entries in name order, each dated SOURCE_DATE_EPOCH (or 1980-01-01),
with plain permissions and no extra fields.

    zip_portatile.py CARTELLA USCITA.zip
"""
import os
import sys
import time
import zipfile


def main(cartella, uscita):
    epoca = int(os.environ.get("SOURCE_DATE_EPOCH", "315532800"))
    data = time.gmtime(max(epoca, 315532800))[:6]
    radice = os.path.dirname(os.path.abspath(cartella))
    nomi = []
    for base, _, file in os.walk(cartella):
        nomi += [os.path.relpath(os.path.join(base, f), radice) for f in file]
    with zipfile.ZipFile(uscita, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archivio:
        for nome in sorted(nomi, key=lambda n: n.replace(os.sep, "/")):
            voce = zipfile.ZipInfo(nome.replace(os.sep, "/"), data)
            voce.external_attr = 0o644 << 16
            voce.compress_type = zipfile.ZIP_DEFLATED
            with open(os.path.join(radice, nome), "rb") as f:
                archivio.writestr(voce, f.read(), compresslevel=9)


if __name__ == "__main__":
    main(*sys.argv[1:])
