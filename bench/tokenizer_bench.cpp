// Tokenizer throughput: a generated script of about 10 million characters,
// read the way the grammar interpreter reads it (skip, then try one token
// class after another, setting the position back after each miss).
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "engine/translate/tokenizer.h"
#include "support/text.h"

namespace {

const char* const kKeywords[] = {
    "and",  "array", "begin",  "break", "case",    "const", "continue",  "div",     "do",     "downto",
    "else", "end",   "except", "exit",  "finally", "for",   "function",  "goto",    "if",     "in",
    "is",   "label", "mod",    "not",   "of",      "or",    "procedure", "program", "repeat", "shl",
    "shr",  "then",  "to",     "try",   "until",   "uses",  "var",       "while",   "with",   "xor"};

std::u16string MakeScript(size_t size) {
  std::mt19937 rng(42);
  const char* const idents[] = {"i", "count", "Total", "s", "url", "html_page", "x1", "result", "中文名"};
  const char* const ops[] = {" := ", " + ", " - ", " * ", " = ", " <> ", "; ", ", ", "(", ")", "[", "]", "."};
  std::string out;
  out.reserve(size + 256);
  while (out.size() < size) {
    switch (rng() % 10) {
      case 0:
        out += kKeywords[rng() % std::size(kKeywords)];
        break;
      case 1:
        out += std::to_string(rng() % 100000);
        break;
      case 2:
        out += "3.25e-4";
        break;
      case 3:
        out += "'some text, with ''quotes'''#13#10";
        break;
      case 4:
        out += "{ a block comment }";
        break;
      case 5:
        out += " // a line comment\r\n";
        break;
      case 6:
        out += "$1F";
        break;
      default:
        out += idents[rng() % std::size(idents)];
        break;
    }
    out += ops[rng() % std::size(ops)];
    if (rng() % 8 == 0) out += "\r\n  ";
  }
  return qv::FromUtf8(out);
}

void BM_Tokenize(benchmark::State& state) {
  const std::u16string script = MakeScript(10'000'000);
  qv::TfsParser parser;
  for (const char* k : kKeywords) parser.AddKeyword(qv::FromAscii(k));
  parser.SetText(script);
  size_t tokens = 0;
  for (auto _ : state) {
    parser.SetPosition(1);
    while (parser.Position() <= parser.Size()) {
      parser.SkipSpaces();
      int at = parser.Position();
      if (at > parser.Size()) break;
      if (!parser.GetIdent().empty() || (parser.SetPosition(at), !parser.GetWord().empty())) {
      } else if (parser.SetPosition(at), !parser.GetNumber().empty()) {
      } else if (parser.SetPosition(at), !parser.GetString().empty()) {
      } else {
        parser.SetPosition(at);
        parser.SkipSpaces();
        if (parser.GetChar().empty()) parser.SetPosition(at + 1);
      }
      ++tokens;
    }
    benchmark::DoNotOptimize(tokens);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(script.size()));
  state.counters["tokens"] = benchmark::Counter(static_cast<double>(tokens), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Tokenize)->Unit(benchmark::kMillisecond);

void BM_Positions(benchmark::State& state) {
  const std::u16string script = MakeScript(10'000'000);
  qv::TfsParser parser;
  parser.SetText(script);
  int pos = 1;
  for (auto _ : state) {
    pos = (pos * 7919 + 13) % parser.Size() + 1;
    parser.SetPosition(pos);
    benchmark::DoNotOptimize(parser.GetXYPosition());
  }
}
BENCHMARK(BM_Positions);

}  // namespace

BENCHMARK_MAIN();
