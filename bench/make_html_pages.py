#!/usr/bin/env python3
"""Writes real-looking article pages for the HTML benchmarks.

make_html_pages.py DIR: DIR/big.html (about 5 MB, many varied pages joined)
and DIR/article_NNN.html (100 pages of about 100 KB). Chinese and English
articles, with navigation, scripts, styles, comments, tables, lists, images,
entities and a footer. Deterministic.
"""
import os
import random
import sys

R = random.Random(20240509)

ZH = ("城市 发展 居民 社区 公园 学校 医院 交通 地铁 规划 政府 文化 遗产 保护 经济 增长 企业 市场 科技 创新 "
      "教育 学生 老师 家长 环境 空气 质量 治理 农村 乡村 振兴 旅游 游客 节日 活动 记者 采访 报道 新闻 网络 "
      "数据 平台 服务 用户 安全 健康 医疗 保险 政策 改革").split()
EN = ("city development residents community park school hospital traffic subway planning government culture "
      "heritage protection economy growth company market technology innovation education students teachers "
      "parents environment air quality rural tourism visitors festival reporter interview news network data "
      "platform service users safety health insurance policy reform the a of and to in is that for on with "
      "as was by at from").split()


def zh_sentence():
    return "".join(R.choice(ZH) for _ in range(R.randint(6, 14))) + R.choice("，。；！？") 


def en_sentence():
    words = [R.choice(EN) for _ in range(R.randint(8, 20))]
    return " ".join(words).capitalize() + R.choice(". . . ! ?")


def paragraph(zh):
    n = R.randint(3, 9)
    if zh:
        return "　　" + "".join(zh_sentence() for _ in range(n))
    return " ".join(en_sentence() for _ in range(n))


def nav(zh):
    items = ["首页", "新闻", "体育", "财经", "科技", "娱乐"] if zh else ["Home", "News", "Sport", "Business", "Tech"]
    links = "".join(f'<li><a href="/{i}/index.html" class="nav-item">{t}</a></li>' for i, t in enumerate(items))
    return f'<nav class="top"><ul class="menu">{links}</ul></nav>\n'


def article(zh, index, paragraphs):
    title = "".join(R.choice(ZH) for _ in range(6)) if zh else " ".join(R.choice(EN) for _ in range(6)).title()
    parts = [
        "<!DOCTYPE html>\n<html><head>",
        '<meta charset="utf-8"><meta name="keywords" content="news,article">',
        f"<title>{title} - {'新闻网' if zh else 'Daily News'}</title>",
        '<link rel="stylesheet" href="/css/site.css">',
        "<style>body{font:14px/1.6 sans-serif} .menu li{display:inline}</style>",
        "<script>var _hmt = _hmt || []; (function(){ var hm = document.createElement('script'); "
        "hm.src = '//stats.example.com/hm.js?" + str(index) + "'; })();</script>",
        "</head>\n<body>\n",
        f"<!-- header {index} -->\n",
        nav(zh),
        f'<div id="main" class="container">\n<h1 class="title">{title}</h1>\n',
        f'<div class="info"><span class="time">2024-05-{index % 28 + 1:02d}</span> '
        f'<span class="source">{"来源：" if zh else "Source: "}<a href="/src/{index}">Agency</a></span></div>\n',
        '<div class="content">\n',
    ]
    for i in range(paragraphs):
        kind = R.random()
        if kind < 0.08:
            parts.append(f'<p align="center"><img src="../images/{index}_{i}.jpg" alt="pic" width="600"></p>\n')
        elif kind < 0.12:
            rows = "".join(f"<tr><td>{R.choice(ZH if zh else EN)}</td><td>{R.randint(1, 999)}</td></tr>" for _ in range(4))
            parts.append(f'<table class="data" border="1">{rows}</table>\n')
        elif kind < 0.15:
            parts.append(f"<!-- ad slot {index}-{i} -->\n<div class=\"ad\" style=\"display:none\">ad</div>\n")
        elif kind < 0.18:
            items = "".join(f"<li>{en_sentence()}</li>" for _ in range(3))
            parts.append(f"<ul>{items}</ul>\n")
        else:
            text = paragraph(zh)
            if R.random() < 0.3:
                text = text.replace(" ", " <b>", 1) + "</b>" if not zh else "<strong>" + text + "</strong>"
            if R.random() < 0.2:
                text += " &nbsp;&quot;quoted&quot; &amp; &lt;escaped&gt; &#8212; &#26032;"
            parts.append(f"<p>{text}</p>\n")
    parts += [
        "</div>\n</div>\n",
        '<div class="footer">Copyright © 2024 Example News. All Rights Reserved. 京ICP备12345678号</div>\n',
        "<script src=\"/js/app.js\"></script>\n</body></html>\n",
    ]
    return "".join(parts)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    # One document whose body holds the bodies of many varied pages, so that
    # every parser reads all of it.
    bodies, size, i = [], 0, 0
    while size < 5_000_000:
        page = article(i % 3 != 0, i, R.randint(10, 60))
        body = page[page.index("<body>") + 6:page.index("</body>")]
        bodies.append(f'<div class="page" id="p{i}">' + body + "</div>\n")
        size += len(bodies[-1].encode())
        i += 1
    head = article(True, 0, 1)
    head = head[:head.index("<body>") + 6]
    with open(os.path.join(out, "big.html"), "w", encoding="utf-8") as f:
        f.write(head + "".join(bodies) + "</body></html>\n")
    for n in range(100):
        page = article(n % 2 == 0, 1000 + n, 20)
        while len(page.encode()) < 100_000:
            page = page.replace("</div>\n</div>\n", "".join(f"<p>{paragraph(n % 2 == 0)}</p>\n" for _ in range(5)) +
                                "</div>\n</div>\n", 1)
        with open(os.path.join(out, f"article_{n:03d}.html"), "w", encoding="utf-8") as f:
            f.write(page)


main()
