#include "support/XmlDocument.h"

#include "support/XmlError.h"
#include "support/XmlLoadCheck.h"
#include "support/XmlQueries.h"

#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

using namespace Zelt;

namespace {

constexpr const char* kDeviceInfo = R"(<?xml version="1.0" encoding="UTF-8"?>
<korvaneinfo>
  <network>
    <host><name>ks-01</name></host>
    <tcpip family="inet"><lan><ipsetting><ip>198.18.0.10</ip></ipsetting><mac>00:11:22:33:44:55</mac></lan></tcpip>
    <tcpip family="inet6" enable="true"><lan><ipsetting><ip>fe80::1</ip></ipsetting></lan></tcpip>
  </network>
  <share name="a"/><share name="b"/><share name="c" comment=""/>
</korvaneinfo>)";

CXMLDocument Loaded(std::string_view text) {
    CXMLDocument document;
    document.LoadFromBytes(text);
    return document;
}

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const CXMLError& error) {
        return error.what();
    }
    return "no error";
}

} // namespace

TEST(XmlSelection, SingleSelectNodeFailsWithoutMatchAndTakesTheFirstOfSeveral) {
    CXMLDocument document = Loaded(kDeviceInfo);
    CXMLNode root = document.GetRootNode();
    EXPECT_EQ(ErrorOf([&] { root.SingleSelectNode("network/nothing"); }), "SingleSelectNode Error!\n");
    EXPECT_EQ(root.SingleSelectNode("share").GetAttributeValue("name"), "a");
    EXPECT_EQ(root.SelectNodes("share").size(), 3u);
    EXPECT_TRUE(root.SelectNodes("volume").empty());
}

TEST(XmlSelection, PathsWithPredicatesAndNegationSelectTheRightAddress) {
    CXMLDocument document = Loaded(kDeviceInfo);
    CXMLNode root = document.GetRootNode();
    EXPECT_EQ(root.SingleSelectNode("network/tcpip[not(@family='inet6')]/lan/ipsetting/ip").GetText(),
              "198.18.0.10");
    EXPECT_EQ(root.SingleSelectNode("network/tcpip[@family=\"inet6\"][@enable=\"true\"]/lan/ipsetting/ip")
                  .GetText(),
              "fe80::1");
    EXPECT_EQ(document.SingleSelectNode("korvaneinfo/network/host/name").GetText(), "ks-01");
    EXPECT_EQ(root.SingleSelectNode("network/host").SingleSelectNode("../tcpip/lan/mac").GetText(),
              "00:11:22:33:44:55");
}

TEST(XmlSelection, InvalidOrNonNodeExpressionsAreErrors) {
    CXMLDocument document = Loaded(kDeviceInfo);
    CXMLNode root = document.GetRootNode();
    EXPECT_EQ(ErrorOf([&] { root.SelectNodes("network/[[["); }), "SelectNodes Error!\n");
    EXPECT_EQ(ErrorOf([&] { root.SelectNodes("count(share)"); }), "SelectNodes Error!\n");
    EXPECT_EQ(ErrorOf([&] { root.SingleSelectNode("network/[[["); }), "SingleSelectNode Error!\n");
    EXPECT_EQ(ErrorOf([&] { CXMLNode().SelectNodes("a"); }), "SelectNodes Error!\n");
}

TEST(XmlSelection, CountNodesRethrowsOnlyWhenAsked) {
    CXMLDocument document = Loaded(kDeviceInfo);
    EXPECT_EQ(CountNodes(document, "share", true), 3);
    EXPECT_EQ(CountNodes(document, "missing", true), 0);
    CXMLDocument empty;
    EXPECT_EQ(CountNodes(empty, "share", false), 0);
    EXPECT_EQ(ErrorOf([&] { CountNodes(empty, "share", true); }), "GetRootNode Error!\n");
    EXPECT_EQ(ErrorOf([&] { CountNodes(document, "((", true); }), "SelectNodes Error!\n");
}

TEST(XmlAttributes, MissingAttributeIsAnErrorAndEmptyOneIsEmptyText) {
    CXMLDocument document = Loaded(kDeviceInfo);
    CXMLNode share = document.GetRootNode().SelectNodes("share").at(2);
    EXPECT_EQ(share.GetAttributeValue("comment"), "");
    EXPECT_EQ(ErrorOf([&] { share.GetAttributeValue("absent"); }), "GetAttributeValue Error!\n");
    share.SetAttributeValue("comment", "x < y & \"z\"");
    EXPECT_EQ(share.GetAttributeValue("comment"), "x < y & \"z\"");
    EXPECT_EQ(ErrorOf([&] { share.SetAttributeValue("bad name", "v"); }), "SetAttributeValue Error!\n");
    EXPECT_EQ(share.SingleSelectNode("@name").GetText(), "c");
}

TEST(XmlDocumentState, FreshDocumentHasNoRootAndEmptyInputDoesNotLoad) {
    CXMLDocument document;
    EXPECT_FALSE(document.HasRootNode());
    EXPECT_EQ(ErrorOf([&] { document.GetRootNode(); }), "GetRootNode Error!\n");
    std::istringstream empty;
    EXPECT_EQ(ErrorOf([&] { document.Load(empty); }), "Load XMLfile Error!\n");
}

TEST(XmlLoading, BrokenInputLeavesThePreviousContent) {
    CXMLDocument document = Loaded("<a><b>kept</b></a>");
    const std::vector<std::string> broken = {
        "<a><b></a>",
        "<a>",
        "not xml",
        "<a/><b/>",
        std::string("<a>\0</a>", 8),
        "\xEF\xBB\xBF",
        "<?xml version=\"1.0\"?>",
        "<!DOCTYPE a [<!ENTITY x \"xx\">]><a>&x;</a>",
    };
    for (const std::string& input : broken) {
        EXPECT_EQ(ErrorOf([&] { document.LoadFromBytes(input); }), "Load XMLfile Error!\n") << input;
        EXPECT_EQ(document.GetRootNode().SingleSelectNode("b").GetText(), "kept");
    }
}

TEST(XmlLoading, EntityBombIsRefused) {
    std::string bomb = "<!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\">";
    for (char c = 'b'; c <= 'j'; ++c) {
        bomb += std::string("<!ENTITY ") + c + " \"" + std::string(10, '&') + "\">";
    }
    bomb += "]><l>&j;</l>";
    CXMLDocument document;
    EXPECT_THROW(document.LoadFromBytes(bomb), CXMLError);
}

TEST(XmlLoading, ExcessiveNestingIsAnErrorNotACrash) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) {
        deep += "<a>";
    }
    CXMLDocument document;
    EXPECT_THROW(document.LoadFromBytes(deep), CXMLError);
}

TEST(XmlLoading, StreamsAreReadWhole) {
    std::string big = "<list>";
    for (int i = 0; i < 2000; ++i) {
        big += "<item>" + std::to_string(i) + "</item>";
    }
    big += "</list>";
    std::istringstream input(big);
    CXMLDocument document;
    document.Load(input);
    EXPECT_EQ(CountNodes(document, "item", true), 2000);
    EXPECT_EQ(document.GetRootNode().SingleSelectNode("item[last()]").GetText(), "1999");
}

TEST(XmlSaving, DeclarationFirstAndNoAddedWhitespace) {
    CXMLDocument document = Loaded("<a>\n  <b>1</b>\n  <c x=\"y\"/>\n</a>");
    const std::string saved = document.SaveToBytes();
    EXPECT_EQ(saved.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u) << saved;
    EXPECT_NE(saved.find("<a><b>1</b><c x=\"y\"/></a>"), std::string::npos) << saved;
    std::ostringstream output;
    document.Save(output);
    EXPECT_EQ(output.str(), saved);
}

TEST(XmlSaving, SpecialAndJapaneseTextSurvivesARoundTrip) {
    CXMLDocument document;
    CXMLNode root = document.CreateElement("korvaneRequest");
    document.SetRootNode(root);
    const std::string text = "共有 <&> \"' ]]> 　end";
    root.AppendChild(document.CreateElement("param")).SetText(text);
    CXMLDocument reread = Loaded(document.SaveToBytes());
    EXPECT_EQ(reread.GetRootNode().SingleSelectNode("param").GetText(), text);
}

TEST(XmlSaving, TextThatXmlCannotCarryIsReplacedSoTheFileReadsBack) {
    CXMLDocument document;
    CXMLNode root = document.CreateElement("r");
    document.SetRootNode(root);
    root.SetText(std::string("a\x01"
                             "b\xFF"
                             "c\xC3",
                             6));
    root.SetAttributeValue("v", "\x02");
    CXMLDocument reread = Loaded(document.SaveToBytes());
    EXPECT_EQ(reread.GetRootNode().GetText(), "a\xEF\xBF\xBD"
                                              "b\xEF\xBF\xBD"
                                              "c\xEF\xBF\xBD");
    EXPECT_EQ(reread.GetRootNode().GetAttributeValue("v"), "\xEF\xBF\xBD");
}

TEST(XmlEditing, BuildsATreeWithTextsAndNames) {
    CXMLDocument document;
    CXMLNode root = document.CreateElement("root");
    document.SetRootNode(root);
    CXMLNode child = root.AppendChild(document.CreateElement("child"));
    child.SetText("one");
    child.SetText("two");
    EXPECT_EQ(child.GetText(), "two");
    EXPECT_EQ(child.SelectNodes("text()").size(), 1u);
    EXPECT_EQ(child.GetName(), "child");
    EXPECT_EQ(child.SingleSelectNode("text()").GetName(), "#text");
    EXPECT_EQ(document.GetName(), "#document");
    EXPECT_TRUE(root.GetParent().IsSameNode(document));
    EXPECT_EQ(ErrorOf([&] { document.GetParent(); }), "GetParent Error!\n");
    EXPECT_TRUE(root.HasChildNodes());
    EXPECT_FALSE(document.CreateElement("leaf").HasChildNodes());
    EXPECT_FALSE(CXMLNode().HasChildNodes());
    EXPECT_EQ(ErrorOf([&] { document.CreateElement("1bad"); }), "CreateElement Error!\n");
    child.SetText("");
    EXPECT_FALSE(child.HasChildNodes());
}

TEST(XmlEditing, AppendMovesWithinADocumentAndRefusesCycles) {
    CXMLDocument document = Loaded("<r><a><x/></a><b/></r>");
    CXMLNode root = document.GetRootNode();
    CXMLNode x = root.SingleSelectNode("a/x");
    root.SingleSelectNode("b").AppendChild(x);
    EXPECT_EQ(CountNodes(document, "a/x", true), 0);
    EXPECT_EQ(CountNodes(document, "b/x", true), 1);
    CXMLNode b = root.SingleSelectNode("b");
    EXPECT_EQ(ErrorOf([&] { x.AppendChild(b); }), "AppendChild Error!\n");
    EXPECT_EQ(ErrorOf([&] { b.AppendChild(b); }), "AppendChild Error!\n");
    EXPECT_EQ(ErrorOf([&] { b.AppendChild(root.SingleSelectNode("a").SingleSelectNode("..")); }),
              "AppendChild Error!\n");
}

TEST(XmlEditing, AppendFromAnotherDocumentInsertsACopy) {
    CXMLDocument source = Loaded(kDeviceInfo);
    CXMLDocument target = Loaded("<settings/>");
    CXMLNode host = source.GetRootNode().SingleSelectNode("network/host");
    CXMLNode inserted = target.GetRootNode().AppendChild(host);
    inserted.SingleSelectNode("name").SetText("renamed");
    EXPECT_EQ(host.SingleSelectNode("name").GetText(), "ks-01");
    EXPECT_EQ(target.GetRootNode().SingleSelectNode("host/name").GetText(), "renamed");
}

TEST(XmlEditing, RemoveAndCloneKeepNodesUsable) {
    CXMLDocument document = Loaded("<r><a k=\"v\"><x>1</x></a><b/></r>");
    CXMLNode root = document.GetRootNode();
    CXMLNode removed = root.RemoveChild(root.SingleSelectNode("a"));
    EXPECT_EQ(CountNodes(document, "a", true), 0);
    EXPECT_EQ(removed.SingleSelectNode("x").GetText(), "1");
    EXPECT_EQ(ErrorOf([&] { root.RemoveChild(removed); }), "RemoveChild Error!\n");
    EXPECT_EQ(ErrorOf([&] { root.RemoveChild(removed.SingleSelectNode("@k")); }), "RemoveChild Error!\n");

    CXMLNode shallow = removed.CloneChild(false);
    EXPECT_EQ(shallow.GetAttributeValue("k"), "v");
    EXPECT_FALSE(shallow.HasChildNodes());
    CXMLNode deep = removed.CloneChild(true);
    EXPECT_EQ(deep.SingleSelectNode("x").GetText(), "1");
    EXPECT_EQ(ErrorOf([&] { deep.GetParent(); }), "GetParent Error!\n");
    root.AppendChild(deep);
    EXPECT_EQ(CountNodes(document, "a/x", true), 1);
    EXPECT_EQ(ErrorOf([&] { document.CloneChild(true); }), "CloneChild Error!\n");
}

TEST(XmlEditing, ReplaceNodeTakesACopyFromAnotherDocument) {
    CXMLDocument stored = Loaded(
        "<korvaneinfo><product>old</product><network><host><name>a</name></host></network></korvaneinfo>");
    CXMLDocument fresh = Loaded(
        "<korvaneinfo><product>new</product><network><host><name>b</name></host></network></korvaneinfo>");
    CXMLNode oldHost = stored.GetRootNode().SingleSelectNode("network/host");
    ReplaceNode(oldHost, fresh.GetRootNode().SingleSelectNode("network/host"));
    ReplaceNode(stored.GetRootNode().SingleSelectNode("product"),
                fresh.GetRootNode().SingleSelectNode("product"));
    EXPECT_EQ(stored.GetRootNode().SingleSelectNode("network/host/name").GetText(), "b");
    EXPECT_EQ(stored.GetRootNode().SingleSelectNode("product").GetText(), "new");
    EXPECT_EQ(oldHost.SingleSelectNode("name").GetText(), "a");
    fresh.GetRootNode().SingleSelectNode("product").SetText("changed later");
    EXPECT_EQ(stored.GetRootNode().SingleSelectNode("product").GetText(), "new");
    EXPECT_EQ(ErrorOf([&] { ReplaceNode(oldHost, fresh.GetRootNode()); }), "GetParent Error!\n");
}

TEST(XmlEditing, SetRootNodeReplacesTheDocumentElement) {
    CXMLDocument document = Loaded("<old><keep/></old>");
    CXMLNode oldRoot = document.GetRootNode();
    CXMLDocument other = Loaded("<korvaneinfo><x>1</x></korvaneinfo>");
    document.SetRootNode(other.GetRootNode());
    EXPECT_EQ(document.GetRootNode().GetName(), "korvaneinfo");
    EXPECT_EQ(other.GetRootNode().GetName(), "korvaneinfo");
    EXPECT_EQ(oldRoot.SingleSelectNode("keep").GetName(), "keep");
    document.SetRootNode(document.GetRootNode().SingleSelectNode("x"));
    EXPECT_EQ(document.GetRootNode().GetText(), "1");
    EXPECT_EQ(ErrorOf([&] { document.SetRootNode(CXMLNode()); }), "SetRootNode Error!\n");
}

TEST(XmlLifetime, NodesOutliveTheirDocumentObjectAndItsReload) {
    CXMLNode name;
    CXMLNode detached;
    {
        CXMLDocument document = Loaded(kDeviceInfo);
        name = document.GetRootNode().SingleSelectNode("network/host/name");
        detached = document.CreateElement("orphan");
        detached.AppendChild(document.CreateElement("inner")).SetText("t");
        CXMLNode kept = document.GetRootNode().SingleSelectNode("share");
        document.LoadFromBytes("<other/>");
        EXPECT_EQ(kept.GetAttributeValue("name"), "a");
        EXPECT_EQ(document.GetRootNode().GetName(), "other");
    }
    EXPECT_EQ(name.GetText(), "ks-01");
    EXPECT_EQ(detached.SingleSelectNode("inner").GetText(), "t");
}

TEST(XmlLifetime, DetachedTreesLiveWhileAnyNodeInThemIsHeld) {
    CXMLDocument document = Loaded("<r><a><b><c>deep</c></b></a></r>");
    CXMLNode c = document.GetRootNode().SingleSelectNode("a/b/c");
    document.GetRootNode().RemoveChild(document.GetRootNode().SingleSelectNode("a"));
    EXPECT_EQ(c.GetText(), "deep");
    EXPECT_EQ(c.GetParent().GetParent().GetName(), "a");
    CXMLNode text = c.SingleSelectNode("text()");
    c.SetText("replaced");
    EXPECT_EQ(text.GetText(), "deep");
    document.GetRootNode().AppendChild(c);
    EXPECT_EQ(document.GetRootNode().SingleSelectNode("c").GetText(), "replaced");
}

TEST(XmlThreads, DocumentsWorkOnSeveralThreadsAtOnce) {
    std::vector<std::thread> threads;
    std::vector<int> counts(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &counts] {
            for (int i = 0; i < 50; ++i) {
                CXMLDocument document = Loaded(kDeviceInfo);
                counts[t] += CountNodes(document, "share[@name]", true);
                document.SelectNodes("//ip[not(.='')]");
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(counts, std::vector<int>(4, 150));
}

namespace {

// A document built in memory for the load check, and the verdict the check must give it.
struct LoadCase {
    const char* pszName;
    std::function<void(CXMLDocument&, CXMLNode&)> build;
    CXmlLoadCheck::Verdict verdict;
};

void Chain(CXMLDocument& document, CXMLNode node, int nLevels) {
    for (int i = 1; i < nLevels; ++i) {
        node = node.AppendChild(document.CreateElement("d"));
    }
}

class XmlLoadCheckCase : public ::testing::TestWithParam<LoadCase> {};

} // namespace

// The check mirrors the load: whatever it passes loads, and what it refuses here fails to load.
TEST_P(XmlLoadCheckCase, GivesTheVerdictThatLoadingBearsOut) {
    CXMLDocument document;
    document.SetRootNode(document.CreateElement("root"));
    CXMLNode root = document.GetRootNode();
    GetParam().build(document, root);
    const std::string text = document.SaveToBytes();
    CXmlLoadCheck check(text.size());
    check.Add(root, 0);
    EXPECT_EQ(check.Result(), GetParam().verdict);
    EXPECT_EQ(ErrorOf([&] { Loaded(text); }) == "no error", GetParam().verdict == CXmlLoadCheck::LOADS);
}

INSTANTIATE_TEST_SUITE_P(
    AtEachLimit, XmlLoadCheckCase,
    ::testing::Values(LoadCase{"Within",
                               [](CXMLDocument& document, CXMLNode& root) {
                                   Chain(document, root, 256);
                                   root.SetAttributeValue("long", std::string(9000000, 'v'));
                               },
                               CXmlLoadCheck::LOADS},
                      LoadCase{"TooDeep",
                               [](CXMLDocument& document, CXMLNode& root) { Chain(document, root, 258); },
                               CXmlLoadCheck::TOO_DEEP},
                      LoadCase{"AttributeTooLong",
                               [](CXMLDocument&, CXMLNode& root) {
                                   root.SetAttributeValue("long", std::string(11000000, 'v'));
                               },
                               CXmlLoadCheck::TEXT_TOO_LONG},
                      LoadCase{"TooManyNames",
                               [](CXMLDocument& document, CXMLNode& root) {
                                   for (int i = 0; i < 125000; ++i) {
                                       root.AppendChild(document.CreateElement("n" + std::string(190, 'x') +
                                                                               std::to_string(i)));
                                   }
                               },
                               CXmlLoadCheck::TOO_MANY_NAMES},
                      LoadCase{"TooLarge",
                               [](CXMLDocument&, CXMLNode& root) {
                                   root.SetText(std::string(CXmlLoadCheck::MAX_DOCUMENT_BYTES, 't'));
                               },
                               CXmlLoadCheck::TOO_LARGE}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.pszName); });
