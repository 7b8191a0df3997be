#include "protocol/AuthRequestParam.h"
#include "protocol/FWUpdateRequestParam.h"
#include "protocol/GetInfoRequestParam.h"
#include "protocol/MelodyRequestParam.h"
#include "protocol/PowerOffRequestParam.h"
#include "protocol/RebootRequestParam.h"
#include "protocol/SetInfoRequestParam.h"
#include "support/XmlError.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

using namespace Korvane;
using Lines = std::vector<std::string>;

namespace {

// One line per child of the root: "name[type]=text", with "{...}" for the child's own
// element children and their attributes, so that documents compare element for element.
std::string Describe(const Zelt::CXMLNode& node) {
    std::string line = node.GetName();
    try {
        line += "[" + node.GetAttributeValue("type") + "]";
    } catch (const Zelt::CXMLError&) {
    }
    for (const Zelt::CXMLNode& attribute : node.SelectNodes("@*[name() != 'type']")) {
        line += " " + attribute.GetName() + "=\"" + attribute.GetText() + "\"";
    }
    const Zelt::CXMLNodeList children = node.SelectNodes("*");
    if (children.empty()) {
        return line + "=" + node.GetText();
    }
    line += "{";
    for (const Zelt::CXMLNode& child : children) {
        line += Describe(child);
    }
    return line + "}";
}

struct BuiltRequest {
    Zelt::CXMLDocument document;
    bool built = false;

    Lines Children() const {
        Lines lines;
        for (const Zelt::CXMLNode& child : document.GetRootNode().SelectNodes("node()")) {
            lines.push_back(Describe(child));
        }
        return lines;
    }
    std::string Version() const { return document.GetRootNode().GetAttributeValue("version"); }
};

BuiltRequest Build(const CRequestParam& request) {
    BuiltRequest result;
    result.built = request.MakeRequestXml(result.document);
    return result;
}

} // namespace

TEST(RequestDocuments, AuthorizationAsSentBeforeAStatusQuery) {
    CAuthRequestParam request(std::string(), 30000);
    request.SetUser("admin");
    request.SetPassword("secret");
    const BuiltRequest built = Build(request);
    ASSERT_TRUE(built.built);
    EXPECT_EQ(built.document.GetRootNode().GetName(), "korvaneRequest");
    EXPECT_EQ(built.Version(), "1.00");
    EXPECT_EQ(built.Children(), (Lines{"request=AUTHORIZATION", "param[user]=admin", "param[passwd]=secret",
                                       "auth=", "param[waitmillisec]=30000"}));
}

TEST(RequestDocuments, EmptyPasswordStillSendsThePasswordParameterWithoutText) {
    CAuthRequestParam request;
    request.SetUser("admin");
    const BuiltRequest built = Build(request);
    EXPECT_EQ(built.Children()[2], "param[passwd]=");
    EXPECT_FALSE(built.document.GetRootNode().SingleSelectNode("param[@type='passwd']").HasChildNodes());
}

TEST(RequestDocuments, StatusQueryListsCategoriesInNameOrder) {
    CGetInfoRequestParam request;
    request.AddCategory(KORVANE_STATUS);
    request.AddCategory(KORVANE_NETWORK);
    request.SetInfoType(INFOTYPE_SIMPLE);
    request.SetAuthKey("K3Y");
    request.SetWaitMillisec(15000);
    EXPECT_EQ(request.CategoryMask(), 0x21u);
    const BuiltRequest built = Build(request);
    ASSERT_TRUE(built.built);
    EXPECT_EQ(built.Version(), "1.00");
    EXPECT_EQ(built.Children(),
              (Lines{"request=GETINFO", "param[category]=KORVANE_NETWORK", "param[category]=KORVANE_STATUS",
                     "param[infotype]=INFOTYPE_SIMPLE", "auth=K3Y", "param[waitmillisec]=15000"}));
}

TEST(RequestDocuments, EveryCategoryBitHasItsNameAndMaskNamesFollowCategories) {
    CGetInfoRequestParam request;
    for (const auto& [name, bit] : CGetInfoRequestParamBase::CategoryTable()) {
        request.AddCategory(bit);
    }
    request.SetMask(64);
    const Lines children = Build(request).Children();
    Lines expected = {"request=GETINFO"};
    for (const char* name :
         {"KORVANE_ADMIN_DETAIL",   "KORVANE_ADMIN_NORMAL",   "KORVANE_ADMIN_SIMPLE", "KORVANE_ALL",
          "KORVANE_BACKUP",         "KORVANE_GROUP",          "KORVANE_ISS_CHECK",    "KORVANE_LOG",
          "KORVANE_NETWORK",        "KORVANE_OUTPORT",        "KORVANE_PRODUCT",      "KORVANE_RAID",
          "KORVANE_RESTORE_DETAIL", "KORVANE_RESTORE_SIMPLE", "KORVANE_SHARE",        "KORVANE_STATUS",
          "KORVANE_SYSTEMINFO",     "KORVANE_SYSTEMSETTING",  "KORVANE_USER",         "KORVANE_VOLUME"}) {
        expected.push_back(std::string("param[category]=") + name);
    }
    expected.insert(expected.end(), {"param[mask]=MASK_STATUS", "auth=", "param[waitmillisec]=0"});
    EXPECT_EQ(children, expected);
}

TEST(RequestDocuments, OnlyTheSimpleAdministrationCategoryNeedsNoAuthorization) {
    CGetInfoRequestParam simple;
    simple.AddCategory(KORVANE_ADMIN_SIMPLE);
    EXPECT_FALSE(simple.NeedsAuthorization());
    CGetInfoRequestParam normal;
    normal.AddCategory(KORVANE_ADMIN_NORMAL);
    EXPECT_TRUE(normal.NeedsAuthorization());
    CGetInfoRequestParam none;
    EXPECT_TRUE(none.NeedsAuthorization());
    EXPECT_EQ(Build(none).Children(), (Lines{"request=GETINFO", "auth=", "param[waitmillisec]=0"}));
}

TEST(RequestDocuments, SetInfoWithTheShutdownPostProcess) {
    CSetInfoRequestParam request("key", 60000);
    request.SetInfoNode("<systemsetting><eco enable=\"true\"><start>01:00</start></eco></systemsetting>");
    request.SetPostProcesses({ProcessEntry{PROCESS_COMMAND_SHUTDOWN, "", -1}});
    const BuiltRequest built = Build(request);
    ASSERT_TRUE(built.built);
    EXPECT_EQ(built.Children(),
              (Lines{"request=SETINFO", "param[infonode]{systemsetting{eco enable=\"true\"{start=01:00}}}",
                     "auth=key", "param[waitmillisec]=60000",
                     "param[postprocess]{postprocess command=\"SHUTDOWN\" condition=\"-1\" order=\"1\"=}"}));
}

TEST(RequestDocuments, SetInfoWithTextThatIsNotXmlFailsToBuild) {
    CSetInfoRequestParam request;
    request.SetInfoNode("<unclosed>");
    Zelt::CXMLDocument document;
    EXPECT_FALSE(request.MakeRequestXml(document));
}

TEST(RequestDocuments, ProcessListsAreNumberedAndLaterVersionsPutDetailsOnTheParam) {
    CRebootRequestParam v1;
    v1.SetPreProcesses({ProcessEntry{PROCESS_COMMAND_LOG, "", 0}, ProcessEntry{7, "note", 2}});
    EXPECT_EQ(Build(v1).Children(),
              (Lines{"request=REBOOT", "auth=", "param[waitmillisec]=0",
                     "param[preprocess]{preprocess command=\"LOG\" condition=\"0\" order=\"1\"=}",
                     "param[preprocess]{preprocess command=\"\" condition=\"2\" order=\"2\"=}"}));
    CRebootRequestParam v2(std::string(), 0, 2.0);
    v2.SetPostProcesses({ProcessEntry{PROCESS_COMMAND_REBOOT, "after", 1}});
    const BuiltRequest built = Build(v2);
    EXPECT_EQ(built.Version(), "2.00");
    EXPECT_EQ(built.Children().back(),
              "param[postprocess] command=\"REBOOT\" condition=\"1\" order=\"1\"=after");
}

TEST(RequestDocuments, MelodyNamesOnlyKnownCommands) {
    CMelodyRequestParam request(std::string(), 30000);
    EXPECT_EQ(Build(request).Children()[1], "param[command]=on");
    request.SetCommand(MELODY_OFF);
    EXPECT_EQ(Build(request).Children()[1], "param[command]=off");
    request.SetCommand(5);
    EXPECT_EQ(Build(request).Children(), (Lines{"request=MELODY", "auth=", "param[waitmillisec]=30000"}));
}

TEST(RequestDocuments, PowerOffRebootAndFirmwareUpdate) {
    CPowerOffRequestParam powerOff;
    EXPECT_EQ(Build(powerOff).Children()[1], "param[network]=FALSE");
    powerOff.SetNetwork(true);
    EXPECT_EQ(Build(powerOff).Children()[1], "param[network]=TRUE");
    EXPECT_EQ(Build(CRebootRequestParam("k", 5)).Children(),
              (Lines{"request=REBOOT", "auth=k", "param[waitmillisec]=5"}));
    EXPECT_EQ(Build(CFWUpdateRequestParam("image.bin", "k", 30000)).Children(),
              (Lines{"request=FWUPDATE", "param[name]=image.bin", "auth=k", "param[waitmillisec]=30000"}));
    EXPECT_EQ(Build(CFWUpdateRequestParam("")).Children()[1], "param[name]=");
}

TEST(RequestDocuments, BuildingAgainReplacesTheWholeDocumentAndSerialisesAsUtf8) {
    Zelt::CXMLDocument document;
    CAuthRequestParam auth;
    auth.SetPassword("パス&<>");
    ASSERT_TRUE(auth.MakeRequestXml(document));
    ASSERT_TRUE(CRebootRequestParam().MakeRequestXml(document));
    EXPECT_EQ(document.SelectNodes("//request").size(), 1u);
    EXPECT_EQ(document.GetRootNode().SingleSelectNode("request").GetText(), "REBOOT");
    ASSERT_TRUE(auth.MakeRequestXml(document));
    const std::string bytes = document.SaveToBytes();
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
    EXPECT_NE(bytes.find("<param type=\"passwd\">パス&amp;&lt;&gt;</param>"), std::string::npos) << bytes;
}
