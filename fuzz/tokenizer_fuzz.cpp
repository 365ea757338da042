// Fuzzes every reader of the tokenizer. The first bytes pick the lexical
// settings and the order of the readers; the rest is the text, read as
// UTF-16 units so that NULs and lone surrogates appear.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/translate/tokenizer.h"

using namespace std::literals;

namespace {

void Require(bool ok) {
  if (!ok) abort();
}

// Short texts for settings, chosen by one byte.
std::u16string Pick(uint8_t b, std::initializer_list<std::u16string_view> choices) {
  auto it = choices.begin();
  std::advance(it, b % choices.size());
  return std::u16string(*it);
}

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::u16string Rest() {
    std::u16string text;
    for (; pos_ + 1 < size_; pos_ += 2) text += static_cast<char16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    return text;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

void Configure(qv::TfsParser& p, Input& in) {
  uint8_t flags = in.Byte();
  p.SetSkipEOL(flags & 1);
  p.SetSkipSpace(!(flags & 2));
  p.SetSpecStrChar(flags & 4);
  p.SetCaseSensitive(flags & 8);
  p.SetUseY(!(flags & 16));
  if (flags & 32) p.ConstructCharset(u"abc_$\0\x80"sv);
  p.SetStringQuotes(Pick(in.Byte(), {u"'"sv, u"\""sv, u""sv, u"<"sv, u"\0"sv}));
  p.SetHexSequence(Pick(in.Byte(), {u"$"sv, u"0x"sv, u""sv, u"0"sv, u"#"sv, u"xx"sv}));
  p.SetCommentLine1(Pick(in.Byte(), {u"//"sv, u"'"sv, u""sv, u"\r"sv, u"\u4e2d"sv}));
  p.SetCommentLine2(Pick(in.Byte(), {u""sv, u"rem"sv, u"#"sv, u"\n"sv}));
  p.SetCommentBlock1(
      Pick(in.Byte(), {u"{,}"sv, u"/*,*/"sv, u"/\\,/\\"sv, u"{"sv, u",}"sv, u"\"a b\",\"\""sv, u"\0,\0"sv}));
  p.SetCommentBlock2(Pick(in.Byte(), {u"(*,*)"sv, u"/*,*/"sv, u""sv, u"<,>"sv, u"\xD800,\xDC00"sv}));
  p.SetSkiPChar(Pick(in.Byte(), {u""sv, u"_"sv, u"\\"sv, u"\0"sv, u" "sv, u"\r"sv}));
  for (int n = in.Byte() % 4; n > 0; --n)
    p.AddKeyword(Pick(in.Byte(), {u"begin"sv, u"IF"sv, u"rem"sv, u"a"sv, u"\u00e9t\u00e9"sv, u""sv}));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  qv::TfsParser p;
  Configure(p, in);
  uint8_t order[8];
  for (auto& o : order) o = in.Byte();
  const std::u16string text = in.Rest();
  p.SetText(text);
  const int end = p.Size() + 1;

  int stalled = 0;
  for (int step = 0; step < 8 * end + 64 && p.Position() <= p.Size(); ++step) {
    const int at = p.Position();
    std::u16string token;
    switch (order[step % 8] % 9) {
      case 0:
        token = p.GetWord();
        break;
      case 1:
        token = p.GetIdent();
        break;
      case 2:
        token = p.GetChar();
        Require(token.size() <= 1);
        break;
      case 3:
        token = p.GetNumber();
        Require(token.empty() || token[0] == u'$' || (token[0] >= u'0' && token[0] <= u'9'));
        break;
      case 4:
        token = p.GetString();
        Require(token.empty() || (token.size() >= 2 && token.front() == u'\'' && token.back() == u'\''));
        break;
      case 5:
        token = p.GetFRString();
        break;
      case 6:
        p.GetEOL();
        break;
      case 7:
        p.SkipSpaces();
        break;
      case 8: {
        qv::TPoint xy = p.GetXYPoint(at);
        if (!p.YList().empty()) Require(p.GetPlainPosition(xy) == at);
        p.GetXYPosition();
        break;
      }
    }
    Require(p.Position() >= at && p.Position() <= end);
    Require(p.LastPosition() >= 1 && p.LastPosition() <= end);
    if (p.Position() == at) {
      // Nothing read: move on once every reader has had its turn.
      if (++stalled >= 8) {
        p.SetPosition(at + 1);
        stalled = 0;
      }
    } else {
      stalled = 0;
    }
    // Back-track now and then, as the translator does.
    if (step % 5 == 4 && at > 1) {
      p.SetPosition(at - 1);
      p.GetIdent();
      p.SetPosition(at);
    }
  }
  // Positions outside the text read nothing.
  for (int pos : {-3, 0, end, end + 5}) {
    p.SetPosition(pos);
    p.GetString();
    p.GetNumber();
    p.GetFRString();
    p.GetEOL();
    p.GetXYPosition();
  }
  return 0;
}
