"""Finds strings in browser profiles the way the engine's tests must: in a
file's bytes as ASCII and as UTF-16LE, and also in what the file holds
compressed or split up, which a plain search misses:
- a LevelDB table (*.ldb, *.sst): every block, Snappy-decompressed, its
  entries' keys rebuilt (a block stores each key as the part it does not
  share with the key before it);
- a LevelDB log or MANIFEST: its records joined again (a record that crosses
  a 32 KiB block has a block header in its middle);
- a Snappy framed stream (Firefox's DOM cache bodies in `morgue/`): its
  chunks decompressed.
Standard library only.
"""
import os
import re
import struct

LEVELDB_MAGIC = 0xDB4775248B80FB57
SNAPPY_FRAMED = b"\xff\x06\x00\x00sNaPpY"


def _varint(data, pos):
    value = shift = 0
    while True:
        byte = data[pos]
        pos += 1
        value |= (byte & 0x7F) << shift
        if byte < 0x80:
            return value, pos
        shift += 7


def snappy(data):
    """Decompresses one raw Snappy block (format_description.txt of Snappy)."""
    size, pos = _varint(data, 0)
    out = bytearray()
    while pos < len(data):
        tag = data[pos]
        pos += 1
        kind = tag & 3
        if kind == 0:  # a literal; lengths past 60 follow in 1..4 bytes
            length = tag >> 2
            if length >= 60:
                count = length - 59
                length = int.from_bytes(data[pos:pos + count], "little")
                pos += count
            length += 1
            out += data[pos:pos + length]
            pos += length
            continue
        if kind == 1:
            length, offset = 4 + ((tag >> 2) & 7), ((tag >> 5) << 8) | data[pos]
            pos += 1
        elif kind == 2:
            length, offset = (tag >> 2) + 1, int.from_bytes(data[pos:pos + 2], "little")
            pos += 2
        else:
            length, offset = (tag >> 2) + 1, int.from_bytes(data[pos:pos + 4], "little")
            pos += 4
        if offset == 0 or offset > len(out):
            raise ValueError("snappy: copy before the start")
        start = len(out) - offset
        while length > 0:  # a copy may overlap what it writes
            piece = out[start:start + min(length, offset)]
            out += piece
            start += len(piece)
            length -= len(piece)
    if len(out) != size:
        raise ValueError("snappy: %d bytes, the preamble said %d" % (len(out), size))
    return bytes(out)


def _block(data, offset, size):
    """A table block's contents (its 5-byte trailer: compression type, CRC)."""
    kind = data[offset + size]
    raw = data[offset:offset + size]
    if kind == 0:
        return raw
    if kind == 1:
        return snappy(raw)
    raise ValueError("block compression %d" % kind)


def _entries(block):
    """The (key, value) pairs of a table block, keys rebuilt whole."""
    restarts = struct.unpack_from("<I", block, len(block) - 4)[0]
    end = len(block) - 4 - 4 * restarts
    pos, key = 0, b""
    while pos < end:
        shared, pos = _varint(block, pos)
        unshared, pos = _varint(block, pos)
        length, pos = _varint(block, pos)
        key = key[:shared] + block[pos:pos + unshared]
        pos += unshared
        yield key, block[pos:pos + length]
        pos += length


def leveldb_table(data):
    """Every entry of a LevelDB table, as key + value byte strings, from the
    footer's index and metaindex blocks down to each data block."""
    if len(data) < 48 or struct.unpack_from("<Q", data, len(data) - 8)[0] != LEVELDB_MAGIC:
        raise ValueError("not a LevelDB table")
    pos = len(data) - 48
    meta_offset, pos = _varint(data, pos)
    meta_size, pos = _varint(data, pos)
    index_offset, pos = _varint(data, pos)
    index_size, pos = _varint(data, pos)
    out = []
    for offset, size, is_index in ((meta_offset, meta_size, False),
                                   (index_offset, index_size, True)):
        for key, value in _entries(_block(data, offset, size)):
            out.append(key + value)
            if is_index:
                handle_offset, p = _varint(value, 0)
                handle_size, _ = _varint(value, p)
                out.extend(k + v for k, v in _entries(_block(data, handle_offset, handle_size)))
    return out


def leveldb_log(data):
    """The records of a LevelDB log or MANIFEST, each joined from its
    fragments (log_format.md: 32 KiB blocks, 7-byte headers)."""
    out, record, pos = [], b"", 0
    while pos + 7 <= len(data):
        left = 32768 - pos % 32768
        if left < 7:  # a block's tail too short for a header is padding
            pos += left
            continue
        length, kind = struct.unpack_from("<HB", data, pos + 4)
        record += data[pos + 7:pos + 7 + length]
        pos += 7 + length
        if kind in (1, 4) or kind == 0:  # FULL, LAST, or zero padding
            out.append(record)
            record = b""
    return out + [record]


def snappy_framed(data):
    """The chunks of a Snappy framed stream (framing_format.txt)."""
    out, pos = [], 0
    while pos + 4 <= len(data):
        kind = data[pos]
        length = int.from_bytes(data[pos + 1:pos + 4], "little")
        chunk = data[pos + 4:pos + 4 + length]
        if kind == 0:
            out.append(snappy(chunk[4:]))  # after the masked CRC
        elif kind == 1:
            out.append(chunk[4:])
        pos += 4 + length
    return out


def views(path, data):
    """The byte strings to search for a file: its bytes, and what its format
    hides from a plain search."""
    name = os.path.basename(path)
    try:
        if name.endswith((".ldb", ".sst")):
            return [data] + leveldb_table(data)
        if re.fullmatch(r"[0-9]+\.log|MANIFEST-[0-9]+", name):
            return [data] + leveldb_log(data)
        if data.startswith(SNAPPY_FRAMED):
            return [data] + snappy_framed(data)
    except (ValueError, IndexError, struct.error) as e:
        raise ValueError("%s: %s" % (path, e)) from None
    return [data]


def holds(texts, needle):
    """Whether any of texts holds needle, in ASCII or in UTF-16LE."""
    forms = (needle.encode(), needle.encode("utf-16-le"))
    return any(form in text for text in texts for form in forms)


def search(root, needles, skip=()):
    """{needle: sorted paths relative to root of the files that hold it}; a
    file's path counts as its bytes, so a folder named after a site names it."""
    found = {needle: [] for needle in needles}
    for folder, _, files in os.walk(root):
        for name in files:
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, root)
            if rel in skip or os.path.islink(path):
                continue
            with open(path, "rb") as f:
                texts = views(path, f.read()) + [rel.encode()]
            for needle in needles:
                if holds(texts, needle):
                    found[needle].append(rel)
    return {needle: sorted(paths) for needle, paths in found.items()}
