// The help document shipped beside the program: the topics the program opens
// exist, and every link inside it leads somewhere.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>

namespace {

std::string HelpDocument() {
  std::ifstream in(std::string(QUILLON_TEST_DATA) + "/../../docs/help/quillon-help.html", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(HelpDocumentTest, TopicsExistAndInnerLinksResolve) {
  const std::string html = HelpDocument();
  ASSERT_FALSE(html.empty());
  std::set<std::string> ids;
  const std::regex id("id=\"([^\"]+)\"");
  for (std::sregex_iterator m(html.begin(), html.end(), id), end; m != end; ++m) {
    EXPECT_TRUE(ids.insert((*m)[1]).second) << "id used twice: " << (*m)[1];
  }
  for (const char* topic : {"CONTENTS", "INDEX", "ZK:CREATE", "TRACING"}) EXPECT_EQ(ids.count(topic), 1u) << topic;
  const std::regex link("href=\"#([^\"]+)\"");
  int links = 0;
  for (std::sregex_iterator m(html.begin(), html.end(), link), end; m != end; ++m, ++links)
    EXPECT_EQ(ids.count((*m)[1]), 1u) << "link to a missing place: #" << (*m)[1];
  EXPECT_GT(links, 20);
}

}  // namespace
