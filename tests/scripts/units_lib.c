int negate(int x) {
  return -x;
}
{
  lg("unit block");
}
