var site = VarToStr(base);
var page = httpget(url);
var links = split(page, "href=" + Chr(34));
for (var i = 1; i <= high(links); i++) {
  var link = abspath(url, match(links[i], "(*)" + Chr(34)));
  if (Pos(site, link) == 1) queueadd(q, link);
}
queuedone(q, url);
