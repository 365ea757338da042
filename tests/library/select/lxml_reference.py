#!/usr/bin/env python3
"""Runs CSS selectors through lxml + cssselect on one page, for the
differential test. Reads the page (UTF-8) and a file of selectors, one a
line; prints for each selector "T n" and n texts (the element's text
without script and style below it, ASCII white space removed), then "H m"
and the m href values of the elements that have one."""
import re
import sys

import lxml.html
from lxml.cssselect import CSSSelector

SKIP = {"script", "style", "template"}
SPACE = re.compile(r"[ \t\n\r\f]+")


def collect(el, out, top):
    if isinstance(el.tag, str) and (top or el.tag not in SKIP):
        if el.text:
            out.append(el.text)
        for child in el:
            collect(child, out, False)
    if not top and el.tail:
        out.append(el.tail)


def main():
    page = open(sys.argv[1], "rb").read()
    parser = lxml.html.HTMLParser(encoding="utf-8")
    root = lxml.html.document_fromstring(page, parser=parser)
    for selector in open(sys.argv[2], encoding="utf-8").read().splitlines():
        found = CSSSelector(selector, translator="html")(root)
        print("T", len(found))
        for el in found:
            out = []
            collect(el, out, True)
            print(SPACE.sub("", "".join(out)))
        hrefs = [el.get("href") for el in found if el.get("href") is not None]
        print("H", len(hrefs))
        for h in hrefs:
            print(re.sub(r"[\t\n\r\f]", " ", h))


main()
