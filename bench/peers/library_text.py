# The peer of bench/library_bench: the same operations with CPython's re and
# str, on the same files; prints "name ms" lines.
import re
import sys
import time


def best(repeat, f):
    t_best = float("inf")
    for _ in range(3):
        t = time.perf_counter()
        for _ in range(repeat):
            f()
        t_best = min(t_best, time.perf_counter() - t)
    return t_best * 1000 / repeat


big = open(sys.argv[1], encoding="utf-8").read()
fields = open(sys.argv[3], encoding="utf-8").read()
tags = re.compile(r"<[^>]+>", re.I | re.S)
last = re.compile(r'.*href="([^"]*)"', re.I | re.S)
print("regex_replace_tags %.3f" % best(1, lambda: tags.sub("", big)))
print("regex_pick_last_link %.3f" % best(1, lambda: last.search(big).group(1)))
print("split_implode_20mb %.3f" % best(1, lambda: "</a>".join(big.split("</a>"))))


def fields_x20():
    for _ in range(20):
        "||".join(fields.split("||"))


print("split_join_100k_x20 %.3f" % best(1, fields_x20))
