// The DevTools JSON: what the parser accepts and refuses (a peer's text is never trusted), the
// limits that keep a hostile answer from recursing or allocating without bound, and the writer.
#include "net/json.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace {

TEST(JsonTest, ParsesTheShapesDevToolsSends) {
  const auto v = net::ParseJson(
      R"( [ {"id":"A1","type":"page","url":"http://127.0.0.1:8/x?a=1&b=\"2\"","n":-12.5e1,)"
      R"("ok":true,"no":false,"none":null,"list":[],"obj":{}} ] )");
  ASSERT_TRUE(v);
  ASSERT_TRUE(v->IsArray());
  ASSERT_EQ(v->Items().size(), 1u);
  const net::JsonValue& t = v->Items()[0];
  EXPECT_EQ(t.StringAt("id"), "A1");
  EXPECT_EQ(t.StringAt("url"), "http://127.0.0.1:8/x?a=1&b=\"2\"");
  EXPECT_DOUBLE_EQ(t.Find("n")->AsNumber(), -125.0);
  EXPECT_TRUE(t.Find("ok")->AsBool());
  EXPECT_FALSE(t.Find("no")->AsBool());
  EXPECT_EQ(t.Find("none")->Type(), net::JsonValue::Kind::Null);
  EXPECT_TRUE(t.Find("list")->IsArray());
  EXPECT_TRUE(t.Find("obj")->IsObject());
  EXPECT_EQ(t.Find("missing"), nullptr);
  EXPECT_EQ(t.StringAt("n"), "") << "a number is no string";
}

TEST(JsonTest, DecodesEscapesIncludingSurrogatePairs) {
  struct Case {
    const char* json;
    std::string text;
  } cases[] = {
      {R"("a\"b\\c\/d")", "a\"b\\c/d"},
      {R"("\b\f\n\r\t")", "\b\f\n\r\t"},
      {R"("\u0041\u00e9\u20AC")", "A\xC3\xA9\xE2\x82\xAC"},
      {R"("\ud83d\ude00")", "\xF0\x9F\x98\x80"},
  };
  for (const Case& c : cases) {
    const auto v = net::ParseJson(c.json);
    ASSERT_TRUE(v) << c.json;
    EXPECT_EQ(v->AsString(), c.text) << c.json;
  }
}

TEST(JsonTest, RefusesWhatIsNotExactlyOneWellFormedValue) {
  for (const char* bad : {
           "",
           "   ",
           "{",
           "[1,",
           "[1,]",
           "{\"a\":1,}",
           "{\"a\" 1}",
           "{a:1}",
           "'x'",
           "tru",
           "nul",
           "01",
           "1.",
           "-",
           "1e",
           ".5",
           "+1",
           "\"open",
           "\"tab\there\"",
           "\"\\x\"",
           "\"\\u12\"",
           "\"\\ud83d\"",
           "\"\\ude00\"",
           "\"\\ud83d\\u0041\"",
           "1 2",
           "{} x",
           "[1]]",
           "{\"a\":}",
           "1e999",
       }) {
    EXPECT_FALSE(net::ParseJson(bad)) << "accepted: " << bad;
  }
}

TEST(JsonTest, NestingAndSizeAreBounded) {
  const std::string deep = std::string(100000, '[') + std::string(100000, ']');
  EXPECT_FALSE(net::ParseJson(deep, {.maxInput = 1 << 20, .maxDepth = 64}));
  const std::string ok64 = std::string(64, '[') + std::string(64, ']');
  EXPECT_TRUE(net::ParseJson(ok64, {.maxInput = 1 << 20, .maxDepth = 64}));
  const std::string too65 = std::string(65, '[') + std::string(65, ']');
  EXPECT_FALSE(net::ParseJson(too65, {.maxInput = 1 << 20, .maxDepth = 64}));
  EXPECT_FALSE(net::ParseJson("\"" + std::string(100, 'x') + "\"", {.maxInput = 50}));
}

TEST(JsonTest, WritesCompactTextThatReadsBack) {
  const net::JsonValue v = net::JsonValue::MakeObject({
      {"id", net::JsonValue::Number(7)},
      {"method", net::JsonValue::Text("Page.reload")},
      {"params", net::JsonValue::MakeObject({{"ignoreCache", net::JsonValue::Boolean(true)}})},
      {"odd", net::JsonValue::Text("q\"b\\n\n\x01")},
      {"list", net::JsonValue::MakeArray({net::JsonValue(), net::JsonValue::Number(0.5)})},
  });
  const std::string text = net::WriteJson(v);
  EXPECT_EQ(text, R"({"id":7,"list":[null,0.5],"method":"Page.reload","odd":"q\"b\\n\n\u0001",)"
                  R"("params":{"ignoreCache":true}})");
  const auto back = net::ParseJson(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(net::WriteJson(*back), text);
}

TEST(JsonTest, NumbersDoNotFollowTheLocale) {
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
    GTEST_SKIP() << "no locale with a decimal comma is installed";
  }
  const auto v = net::ParseJson("[0.5,1e3]");
  const std::string written = net::WriteJson(net::JsonValue::Number(2.25));
  std::setlocale(LC_NUMERIC, "C");
  ASSERT_TRUE(v);
  EXPECT_DOUBLE_EQ(v->Items()[0].AsNumber(), 0.5);
  EXPECT_EQ(written, "2.25");
}

}  // namespace
