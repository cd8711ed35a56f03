#!/usr/bin/env python3
"""Checks the files the release ships beside the program.

    check-release.py chm FILE.chm PROJECT.hhp   every file the project lists is inside,
                                                every page in the contents tree, every link whole
    check-release.py wav FILE.wav MIN_MS MAX_MS  plain PCM, playable length
    check-release.py ico FILE.ico                16, 32, 48 px in 4, 8 and 32 bits
    check-release.py versions VERSION ZIP SETUP  one version in both names, README.txt and every
                                                exe's version resource; README.txt lists the zip's files

Each prints what it found and exits 1 on the first fault. The help file is
read from its own directory (the ITSF header, the ITSP directory and its
PMGL listing chunks), so no help viewer is needed.
"""
import configparser
import os
import re
import struct
import sys
import zipfile


class Fault(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise Fault(message)


# ---- compiled help ---------------------------------------------------------

def read_encint(data, pos):
    """The directory's variable-length number: 7 bits a byte, high bit = more."""
    value = 0
    while True:
        expect(pos < len(data), "directory entry runs past its chunk")
        byte = data[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            return value, pos


def chm_names(data):
    expect(data[:4] == b"ITSF", "no ITSF signature: not a compiled help file")
    version, header_len = struct.unpack_from("<II", data, 4)
    expect(version in (2, 3), f"ITSF version {version}")
    dir_offset, dir_len = struct.unpack_from("<QQ", data, 0x48)
    expect(dir_offset + dir_len <= len(data), "directory lies past the end of the file")
    itsp = data[dir_offset:dir_offset + dir_len]
    expect(itsp[:4] == b"ITSP", "no ITSP directory header")
    itsp_len, = struct.unpack_from("<I", itsp, 8)
    chunk_size, = struct.unpack_from("<I", itsp, 0x10)
    first, last = struct.unpack_from("<ii", itsp, 0x20)
    chunks, = struct.unpack_from("<I", itsp, 0x2C)
    expect(chunk_size >= 32 and itsp_len + chunks * chunk_size <= len(itsp), "directory chunks do not fit")
    names = {}
    index = first
    seen = set()
    while index != -1:
        expect(0 <= index < chunks and index not in seen, f"bad listing chunk {index}")
        seen.add(index)
        chunk = itsp[itsp_len + index * chunk_size:itsp_len + (index + 1) * chunk_size]
        expect(chunk[:4] == b"PMGL", f"chunk {index} is not a listing chunk")
        free, = struct.unpack_from("<I", chunk, 4)
        following, = struct.unpack_from("<i", chunk, 16)
        pos, end = 20, chunk_size - free
        while pos < end:
            length, pos = read_encint(chunk, pos)
            name = chunk[pos:pos + length].decode("utf-8")
            pos += length
            section, pos = read_encint(chunk, pos)
            offset, pos = read_encint(chunk, pos)
            size, pos = read_encint(chunk, pos)
            names[name] = (section, offset, size)
        if index == last:
            break
        index = following
    return names


def check_chm(path, project):
    with open(path, "rb") as f:
        data = f.read()
    names = {n.lower(): v for n, v in chm_names(data).items()}
    hhp = configparser.ConfigParser(allow_no_value=True, delimiters=("=",))
    hhp.optionxform = str
    with open(project, encoding="latin-1") as f:
        hhp.read_string(f.read())
    wanted = [n for n in hhp["FILES"]] if hhp.has_section("FILES") else []
    contents = hhp["OPTIONS"].get("Contents file")
    index = hhp["OPTIONS"].get("Index file")
    expect(contents and index, "the project names no contents or index file")
    wanted += [contents, index]
    for name in wanted:
        entry = names.get("/" + name.replace("\\", "/").lower())
        expect(entry is not None, f"{name} is missing from the help file")
        expect(entry[2] > 0, f"{name} is empty in the help file")
    expect("/#system" in names, "no #SYSTEM file: viewers could not open it")
    # Every page must be reachable from the contents tree.
    base = os.path.dirname(os.path.abspath(project))
    with open(os.path.join(base, contents), encoding="latin-1") as f:
        listed = {m.split("#")[0].lower() for m in re.findall(r'name="Local"\s+value="([^"]+)"', f.read(), re.I)}
    shipped = {n.lower() for n in wanted}
    for page in (n for n in wanted if n.lower().endswith(".html")):
        expect(page.lower() in listed, f"{page} is not in the contents tree")
        # A link or style sheet must point at a file the help file holds.
        with open(os.path.join(base, page), encoding="latin-1") as f:
            targets = re.findall(r'(?:href|src)="([^"#:]+)', f.read(), re.I)
        for target in targets:
            expect(target.lower() in shipped, f"{page} links to {target}, which the help file lacks")
    print(f"{path}: valid ITSF, {len(names)} entries, all {len(wanted)} project files present")


# ---- sounds ----------------------------------------------------------------

def check_wav(path, min_ms, max_ms):
    with open(path, "rb") as f:
        data = f.read()
    expect(data[:4] == b"RIFF" and data[8:12] == b"WAVE", "not a RIFF WAVE file")
    riff_len, = struct.unpack_from("<I", data, 4)
    expect(riff_len + 8 == len(data), "RIFF length does not match the file")
    pos, fmt, samples = 12, None, None
    while pos + 8 <= len(data):
        kind, size = struct.unpack_from("<4sI", data, pos)
        body = data[pos + 8:pos + 8 + size]
        if kind == b"fmt ":
            fmt = struct.unpack_from("<HHIIHH", body)
        elif kind == b"data":
            samples = body
        pos += 8 + size + (size & 1)
    expect(fmt is not None and samples is not None, "no fmt or data chunk")
    tag, channels, rate, byte_rate, align, bits = fmt
    expect(tag == 1, f"format tag {tag}: not plain PCM")
    expect(channels in (1, 2) and bits in (8, 16), f"{channels} channels of {bits} bits")
    expect(rate in (8000, 11025, 22050, 44100), f"rate {rate} Hz")
    expect(align == channels * bits // 8 and byte_rate == rate * align, "inconsistent block sizes")
    ms = 1000 * len(samples) / byte_rate
    expect(min_ms <= ms <= max_ms, f"{ms:.0f} ms long, expected {min_ms}..{max_ms}")
    if bits == 16:
        peak = max(abs(v) for v, in struct.iter_unpack("<h", samples[:len(samples) // 2 * 2]))
        expect(peak > 3000, "nearly silent")
        expect(peak < 32767, "clipped")
    print(f"{path}: PCM {rate} Hz {bits}-bit {channels} ch, {ms:.0f} ms")


# ---- icon ------------------------------------------------------------------

def check_ico(path):
    with open(path, "rb") as f:
        data = f.read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    expect(reserved == 0 and kind == 1, "not an icon file")
    found = set()
    for i in range(count):
        w, h, colours, _, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        w, h = w or 256, h or 256
        expect(offset + size <= len(data), f"image {i} lies past the end of the file")
        head = struct.unpack_from("<IiiHH", data, offset)
        expect(head[0] == 40, f"image {i} is not a bitmap")
        expect(head[1] == w and head[2] == 2 * h and head[4] == bits, f"image {i}: header and entry differ")
        palette = 4 * (1 << bits) if bits <= 8 else 0
        xor = ((w * bits + 31) // 32) * 4 * h
        mask = ((w + 31) // 32) * 4 * h
        expect(size == 40 + palette + xor + mask, f"image {i}: {size} bytes, expected {40 + palette + xor + mask}")
        if bits == 32:
            alphas = {data[offset + 40 + p * 4 + 3] for p in range(w * h)}
            expect(0 in alphas and 255 in alphas and len(alphas) > 2, f"image {i}: no soft alpha")
        found.add((w, bits))
    wanted = {(s, b) for s in (16, 32, 48) for b in (4, 8, 32)}
    expect(found >= wanted, f"missing images: {sorted(wanted - found)}")
    print(f"{path}: {count} images, 16/32/48 px in 4, 8 and 32 bits")


# ---- one version -------------------------------------------------------------

def fixed_file_version(data, what):
    """The file version of a PE file's version resource (VS_FIXEDFILEINFO)."""
    key = data.find("VS_VERSION_INFO".encode("utf-16-le"))
    at = data.find(b"\xbd\x04\xef\xfe", key) if key >= 0 else -1
    expect(at >= 0, f"{what}: no version resource")
    ms, ls = struct.unpack_from("<II", data, at + 8)
    return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"


def check_exe_version(data, version, what):
    expect(fixed_file_version(data, what) == version,
           f"{what}: file version {fixed_file_version(data, what)}, not {version}")
    expect(version.encode("utf-16-le") in data, f"{what}: no version text {version}")


def check_versions(version, zip_path, setup_path):
    expect(os.path.basename(zip_path) == f"Quellar-{version}.zip", f"{zip_path}: not named for {version}")
    expect(os.path.basename(setup_path) == f"Quellar-{version}-setup.exe", f"{setup_path}: not named for {version}")
    with open(setup_path, "rb") as f:
        check_exe_version(f.read(), version, "the installer")
    with zipfile.ZipFile(zip_path) as z:
        files = {n.split("/", 1)[1] for n in z.namelist() if n.startswith("Quellar/") and not n.endswith("/")}
        readme = z.read("Quellar/README.txt").decode("ascii")
        for exe in ("quellar.exe", "quellarc.exe"):
            expect(exe in files, f"the zip holds no {exe}")
            check_exe_version(z.read(f"Quellar/{exe}"), version, exe)
    lines = readme.split("\r\n")
    expect(lines[0] == f"Quellar {version}", f"README.txt begins {lines[0]!r}, not the version {version}")
    listed = set()
    if "Files" in lines:
        for line in lines[lines.index("Files") + 1:]:
            if not line.startswith("  "):
                break
            listed.add(line.split()[0])
    expect(listed == files - {"README.txt"},
           f"README.txt lists {sorted(listed)}, the zip holds {sorted(files - {'README.txt'})}")
    print(f"version {version}: both names, README.txt, the installer, quellar.exe and quellarc.exe; "
          f"README.txt lists all {len(listed)} files")


def main(argv):
    try:
        if len(argv) == 3 and argv[0] == "chm":
            check_chm(argv[1], argv[2])
        elif len(argv) == 4 and argv[0] == "wav":
            check_wav(argv[1], int(argv[2]), int(argv[3]))
        elif len(argv) == 2 and argv[0] == "ico":
            check_ico(argv[1])
        elif len(argv) == 4 and argv[0] == "versions":
            check_versions(argv[1], argv[2], argv[3])
        else:
            print(__doc__.strip(), file=sys.stderr)
            return 2
    except (Fault, OSError, struct.error, UnicodeDecodeError, KeyError, zipfile.BadZipFile) as fault:
        print(f"{argv[1]}: {fault}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
