// XML model throughput: builds a 10 MB document shaped like
// intermediate code (statements holding designators and expressions, many
// small token elements with `text` and `pos`, one element per line as the
// translator writes it), then times loading it from a memory stream and
// saving it (best of five, in process CPU time), and reports the heap the
// loaded tree takes.
//
//   build/release/bench/xml_bench [megabytes]
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "engine/xml/stream.h"
#include "engine/xml/xml.h"

namespace {

std::string Pos(int line, int col) { return std::to_string(line) + ":" + std::to_string(col); }

void Token(std::string& out, const char* name, const std::string& text, int line, int col) {
  out += "<";
  out += name;
  out += " text=\"" + text + "\" pos=\"" + Pos(line, col) + "\"/>\r\n";
}

// One statement: Name.Member(123, 'text' + x) ; about 600 bytes.
void Statement(std::string& out, int line) {
  out += "<callstmt pos=\"" + Pos(line, 3) + "\">\r\n<dsgn pos=\"" + Pos(line, 3) + "\">\r\n";
  Token(out, "node", "Writer" + std::to_string(line % 97), line, 9);
  Token(out, "node", "Append", line, 16);
  out += "<expr pos=\"" + Pos(line, 17) + "\" pos1=\"" + Pos(line, 20) + "\">\r\n";
  Token(out, "number", std::to_string(line * 7 % 1000), line, 20);
  out += "</expr>\r\n<expr pos=\"" + Pos(line, 22) + "\" pos1=\"" + Pos(line, 34) + "\">\r\n";
  Token(out, "string", "'text &#34;" + std::to_string(line) + "&#34;'", line, 30);
  Token(out, "op", "strcat", line, 31);
  out += "<dsgn pos=\"" + Pos(line, 33) + "\">\r\n";
  Token(out, "node", "x", line, 34);
  out += "</dsgn>\r\n</expr>\r\n</dsgn>\r\n</callstmt>\r\n";
}

std::string MakeDocument(size_t bytes) {
  std::string out = "<?xml version=\"1.0\"?>\r\n<program>\r\n";
  int line = 1;
  while (out.size() < bytes) {
    out += "<procedure pos=\"" + Pos(line, 1) + "\">\r\n";
    Token(out, "name", "Proc" + std::to_string(line), line, 15);
    out += "<compoundstmt pos=\"" + Pos(line + 1, 1) + "\">\r\n";
    for (int i = 0; i < 20; ++i) Statement(out, ++line);
    out += "</compoundstmt>\r\n</procedure>\r\n";
    line += 2;
  }
  out += "<types>\r\n<int type=\"integer\"/>\r\n</types>\r\n</program>\r\n";
  return out;
}

size_t HeapInUse() {
  struct mallinfo2 mi = mallinfo2();
  return mi.uordblks + mi.hblkhd;
}

size_t CountItems(const qv::TfsXMLItem& root) {
  size_t n = 1;
  for (const auto& c : root.Children()) n += CountItems(*c);
  return n;
}

// Process CPU time: the figures stay meaningful on a busy machine.
double CpuNow() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

// The best of `runs` timings of `f`; `f` returns what it built, destroyed
// outside the timing.
template <typename F>
double BestSeconds(int runs, F&& f) {
  double best = 1e9;
  for (int i = 0; i < runs; ++i) {
    double t0 = CpuNow();
    auto result = f();
    best = std::min(best, CpuNow() - t0);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  size_t mb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10;
  std::string text = MakeDocument(mb << 20);
  double size = static_cast<double>(text.size());
  qv::MemoryStream input(text);

  size_t before = HeapInUse();
  auto doc = std::make_unique<qv::TfsXMLDocument>();
  input.SetPosition(0);
  doc->LoadFromStream(input);
  size_t heap = HeapInUse() - before;
  size_t items = CountItems(*doc->Root());

  double load = BestSeconds(5, [&] {
    auto d = std::make_unique<qv::TfsXMLDocument>();
    input.SetPosition(0);
    d->LoadFromStream(input);
    return d;
  });
  std::string saved;
  double save = BestSeconds(5, [&] {
    auto out = std::make_unique<qv::MemoryStream>();
    doc->SaveToStream(*out);
    saved = out->Data();
    return out;
  });
  double t0 = CpuNow();
  doc.reset();
  double destroy = CpuNow() - t0;

  std::printf("document: %.1f MB, %zu elements (%.1f bytes each)\n", size / 1e6, items, size / items);
  std::printf("load:     %.1f MB/s (%.3f s)\n", size / 1e6 / load, load);
  std::printf("save:     %.1f MB/s (%.3f s, %.1f MB written)\n", saved.size() / 1e6 / save, save,
              saved.size() / 1e6);
  std::printf("memory:   %.1f MB loaded, %.2fx the file (%.0f bytes per element)\n", heap / 1e6, heap / size,
              static_cast<double>(heap) / items);
  std::printf("destroy:  %.3f s\n", destroy);
  return 0;
}
