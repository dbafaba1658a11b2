#!/usr/bin/python3
"""Writes the workbook stream of an Excel 97-2003 file (the records, without
their compound-document container) to OUT: seeds that let fuzz_biff reach the
record parsing directly. Only the plain layout the test fixtures use is
followed (the stream in regular sectors, at most 109 FAT sectors).
    workbook_stream.py IN.xls OUT
"""
import struct
import sys


def workbook_stream(data):
    if data[:8] != b'\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1':
        raise ValueError('not a compound document')
    sector = 1 << struct.unpack_from('<H', data, 30)[0]
    fat_count, dir_start = struct.unpack_from('<II', data, 44)
    mini_cutoff = struct.unpack_from('<I', data, 56)[0]
    fat_sectors = struct.unpack_from('<109I', data, 76)[:fat_count]

    def at(n):
        return data[(n + 1) * sector:(n + 2) * sector]

    fat = []
    for n in fat_sectors:
        fat.extend(struct.unpack('<%dI' % (sector // 4), at(n)))

    def chain(start):
        out, n, seen = b'', start, set()
        while n < 0xFFFFFFFA and n not in seen:
            seen.add(n)
            out += at(n)
            n = fat[n]
        return out

    directory = chain(dir_start)
    for off in range(0, len(directory), 128):
        entry = directory[off:off + 128]
        name_len = struct.unpack_from('<H', entry, 64)[0]
        name = entry[:max(name_len - 2, 0)].decode('utf-16-le', 'replace')
        start, size = struct.unpack_from('<II', entry, 116)
        if name.lower() == 'workbook':
            if size < mini_cutoff:
                raise ValueError('workbook stream in the mini stream')
            return chain(start)[:size]
    raise ValueError('no workbook stream')


if __name__ == '__main__':
    with open(sys.argv[1], 'rb') as f:
        stream = workbook_stream(f.read())
    with open(sys.argv[2], 'wb') as f:
        f.write(stream)
