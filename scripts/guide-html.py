#!/usr/bin/python3
"""Makes the HTML page of the user guide from its Markdown text:

    guide-html.py docs/使用说明.md OUT.html

The page is one file that a web browser opens from the disk: UTF-8, its
style inside it, the pictures referred to as images/NAME.png beside it (the
build copies them). Headings get the identifiers that the guide's own table
of contents links to, the ones GitHub gives them (lower case, punctuation
dropped, blanks as hyphens, Chinese kept), so the links work on both.
Needs python3-markdown."""

import html
import sys

import markdown
from markdown.extensions.toc import slugify_unicode

STYLE = """
body { font-family: "Noto Sans CJK SC", "Noto Sans SC", "WenQuanYi Micro Hei", "Microsoft YaHei", sans-serif;
       max-width: 60em; margin: 2em auto; padding: 0 1.5em; line-height: 1.7; color: #1d1d1d; background: #fff; }
h1 { border-bottom: 2px solid #8b1a1a; padding-bottom: .3em; }
h2 { border-bottom: 1px solid #ccc; padding-bottom: .2em; margin-top: 2em; }
img { max-width: 100%; border: 1px solid #ddd; }
table { border-collapse: collapse; margin: 1em 0; }
th, td { border: 1px solid #bbb; padding: .3em .6em; vertical-align: top; text-align: left; }
th { background: #f0f0f0; }
code, pre { font-family: "Noto Sans Mono CJK SC", monospace; background: #f5f5f5; }
pre { padding: .6em 1em; overflow-x: auto; }
blockquote { margin: 1em 0; padding: .2em 1em; border-left: 4px solid #c8a04a; background: #fbf7ee; }
"""


def convert(text):
    md = markdown.Markdown(
        extensions=["tables", "toc", "sane_lists", "fenced_code"],
        extension_configs={"toc": {"slugify": slugify_unicode}},
        output_format="html")
    body = md.convert(text)
    title = next((line[2:].strip() for line in text.splitlines() if line.startswith("# ")), "使用说明")
    return ("<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
            f"<title>{html.escape(title)}</title>\n<style>{STYLE}</style>\n</head>\n<body>\n"
            f"{body}\n</body>\n</html>\n")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[1], encoding="utf-8") as f:
        page = convert(f.read())
    with open(sys.argv[2], "w", encoding="utf-8") as f:
        f.write(page)


if __name__ == "__main__":
    main()
