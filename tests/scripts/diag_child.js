#language js
// Run by diag_runtime_thread_js as a child script.
lg("child");
var n = StrToInt("x");
