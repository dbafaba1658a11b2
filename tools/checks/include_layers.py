#!/usr/bin/env python3
"""Fails when a file under src/ includes a header of a higher layer.

The layers, bottom up: core, platform, data, report, import, widgets,
preview, orders, waybill, access, importui, maintenance, app, extras. The
build enforces the same order (each layer's library sees only the headers of
the layers it links); this check also names the line. The program's start
(main.cpp, the composition root) assembles everything and may include any of
them.
"""
import os
import re
import sys

ORDER = ['core', 'platform', 'data', 'report', 'import', 'widgets', 'preview', 'orders', 'waybill', 'access', 'importui',
         'maintenance', 'app', 'extras']
RANK = {name: i for i, name in enumerate(ORDER)}

src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', '..', 'src')
wrong = []
for root, _, files in os.walk(src):
    for name in files:
        path = os.path.join(root, name)
        rel = os.path.relpath(path, src)
        if rel == 'main.cpp':
            continue
        folder = rel.split(os.sep)[0]
        if folder not in RANK:
            wrong.append(f'{rel}: folder {folder} has no layer')
            continue
        with open(path, encoding='utf-8') as f:
            for number, line in enumerate(f, 1):
                m = re.match(r'\s*#include "([a-z]+)/', line)
                if m and m.group(1) in RANK and RANK[m.group(1)] > RANK[folder]:
                    wrong.append(f'{rel}:{number}: {folder} includes {line.strip()}')
for w in wrong:
    print(w)
sys.exit(1 if wrong else 0)
