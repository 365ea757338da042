// https against a real TLS server whose certificate authority is made at
// test time: trusted, the download succeeds; not trusted, it fails with a
// clear reason.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/codepage.h"
#include "support/text.h"
#include "tests/web/test_servers.h"
#include "web/http_thread.h"

namespace qv::web {
namespace {

namespace fs = std::filesystem;

TEST(Tls, TrustedAuthoritySucceedsUntrustedFailsClearly) {
  SetAnsiCodePage(kCpUtf8);
  fs::path dir = testing::TempFolder("tls");
  testing::TestPki pki;
  ASSERT_TRUE(testing::MakeTestPki(dir, pki)) << "openssl could not make the test certificates";
  testing::HttpServer server(
      std::make_unique<httplib::SSLServer>(pki.serverCert.c_str(), pki.serverKey.c_str()));
  server.Routes().Get("/secure", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("<head><meta charset=utf-8></head>安全", "text/html");
  });
  server.Start();
  const std::u16string url = FromUtf8(server.Url("/secure"));

  THttpThread untrusted;  // the system's store does not know the test's authority
  EXPECT_EQ(untrusted.Down(url, u"CHECK", u"GET", u"", u"", 0), u"0");
  EXPECT_NE(untrusted.HttpGet().ErrorText().find(u"certificate"), std::u16string::npos)
      << ToUtf8(untrusted.HttpGet().ErrorText());
  EXPECT_FALSE(untrusted.HttpGet().IsTimeout());

  THttpThread trusted;
  trusted.HttpGet().SetCaFile(pki.caCert.string());
  EXPECT_EQ(trusted.Down(url, u"CHECK", u"GET", u"", u"", 0), u"<head><meta charset=utf-8></head>安全");
  EXPECT_EQ(trusted.HttpGet().ErrorText(), u"");
  EXPECT_EQ(trusted.HttpGet().Response().statusLine.substr(0, 9), u"HTTP/1.1 ");  // never HTTP/2
  fs::remove_all(dir);
}

}  // namespace
}  // namespace qv::web
