"""Writes a JSON document of about 20 MB: an API-like list of records with
strings, numbers, Booleans, nulls, nested objects and arrays."""
import json
import random
import sys

random.seed(7)
words = ["alpha", "beta", "gamma", "delta", "caf\u00e9", "\u4e2d\u6587", 'x"y', "path/to"]
items = []
size = 0
i = 0
while size < 20_000_000:
    item = {
        "id": i,
        "name": " ".join(random.choice(words) for _ in range(3)),
        "price": round(random.random() * 1000, 2),
        "tags": [random.choice(words) for _ in range(random.randint(0, 4))],
        "active": random.random() < 0.5,
        "owner": {"login": "user%d" % random.randint(0, 9999), "score": random.randint(-10**6, 10**6), "site": None},
        "text": "lorem ipsum dolor sit amet " * random.randint(1, 4),
    }
    items.append(item)
    size += len(json.dumps(item, ensure_ascii=False)) + 2
    i += 1
with open(sys.argv[1], "w", encoding="utf-8") as f:
    json.dump({"items": items, "count": len(items)}, f, ensure_ascii=False, separators=(", ", ": "))
