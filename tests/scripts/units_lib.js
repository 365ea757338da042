function square(x) { return x * x; }
var unitValue = "set by the unit";
