#!/usr/bin/env python3
"""Checks the user guide's HTML page that the build made:

    guide_html.py BUILD/doc/使用说明.html docs/images

It fails when the page is missing or lacks its chapters, when a link of its
table of contents or of the text points at no heading, when a picture it
shows is not beside it, when a picture of docs/images is shown nowhere (the
package would carry it for nothing), or when Markdown was left unconverted
(a list or a table that the converter did not recognise stays as text).
"""
import os
import re
import sys
from html.parser import HTMLParser


class Page(HTMLParser):
    def __init__(self):
        super().__init__()
        self.ids, self.links, self.images, self.headings = set(), [], [], []
        self.text_outside_pre = []  # headings and code left out
        self._pre = 0
        self._heading = None

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if 'id' in a:
            self.ids.add(a['id'])
        if tag == 'a' and a.get('href', '').startswith('#'):
            self.links.append(a['href'][1:])
        if tag == 'img':
            self.images.append(a.get('src', ''))
        if tag in ('pre', 'code', 'h1', 'h2', 'h3', 'h4'):
            self._pre += 1
        if tag == 'h2':
            self._heading = ''

    def handle_endtag(self, tag):
        if tag in ('pre', 'code', 'h1', 'h2', 'h3', 'h4'):
            self._pre -= 1
        if tag == 'h2' and self._heading is not None:
            self.headings.append(self._heading.strip())
            self._heading = None

    def handle_data(self, data):
        if self._heading is not None:
            self._heading += data
        if not self._pre:
            self.text_outside_pre.append(data)


def main():
    page_path, images_dir = sys.argv[1], sys.argv[2]
    if not os.path.isfile(page_path):
        sys.exit(f'FAIL: {page_path} was not made')
    with open(page_path, encoding='utf-8') as f:
        source = f.read()
    page = Page()
    page.feed(source)
    faults = []

    if '<meta charset="utf-8">' not in source:
        faults.append('the page does not say it is UTF-8')
    chapters = [h for h in page.headings if re.match(r'\d+\. ', h)]
    for wanted in ('安装与第一次启动', '每天的工作流程', '备份与恢复', '提示信息一览'):
        if not any(wanted in h for h in chapters):
            faults.append(f'no chapter heading with "{wanted}" (chapters: {chapters})')

    for link in page.links:
        if link not in page.ids:
            faults.append(f'link #{link} points at no heading')

    folder = os.path.dirname(page_path)
    shown = set()
    for src in page.images:
        if not src.startswith('images/') or not os.path.isfile(os.path.join(folder, src)):
            faults.append(f'picture {src} is not beside the page')
        shown.add(os.path.basename(src))
    for name in sorted(os.listdir(images_dir)):
        if name.endswith('.png') and name not in shown:
            faults.append(f'docs/images/{name} is shown nowhere')

    text = ''.join(page.text_outside_pre)
    for pattern, what in ((r'\n\s*([-*+]|\d+\.) \S', 'a list left as text (indent list items by four blanks, '
                                                  'a blank line before an item that follows an indented block)'),
                          (r'\n\s*\|.*\|', 'a table left as text'),
                          (r'!?\[[^\]]*\]\([^)]*\)', 'a link or picture left as text'),
                          (r'\*\*', 'bold marks left as text')):
        m = re.search(pattern, text)
        if m:
            faults.append(f'{what}: {m.group(0).strip()[:60]!r}')

    for fault in faults:
        print('FAIL:', fault)
    if faults:
        sys.exit(1)
    print(f'ok: {len(chapters)} chapters, {len(page.links)} links, {len(page.images)} pictures')


if __name__ == '__main__':
    main()
