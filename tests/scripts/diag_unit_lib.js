// A unit whose routine fails: diagnostics name this file.
function Half(x) {
  if (x == 0)
    RaiseException("no half of nothing");
  return x / 2;
}
