#include "engine/xml/xml.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "engine/xml/il_names.h"
#include "engine/xml/stream.h"
#include "support/codepage.h"
#include "support/errors.h"
#include "support/text.h"

namespace qv {
namespace {

// name[text](child,child) in UTF-8, so that a failing row reads as a diff.
std::string Dump(const TfsXMLItem& item) {
  std::string out = ToUtf8(item.Name());
  if (!item.Text().empty()) out += "[" + ToUtf8(item.Text()) + "]";
  if (item.Count() > 0) {
    out += "(";
    for (int i = 0; i < item.Count(); ++i) {
      if (i) out += ",";
      out += Dump(*item.Items(i));
    }
    out += ")";
  }
  return out;
}

// The dump after loading, or "error: <message>".
std::string LoadDump(const std::string& bytes) {
  TfsXMLDocument doc;
  try {
    doc.LoadFromBytes(bytes);
  } catch (const ScriptError& e) {
    return "error: " + std::string(e.what());
  }
  return Dump(*doc.Root());
}

const std::string kHeader = "<?xml version=\"1.0\"?>";

TEST(XmlValue, EncodeRows) {
  struct Row {
    std::u16string value, encoded;
  } rows[] = {
      {u"", u""},
      {u"plain", u"plain"},
      {u"a\"b", u"a&#34;b"},
      {u"<tag>", u"&#60;tag&#62;"},
      {u"l1\r\nl2", u"l1&#13;&#10;l2"},
      {u"a & b", u"a &#38; b"},
      {u"&amp;", u"&#38;amp;"},
      {u"&quot;", u"&#38;quot;"},
      {u"&#65;", u"&#38;#65;"},
      {u"&#38;", u"&#38;#38;"},
      {u"\t'", u"\t'"},
      {u"中文\u0100", u"中文\u0100"},
  };
  for (const auto& r : rows) EXPECT_EQ(EncodeXmlValue(r.value), r.encoded) << ToUtf8(r.value);
}

TEST(XmlValue, DecodeRows) {
  struct Row {
    std::u16string stored, value;
  } rows[] = {
      {u"", u""},
      {u"a&#34;b", u"a\"b"},
      {u"&#60;&#62;&#13;&#10;", u"<>\r\n"},
      {u"&quot;", u"\""},
      {u"&lt;&gt;&amp;", u"&lt;&gt;&amp;"},
      {u"&#20013;", u"中"},
      {u"&#128512;", u"\U0001F600"},
      {u"&#38;#65;", u"&#65;"},  // a decoded character is not scanned again
      {u"&#9;", u"\t"},
      {u"&#9", u"&#9"},        // too short: no semicolon
      {u"&#x41;", u"&#x41;"},  // not decimal
      {u"&#;x", u"&#;x"},
      {u"&#65", u"&#65"},
      {u"a&", u"a&"},
      {u"&#99999999;", u"&#99999999;"},
  };
  for (const auto& r : rows) EXPECT_EQ(DecodeXmlValue(r.stored), r.value) << ToUtf8(r.stored);
}

TEST(XmlValue, RoundTripThroughProp) {
  // Every value comes back as it went in, entity-like text included.
  const std::u16string values[] = {u"q\"uote", u"<a>",   u"\r\n",    u"a & b c", u"&quot;x", u"中文",
                                   u"&lt;",    u"&#65;", u"a&#38;b", u"&",       u"&amp;&"};
  for (const auto& v : values) {
    TfsXMLItem item;
    item.SetProp(u"v", v);
    EXPECT_EQ(item.Prop(u"v"), v) << ToUtf8(v);
    EXPECT_EQ(DecodeXmlValue(EncodeXmlValue(v)), v) << ToUtf8(v);
  }
}

TEST(XmlProp, ReadRows) {
  struct Row {
    std::u16string text, name, value;
    bool exists;
  } rows[] = {
      {u"text=\"a\" pos=\"1:2\"", u"pos", u"1:2", true},
      {u"pos1=\"9:9\" pos=\"1:2\"", u"pos", u"1:2", true},  // pos never matches pos1
      {u"pos1=\"9:9\"", u"pos", u"", false},
      {u"TEXT=\"A\"", u"text", u"A", true},
      {u"text=\"a\"", u"TEXT", u"a", true},
      {u"xtext=\"a\"", u"text", u"", false},
      {u"a=\"1\" a=\"2\"", u"a", u"1", true},
      {u"a = \"1\"", u"a", u"", false},
      {u"a=\"&#34;x&#34;\"", u"a", u"\"x\"", true},
      {u"a=\"unterminated", u"a", u"unterminated", true},
      {u"a=\"\"", u"a", u"", true},
      {u"", u"a", u"", false},
      {u"b=\"x a=&#34;y\" a=\"z\"", u"a", u"z", true},
  };
  for (const auto& r : rows) {
    TfsXMLItem item;
    item.SetText(r.text);
    EXPECT_EQ(item.Prop(r.name), r.value) << ToUtf8(r.text) << " / " << ToUtf8(r.name);
    EXPECT_EQ(item.PropExists(r.name), r.exists) << ToUtf8(r.text) << " / " << ToUtf8(r.name);
  }
}

TEST(XmlProp, WriteRows) {
  struct Row {
    std::u16string text, name, value, after;
  } rows[] = {
      {u"", u"text", u"a", u"text=\"a\""},
      {u"text=\"a\"", u"pos", u"1:2", u"text=\"a\" pos=\"1:2\""},
      {u"text=\"a\" ", u"pos", u"1:2", u"text=\"a\" pos=\"1:2\""},           // no second space
      {u"a=\"1\" b=\"2\" c=\"3\"", u"b", u"x", u"a=\"1\" b=\"x\" c=\"3\""},  // keeps its place
      {u"A=\"1\" b=\"2\"", u"a", u"new", u"a=\"new\" b=\"2\""},
      {u"a=\"1\"", u"a", u"<\">", u"a=\"&#60;&#34;&#62;\""},
      {u"pos1=\"1\"", u"pos", u"2", u"pos1=\"1\" pos=\"2\""},
      {u"a=\"open", u"a", u"v", u"a=\"v\""},
      {u"x", u"a", u"v", u"x a=\"v\""},
  };
  for (const auto& r : rows) {
    TfsXMLItem item;
    item.SetText(r.text);
    item.SetProp(r.name, r.value);
    EXPECT_EQ(item.Text(), r.after) << ToUtf8(r.text) << " / " << ToUtf8(r.name);
  }
}

TEST(XmlReader, Rows) {
  struct Row {
    std::string input, dump;
  } rows[] = {
      {kHeader + "<a/>", "a"},
      {kHeader + "<a x=\"1\"/>", "a[x=\"1\"]"},
      {kHeader + "<a x=\"1\" />", "a[x=\"1\" ]"},
      {kHeader + "<a />", "a"},
      {kHeader + "<a></a>", "a"},
      {kHeader + "<a><b/><c k=\"v\"></c></a>", "a(b,c[k=\"v\"])"},
      {kHeader + "<A><b/></a>", "A(b)"},  // the end tag in any case
      {kHeader + "<a><b/>", "a(b)"},      // left open at the end: accepted
      {kHeader + "<a><b><c/>", "a(b(c))"},
      {kHeader + "<a><b/></c>", "error: Invalid file format"},
      {kHeader + "<a><!-- <b/> --><c/></a>", "a(c)"},
      {"<!-- lead -->" + kHeader + "<a/>", "a"},
      {kHeader + "<a><!---- x --><b/></a>", "a(b)"},
      {kHeader + "<a><!-- x ---><b/></a> -->", "a"},  // "--->" does not close
      {kHeader + "<a><!-- x", "error: Invalid file format"},
      {kHeader + "<a><b <c/></a>", "error: Invalid file format"},
      {kHeader + "<a><b", "error: Invalid file format"},
      {"<a/>", "error: Invalid file format"},
      {"", "error: Invalid file format"},
      {"<?xmlfoo?><a/>", "a"},
      {kHeader, ""},
      {kHeader + "text <a>ignored<b/>text</a> tail", "a(b)"},
      {kHeader + "<a\tx=\"1\"/>", "a\tx=\"1\""},  // only a space splits the name
      {kHeader + "<a x=\"&lt;\"/>", "a[x=\"&lt;\"]"},
      {kHeader + "<a x=\"\xE4\xB8\xAD\"/>", "a[x=\"中\"]"},
      {kHeader + "<a x=\"\xFF\"/>", "a[x=\"\xEF\xBF\xBD\"]"},  // invalid UTF-8: U+FFFD
      {kHeader + "<a></a x>", "a"},
      {kHeader + "<a><></a>", "a"},  // an empty tag ends the children
      {kHeader + "</a>", "/a"},
      {kHeader + "<a/ k=\"v\">", "a[k=\"v\"]"},
      {kHeader + "<a>< b/></a>", "a"},
      {kHeader + "<a><b>\r\n  <c/>\r\n</b>\r\n</a>\r\n", "a(b(c))"},
      {kHeader + std::string("<a x=\"\0\"/>", 10), std::string("a[x=\"\0\"]", 8)},
  };
  for (const auto& r : rows) EXPECT_EQ(LoadDump(r.input), r.dump) << r.input;
}

TEST(XmlReader, KeepsWhatWasReadBeforeAnError) {
  TfsXMLDocument doc;
  EXPECT_THROW(doc.LoadFromBytes(kHeader + "<a><b/><c><d/></x>"), ScriptError);
  EXPECT_EQ(Dump(*doc.Root()), "a(b)");
  EXPECT_THROW(doc.LoadFromBytes(kHeader + "<a><b/><c><d><e/></d></c><f><g/></x>"), ScriptError);
  EXPECT_EQ(Dump(*doc.Root()), "a(b,c(d(e)))");
  EXPECT_THROW(doc.LoadFromBytes("<a/>"), ScriptError);  // a bad header: the root was cleared
  EXPECT_EQ(Dump(*doc.Root()), "a");
}

TEST(XmlReader, StreamLeftAfterLastByteConsumed) {
  struct Row {
    std::string input;
    int64_t position;
  } rows[] = {
      {kHeader + "<a/>TRAILING", static_cast<int64_t>(kHeader.size() + 4)},
      {kHeader + "<a><b/></a>\r\n<next/>", static_cast<int64_t>(kHeader.size() + 11)},
      {kHeader + "<a>", static_cast<int64_t>(kHeader.size() + 3)},
  };
  for (const auto& r : rows) {
    MemoryStream stream(r.input);
    TfsXMLDocument doc;
    doc.LoadFromStream(stream);
    EXPECT_EQ(stream.Position(), r.position) << r.input;
  }
  // Beyond the first block, after an error, and from a start offset.
  std::string big = kHeader + "<a>" + std::string(10000, ' ') + "<b/></a>XYZ";
  MemoryStream s1("PREFIX" + big);
  s1.SetPosition(6);
  TfsXMLDocument doc;
  doc.LoadFromStream(s1);
  EXPECT_EQ(s1.Position(), static_cast<int64_t>(6 + big.size() - 3));
  MemoryStream s2(kHeader + "<a></b>rest");
  EXPECT_THROW(doc.LoadFromStream(s2), ScriptError);
  EXPECT_EQ(s2.Position(), static_cast<int64_t>(kHeader.size() + 7));
}

TEST(XmlReader, LongTagsAndManyBlocks) {
  std::string value(3 * 1024 * 1024, 'v');
  std::string input = kHeader + "<a x=\"" + value + "\"><b/></a>";
  TfsXMLDocument doc;
  doc.LoadFromBytes(input);
  EXPECT_EQ(doc.Root()->Prop(u"x").size(), value.size());
  EXPECT_EQ(doc.Root()->Count(), 1);
}

TEST(XmlReader, DeepNesting) {
  const int depth = 100000;
  std::string input = kHeader;
  for (int i = 0; i < depth; ++i) input += "<e>";
  for (int i = 0; i < depth; ++i) input += "</e>";
  TfsXMLDocument doc;
  doc.LoadFromBytes(input);
  int levels = 0;
  for (TfsXMLItem* p = doc.Root(); p->Count() > 0; p = p->Items(0)) ++levels;
  EXPECT_EQ(levels, depth - 1);
  // Written back, copied and destroyed without recursion.
  std::string saved = doc.SaveToBytes();
  std::string expected = kHeader;
  for (int i = 1; i < depth; ++i) expected += "<e>";
  expected += "<e/>";
  for (int i = 1; i < depth; ++i) expected += "</e>";
  EXPECT_EQ(saved, expected);
  TfsXMLItem copy;
  copy.Assign(doc.Root());
  EXPECT_EQ(copy.Count(), 1);
  // Left open at the end of the stream.
  TfsXMLDocument open;
  open.LoadFromBytes(input.substr(0, kHeader.size() + 3 * depth));
}

TEST(XmlWriter, WithoutIndent) {
  TfsXMLDocument doc;
  TfsXMLItem* root = doc.Root();
  root->SetName(u"program");
  TfsXMLItem* e = root->Add();
  e->SetName(u"expr");
  e->SetProp(u"pos", u"1:1");
  TfsXMLItem* n = e->Add();
  n->SetName(u"number");
  n->SetProp(u"text", u"1");
  n->SetProp(u"pos", u"1:2");
  root->Add()->SetName(u"types");
  root->Add()->SetText(u" lead");  // a text that starts with a space gets none more
  root->Items(2)->SetName(u"x");
  EXPECT_EQ(doc.SaveToBytes(),
            "<?xml version=\"1.0\"?><program><expr pos=\"1:1\"><number text=\"1\" pos=\"1:2\"/>"
            "</expr><types/><x lead/></program>");
}

TEST(XmlWriter, WithIndent) {
  TfsXMLDocument doc;
  doc.SetAutoIndent(true);
  doc.Root()->SetName(u"a");
  TfsXMLItem* b = doc.Root()->Add();
  b->SetName(u"b");
  b->Add()->SetName(u"c");
  doc.Root()->Add()->SetName(u"d");
  EXPECT_EQ(doc.SaveToBytes(),
            "<?xml version=\"1.0\"?>\r\n<a>\r\n  <b>\r\n    <c/>\r\n  </b>\r\n  <d/>\r\n</a>\r\n");
}

TEST(XmlWriter, Utf8TextAndRoundTrip) {
  TfsXMLDocument doc;
  doc.Root()->SetName(u"a");
  doc.Root()->SetProp(u"t", u"中\U0001F600\"<>\r\n&x");
  std::string bytes = doc.SaveToBytes();
  EXPECT_NE(bytes.find("\xE4\xB8\xAD\xF0\x9F\x98\x80&#34;&#60;&#62;&#13;&#10;&#38;x"), std::string::npos);
  TfsXMLDocument back;
  back.LoadFromBytes(bytes);
  EXPECT_EQ(back.Root()->Prop(u"t"), u"中\U0001F600\"<>\r\n&x");
}

TEST(XmlWriter, ManyBlocksAtTheStreamPosition) {
  TfsXMLDocument doc;
  doc.Root()->SetName(u"r");
  for (int i = 0; i < 5000; ++i) {
    TfsXMLItem* e = doc.Root()->Add();
    e->SetName(u"node");
    e->SetProp(u"text", u"n" + IntToText(i));
  }
  MemoryStream stream("HEAD");
  stream.Seek(0, SeekOrigin::End);
  doc.SaveToStream(stream);
  EXPECT_EQ(stream.Data().substr(0, 4 + kHeader.size()), "HEAD" + kHeader);
  stream.SetPosition(4);
  TfsXMLDocument back;
  back.LoadFromStream(stream);
  EXPECT_EQ(back.Root()->Count(), 5000);
  EXPECT_EQ(back.Root()->Items(4999)->Prop(u"text"), u"n4999");
  EXPECT_EQ(stream.Position(), stream.Size());
}

TEST(XmlWriter, NamesInTheAnsiCodePage) {
  CodePage saved = AnsiCodePage();
  SetAnsiCodePage(kCpGbk);
  TfsXMLDocument doc;
  doc.Root()->SetName(u"中");
  doc.Root()->SetProp(u"t", u"中");
  std::string bytes = doc.SaveToBytes();
  EXPECT_EQ(bytes, kHeader + "<\xD6\xD0 t=\"\xE4\xB8\xAD\"/>");
  TfsXMLDocument back;
  back.LoadFromBytes(bytes);
  EXPECT_EQ(back.Root()->Name(), u"中");
  EXPECT_EQ(back.Root()->Prop(u"t"), u"中");
  SetAnsiCodePage(saved);
}

TEST(XmlItem, FindAndFindItem) {
  TfsXMLItem item;
  item.Add()->SetName(u"Alpha");
  item.Add()->SetName(u"beta");
  EXPECT_EQ(item.Find(u"ALPHA"), 0);
  EXPECT_EQ(item.Find(u"Beta"), 1);
  EXPECT_EQ(item.Find(u"gamma"), -1);
  EXPECT_EQ(item.FindItem(u"BETA"), item.Items(1));
  EXPECT_EQ(item.Count(), 2);
  TfsXMLItem* added = item.FindItem(u"gamma");  // never nothing: a new child
  EXPECT_EQ(item.Count(), 3);
  EXPECT_EQ(added->Name(), u"gamma");
  EXPECT_EQ(added->Parent(), &item);
  EXPECT_EQ(item.IndexOf(added), 2);
  TfsXMLItem other;
  EXPECT_EQ(item.IndexOf(&other), -1);
}

TEST(XmlItem, ItemsIndexError) {
  TfsXMLItem item;
  EXPECT_EQ(item.Count(), 0);
  try {
    item.Items(0);
    FAIL();
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.message(), u"List index out of bounds (0)");
  }
  item.Add();
  EXPECT_NO_THROW(item.Items(0));
  EXPECT_THROW(item.Items(-1), ListIndexError);
  EXPECT_THROW(item.Items(1), ListIndexError);
}

TEST(XmlItem, AddItemMovesAndInsertItemPlaces) {
  TfsXMLItem a, b;
  TfsXMLItem* x = a.Add();
  x->SetName(u"x");
  a.Add()->SetName(u"y");
  a.AddItem(x);  // re-adding a child moves it to the end
  EXPECT_EQ(Dump(a), "(y,x)");
  b.AddItem(x);  // from another parent
  EXPECT_EQ(Dump(a), "(y)");
  EXPECT_EQ(x->Parent(), &b);
  auto fresh = std::make_unique<TfsXMLItem>();
  fresh->SetName(u"f");
  a.InsertItem(0, std::move(fresh));
  EXPECT_EQ(Dump(a), "(f,y)");
  a.InsertItem(1, x);
  EXPECT_EQ(Dump(a), "(f,x,y)");
  EXPECT_EQ(b.Count(), 0);
  EXPECT_THROW(a.InsertItem(7, a.Items(0)), ListIndexError);
  EXPECT_EQ(Dump(a), "(x,y,f)");  // added at the end before the index failed
  // No cycles.
  TfsXMLItem* inner = x->Add();
  EXPECT_THROW(inner->AddItem(x), ScriptError);
  EXPECT_THROW(x->AddItem(x), ScriptError);
  EXPECT_EQ(inner->Root(), &a);
}

TEST(XmlItem, SetParentDetachesOnly) {
  TfsXMLItem a, b;
  TfsXMLItem* x = a.Add();
  std::unique_ptr<TfsXMLItem> owned = x->SetParent(&b);
  EXPECT_EQ(owned.get(), x);
  EXPECT_EQ(a.Count(), 0);
  EXPECT_EQ(b.Count(), 0);
  EXPECT_EQ(x->Parent(), &b);
  EXPECT_EQ(x->Root(), &b);
  EXPECT_EQ(x->Detach(), nullptr);  // no list holds it
  EXPECT_EQ(x->Parent(), nullptr);
}

TEST(XmlItem, AssignDeepCopy) {
  TfsXMLItem src;
  src.SetName(u"s");
  src.SetProp(u"k", u"v");
  src.SetData(42);
  TfsXMLItem* c = src.Add();
  c->SetName(u"c");
  c->SetData(7);
  c->Add()->SetName(u"g");
  TfsXMLItem dst;
  dst.Add()->SetName(u"old");
  dst.Assign(&src);
  EXPECT_EQ(Dump(dst), "s[k=\"v\"](c(g))");
  EXPECT_EQ(dst.Data(), 42);
  EXPECT_EQ(dst.Items(0)->Data(), 7);
  EXPECT_EQ(dst.Items(0)->Parent(), &dst);
  EXPECT_NE(dst.Items(0), src.Items(0));
  src.Items(0)->SetName(u"changed");  // the copy is independent
  src.Clear();
  EXPECT_EQ(Dump(dst), "s[k=\"v\"](c(g))");
  dst.Assign(nullptr);  // clears only
  EXPECT_EQ(Dump(dst), "s[k=\"v\"]");
  // From one of its own children.
  TfsXMLItem* child = dst.Add();
  child->SetName(u"child");
  child->Add()->SetName(u"leaf");
  dst.Assign(child);
  EXPECT_EQ(Dump(dst), "child(leaf)");
}

// An item keeps its only child without a block and shares storage between
// its text and its child list; neither may disturb the other as children
// come and go and the text changes length.
TEST(XmlItem, ChildrenAndTextShareTheItem) {
  // Lengths around the inline sizes with and without children.
  const std::u16string texts[] = {u"",
                                  std::u16string(15, u'x'),
                                  std::u16string(16, u'x'),
                                  std::u16string(23, u'x'),
                                  std::u16string(24, u'x'),
                                  u"\u4e2d"};
  for (const std::u16string& text : texts) {
    SCOPED_TRACE(ToUtf8(text));
    TfsXMLItem item;
    item.SetName(u"a");
    item.SetText(text);
    std::string expected;
    for (char c : std::string("bcdefg")) {
      TfsXMLItem* child = item.Add();
      child->SetName(std::u16string(1, static_cast<char16_t>(c)));
      expected += (expected.empty() ? "" : ",") + std::string(1, c);
      EXPECT_EQ(Dump(item), "a" + (text.empty() ? "" : "[" + ToUtf8(text) + "]") + "(" + expected + ")");
      EXPECT_EQ(item.Children().size(), expected.size() / 2 + 1);
    }
    item.SetText(text + u" q=\"1\"");
    EXPECT_EQ(item.Text(), text + u" q=\"1\"");
    item.SetText(text);
    // Down to one child, then none, from the middle and the front.
    auto e = item.Items(3)->Detach();
    EXPECT_EQ(e->Name(), u"e");
    while (item.Count() > 1) item.Items(0)->Detach().reset();
    EXPECT_EQ(Dump(item), "a" + (text.empty() ? "" : "[" + ToUtf8(text) + "]") + "(g)");
    item.InsertItem(0, std::move(e));  // back to two
    EXPECT_EQ(Dump(item), "a" + (text.empty() ? "" : "[" + ToUtf8(text) + "]") + "(e,g)");
    item.Items(1)->Detach().reset();
    std::unique_ptr<TfsXMLItem> last = item.Items(0)->Detach();
    EXPECT_EQ(item.Count(), 0);
    EXPECT_TRUE(item.Children().empty());
    EXPECT_EQ(item.Text(), text);
    item.AddItem(std::move(last));
    item.Clear();
    EXPECT_EQ(Dump(item), "a" + (text.empty() ? "" : "[" + ToUtf8(text) + "]"));
    item.ReserveChildren(3);  // room, but no child yet
    EXPECT_EQ(item.Count(), 0);
    EXPECT_EQ(item.Text(), text);
  }
}

TEST(XmlItem, DataBelongsToItsItemAlsoWithParallelThreads) {
  TfsXMLItem root;
  TfsXMLItem* a = root.Add();
  EXPECT_EQ(a->Data(), 0);
  a->SetData(-5);
  a->Add()->SetData(6);
  TfsXMLItem other;
  other.AddItem(a);  // moving keeps it
  EXPECT_EQ(a->Data(), -5);
  EXPECT_EQ(a->Items(0)->Data(), 6);
  EXPECT_EQ(a->Parent(), &other);
  a->SetData(0);
  EXPECT_EQ(a->Data(), 0);
  EXPECT_EQ(a->Items(0)->Data(), 6);
  // A destroyed item's value never shows on the items made after it.
  for (int i = 1; i <= 100; ++i) {
    auto gone = std::make_unique<TfsXMLItem>();
    gone->SetData(i);
    gone.reset();
    EXPECT_EQ(std::make_unique<TfsXMLItem>()->Data(), 0);
  }
  // Items of several threads at once.
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      TfsXMLItem list;
      for (int i = 0; i < 500; ++i) list.Add()->SetData(t * 1000 + i);
      for (int i = 0; i < 500; ++i) EXPECT_EQ(list.Items(i)->Data(), t * 1000 + i);
    });
  }
  for (auto& th : threads) th.join();
}

TEST(XmlDocument, FileRoundTripAndErrors) {
  std::string dir = ::testing::TempDir();
  const std::string file = dir + "qv_xml_test_" + std::to_string(::getpid()) + ".xml";
  std::u16string name = FromUtf8(file);
  TfsXMLDocument doc;
  doc.SetAutoIndent(true);
  doc.Root()->SetName(il::kProgram);
  doc.Root()->Add()->SetName(il::kTypes);
  doc.SaveToFile(name);
  TfsXMLDocument back;
  back.Root()->Add()->SetName(u"stale");
  back.LoadFromFile(name);
  EXPECT_EQ(Dump(*back.Root()), "program(types)");
  back.Clear();
  EXPECT_EQ(back.Root()->Count(), 0);
  EXPECT_EQ(back.Root()->Name(), u"program");
  ::unlink(file.c_str());
  try {
    back.LoadFromFile(name);
    FAIL();
  } catch (const ScriptError& e) {
    EXPECT_NE(e.message().find(u"Cannot open file \"" + name + u"\""), std::u16string::npos);
  }
}

TEST(XmlReader, ManyDistinctNames) {
  // More names than the name cache has slots, empty-element names among them.
  std::string input = kHeader + "<r>";
  for (int i = 0; i < 3000; ++i)
    input += "<n" + std::to_string(i) + (i % 2 ? "/>" : "></n" + std::to_string(i) + ">");
  input += "</r>";
  TfsXMLDocument doc;
  doc.LoadFromBytes(input);
  ASSERT_EQ(doc.Root()->Count(), 3000);
  for (int i = 0; i < 3000; ++i) EXPECT_EQ(doc.Root()->Items(i)->Name(), u"n" + IntToText(i));
}

TEST(XmlItem, SharedNamesFromTheReader) {
  TfsXMLDocument doc;
  doc.LoadFromBytes(kHeader + "<p><expr/><expr/><EXPR/></p>");
  EXPECT_TRUE(doc.Root()->Items(0)->SharedName().SharesRep(doc.Root()->Items(1)->SharedName()));
  EXPECT_TRUE(doc.Root()->Items(2)->NameIs(il::kExpr));
}

// The attribute text switches between its 8-bit, inline and UTF-16 forms as
// props are set; every form must read, write and copy the same.
TEST(XmlText, StorageFormsSwitchOnSetProp) {
  const std::u16string longLatin(40, u'\u00e9');  // past the inline size
  struct Row {
    std::u16string value;
    bool narrow;
  } rows[] = {
      {u"", true},
      {u"x", true},
      {u"caf\u00e9 \u00ff", true},
      {longLatin, true},
      {u"\u4e2d\u6587", false},
      {u"mixed \u00e9 and \u4e2d", false},
      {u"\U0001F600", false},
      {longLatin + u"\u0100", false},
  };
  TfsXMLItem item;
  item.SetProp(u"pos", u"1:2");
  for (const Row& r : rows) {
    item.SetProp(u"text", r.value);
    SCOPED_TRACE(ToUtf8(r.value));
    EXPECT_EQ(item.Prop(u"text"), r.value);
    EXPECT_EQ(item.Prop(u"pos"), u"1:2");
    EXPECT_EQ(item.Text(), u"pos=\"1:2\" text=\"" + r.value + u"\"");
    EXPECT_EQ(item.RawText().IsNarrow(), r.narrow);

    TfsXMLItem copy;
    copy.Assign(&item);
    EXPECT_EQ(copy.Text(), item.Text());

    // Written as UTF-8 and read back unchanged.
    TfsXMLDocument doc;
    doc.Root()->SetName(u"a");
    doc.Root()->Add()->Assign(&item);
    doc.Root()->Items(0)->SetName(u"b");
    const std::string bytes = doc.SaveToBytes();
    EXPECT_NE(bytes.find(ToUtf8(r.value)), std::string::npos);
    TfsXMLDocument back;
    back.LoadFromBytes(bytes);
    ASSERT_EQ(back.Root()->Count(), 1);
    EXPECT_EQ(back.Root()->Items(0)->Text(), item.Text());
    EXPECT_EQ(back.Root()->Items(0)->RawText().IsNarrow(), r.narrow);
  }
}

// A trailing "/" of the attribute text ends the element in every form.
TEST(XmlText, SelfClosingInEveryForm) {
  const std::string longText(60, 'q');
  const struct {
    std::string tag, text;
  } rows[] = {
      {"<b t=\"1\"/>", "t=\"1\""},
      {"<b t=\"" + longText + "\"/>", "t=\"" + longText + "\""},
      {"<b t=\"\xC3\xA9\"/>", "t=\"\xC3\xA9\""},
      {"<b t=\"\xE4\xB8\xAD\"/>", "t=\"\xE4\xB8\xAD\""},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(LoadDump("<?xml?><a>" + r.tag + "<c/></a>"), "a(b[" + r.text + "],c)") << r.tag;
  }
}

}  // namespace
}  // namespace qv
