// A unit whose text the grammar cannot take to its end.
function One() { return 1; }
@@ not script
