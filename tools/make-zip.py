#!/usr/bin/env python3
"""Packs a zip whose bytes depend only on the files' contents.

    make-zip.py ZIP FOLDER FILE...

Each FILE goes in as FOLDER/<its name>, in the order given, with the time
$SOURCE_DATE_EPOCH (seconds since 1970, UTC: the commit's time, which
tools/with-commit-time sets) and the plain attributes of a file made on
Windows, so two builds of one commit give the same zip.
"""
import os
import sys
import time
import zipfile

FILE_ATTRIBUTE_ARCHIVE = 0x20


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    out, folder, files = argv[0], argv[1], argv[2:]
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "315532800"))
    # A zip's times are local DOS times from 1980 on; the commit's UTC time
    # is stored as it is, so no build machine's time zone gets in.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(out + ".part", "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        for path in files:
            info = zipfile.ZipInfo(f"{folder}/{os.path.basename(path)}", date_time=stamp)
            info.create_system = 0  # MS-DOS: Windows attributes, not Unix permissions
            info.external_attr = FILE_ATTRIBUTE_ARCHIVE
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as f:
                z.writestr(info, f.read())
    os.replace(out + ".part", out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
