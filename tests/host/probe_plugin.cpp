// A tiny plug-in for the host tests.
#include <cstdio>
#include <cstdlib>

namespace {

void Note(const char* what) {
  const char* marker = std::getenv("QV_PLUGIN_MARKER");
  if (marker == nullptr) return;
  if (std::FILE* f = std::fopen(marker, "a")) {
    std::fputs(what, f);
    std::fclose(f);
  }
}

__attribute__((constructor)) void Loaded() { Note("loaded\n"); }
__attribute__((destructor)) void Unloaded() { Note("unloaded\n"); }

}  // namespace

extern "C" {
int qv_probe_alpha() { return 1; }
int qv_probe_beta() { return 2; }
__attribute__((visibility("hidden"))) int qv_probe_hidden() { return 3; }
int qv_probe_data = 4;
}
