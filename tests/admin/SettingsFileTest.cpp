// The settings file as a whole: what a save writes and what a load brings back.
#include "admin/SettingsFile.h"

#include "SampleDevices.h"
#include "SettingsTesting.h"
#include "support/ScrambleStr.h"

#include <algorithm>

#include <gtest/gtest.h>

using namespace Korvane;
using namespace AdminTesting;

namespace {

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

class SettingsFileTest : public ::testing::Test {
protected:
    std::filesystem::path SettingsPath() const { return m_folder.Path() / "KorvaneAdminSetting"; }

    SettingsSaveResult Save(const CKorvaneAdminInfoMgr& manager, const std::string& key = kUserKey) {
        return CSettingsFile(SettingsPath(), key).Save(manager);
    }
    SettingsLoadResult Load(CKorvaneAdminInfoMgr& manager, const std::string& key = kUserKey) {
        return CSettingsFile(SettingsPath(), key).Load(manager);
    }
    // The document a save writes, parsed from a save with the empty key.
    Zelt::CXMLNode SavedRoot(const CKorvaneAdminInfoMgr& manager) {
        EXPECT_TRUE(Save(manager, ""));
        m_document.LoadFromBytes(ReadBytes(SettingsPath()));
        return m_document.GetRootNode();
    }

    TemporaryFolder m_folder;
    Zelt::CXMLDocument m_document;
};

// --- round trip ---

class SettingsRoundTrip : public SettingsFileTest, public ::testing::WithParamInterface<int> {};

TEST_P(SettingsRoundTrip, EverythingSavedComesBackIntoAFreshManager) {
    CKorvaneAdminInfoMgr saved;
    FillManager(saved, GetParam());
    const SettingsSaveResult save = Save(saved);
    ASSERT_TRUE(save) << save.strReason;
    EXPECT_EQ(save.nMessageId, 0);

    CKorvaneAdminInfoMgr loaded;
    const SettingsLoadResult load = Load(loaded);
    EXPECT_EQ(load.outcome, SettingsLoadOutcome::Loaded) << load.strReason;
    EXPECT_EQ(load.nMessageId, 0);
    ExpectReloaded(saved, loaded);
}

INSTANTIATE_TEST_SUITE_P(EveryAuthMethod, SettingsRoundTrip,
                         ::testing::Values(MAIL_AUTH_NONE, MAIL_AUTH_POP_BEFORE_SMTP, MAIL_AUTH_PLAIN,
                                           MAIL_AUTH_LOGIN, MAIL_AUTH_CRAM_MD5));

TEST_F(SettingsFileTest, GroupNamesWithQuotesBracketsAndSlashesKeepTheirMembers) {
    CKorvaneAdminInfoMgr saved;
    FillManager(saved, MAIL_AUTH_NONE);
    ASSERT_TRUE(Save(saved));
    CKorvaneAdminInfoMgr loaded;
    Load(loaded);
    EXPECT_TRUE(loaded.IsMember("Bob's shelf", "02:4B:56:00:00:01"));
    EXPECT_TRUE(loaded.IsMember("it's \"both\"", "02:4B:56:00:00:02"));
    EXPECT_TRUE(loaded.IsMember("rack [1]", "0A:4B:56:00:00:03"));
    EXPECT_TRUE(loaded.IsMember("a/b", "0A:4B:56:00:00:03"));
    EXPECT_TRUE(loaded.IsMember("経理部", "02:4B:56:00:00:02"));
    EXPECT_FALSE(loaded.IsMember("Bob's shelf", "02:4B:56:00:00:02"));
    ASSERT_TRUE(loaded.GroupExists("空のグループ"));
    EXPECT_TRUE(loaded.Groups().at("空のグループ").empty());
}

TEST_F(SettingsFileTest, ADeviceReportingALowerCaseMacKeepsItsGroups) {
    CKorvaneAdminInfoMgr saved;
    FillManager(saved, MAIL_AUTH_NONE);
    const Zelt::CXMLNode root = SavedRoot(saved);
    // The copy beside the information is the device's own text.
    EXPECT_EQ(root.SelectNodes("korvaneinfos/korvane[mac='0a:4b:56:ab:cd:ef']").size(), 1u);

    CKorvaneAdminInfoMgr loaded;
    CSettingsFile(SettingsPath(), "").Load(loaded);
    EXPECT_EQ(loaded.GroupsOf("0A:4B:56:AB:CD:EF"), (std::vector<std::string>{"a/b", "say \"hi\""}));
    EXPECT_EQ(loaded.FindDevice("0A:4B:56:AB:CD:EF")->GetMacAddress(), "0a:4b:56:ab:cd:ef");
}

TEST_F(SettingsFileTest, PortForwardingComesBackWithoutAStoredPassword) {
    CKorvaneAdminInfoMgr saved;
    FillManager(saved, MAIL_AUTH_NONE);
    ASSERT_FALSE(saved.FindDevice("02:4B:56:00:00:02")->GetSavePassword());
    ASSERT_TRUE(Save(saved));
    CKorvaneAdminInfoMgr loaded;
    Load(loaded);
    const CManagedDevice* pDevice = loaded.FindDevice("02:4B:56:00:00:02");
    ASSERT_NE(pDevice, nullptr);
    EXPECT_TRUE(pDevice->GetPortForwarding());
    EXPECT_FALSE(pDevice->HasPassword());
}

TEST_F(SettingsFileTest, MarkupInsideADevicesNameCannotDisturbTheDevicesAfterIt) {
    CManagedDevice hostile = SampleDevice("qrx-x", "02:4B:56:00:00:01", "evil", "198.18.0.1");
    Zelt::CXMLNode name = hostile.GetRootNode().SingleSelectNode("network/host/name");
    Zelt::CXMLNode korvane = name.AppendChild(hostile.CreateElement("korvane"));
    korvane.AppendChild(hostile.CreateElement("korvaneinfo"));
    CKorvaneAdminInfoMgr saved;
    saved.AddOrUpdate(hostile);
    saved.AddOrUpdate(SampleDevice("qrx-h", "02:4B:56:00:00:02", "next", "198.18.0.2"));
    saved.SetGroup("g", {"02:4B:56:00:00:02"});
    ASSERT_TRUE(Save(saved));
    CKorvaneAdminInfoMgr loaded;
    EXPECT_EQ(Load(loaded).outcome, SettingsLoadOutcome::Loaded);
    ExpectReloaded(saved, loaded);
}

// --- stored form ---

TEST_F(SettingsFileTest, TheStoredFileIsTheXmlShiftedByTheKeyInUpperCaseHex) {
    CKorvaneAdminInfoMgr manager;
    FillManager(manager, MAIL_AUTH_PLAIN);
    ASSERT_TRUE(Save(manager, ""));
    const std::string xml = ReadBytes(SettingsPath());
    ASSERT_TRUE(Save(manager, kUserKey));
    const std::string stored = ReadBytes(SettingsPath());

    EXPECT_EQ(xml.rfind(kDeclaration, 0), 0u) << xml.substr(0, 60);
    EXPECT_EQ(stored.size(), 2 * xml.size());
    EXPECT_EQ(stored.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(stored, ScrambleByHand(xml, kUserKey));
    EXPECT_EQ(Zelt::CDecodeStr().Convert(stored, kUserKey), xml);
}

TEST_F(SettingsFileTest, WithAnEmptyKeyTheXmlIsStoredAsItIs) {
    CKorvaneAdminInfoMgr saved;
    FillManager(saved, MAIL_AUTH_LOGIN);
    ASSERT_TRUE(Save(saved, ""));
    const std::string stored = ReadBytes(SettingsPath());
    EXPECT_EQ(stored.rfind(kDeclaration, 0), 0u);
    EXPECT_NE(stored.find("<group>Bob's shelf</group>"), std::string::npos);

    CKorvaneAdminInfoMgr loaded;
    EXPECT_EQ(CSettingsFile(SettingsPath(), "").Load(loaded).outcome, SettingsLoadOutcome::Loaded);
    ExpectReloaded(saved, loaded);
}

// --- element structure ---

TEST_F(SettingsFileTest, ElementsAreWrittenInTheirFixedOrder) {
    CKorvaneAdminInfoMgr manager;
    FillManager(manager, MAIL_AUTH_POP_BEFORE_SMTP);
    const Zelt::CXMLNode root = SavedRoot(manager);
    using Names = std::vector<std::string>;
    EXPECT_EQ(root.GetName(), "KorvaneAdminSettingInfo");
    EXPECT_EQ(ChildNames(root), (Names{"appsettings", "korvaneinfos"}));
    const Zelt::CXMLNode app = root.SingleSelectNode("appsettings");
    EXPECT_EQ(ChildNames(app), (Names{"updatetime", "grouplist", "window", "mail", "language"}));
    EXPECT_EQ(app.SingleSelectNode("language").GetText(), "en");
    EXPECT_EQ(ChildNames(app.SingleSelectNode("window")), (Names{"size", "columnlist"}));
    EXPECT_EQ(ChildNames(app.SingleSelectNode("window/size")), (Names{"x", "y", "h", "w", "h1", "w1"}));
    EXPECT_EQ(app.SingleSelectNode("window/size/x").GetText(), "-4");
    EXPECT_EQ(ChildNames(app.SingleSelectNode("mail")),
              (Names{"smtp", "sendfrom", "sendto", "encode", "auth", "security"}));
    EXPECT_EQ(ChildNames(app.SingleSelectNode("mail/security")), (Names{"smtp", "pop3", "trusted"}));
    EXPECT_EQ(app.SingleSelectNode("mail/security/smtp").GetText(), "starttls");
    EXPECT_EQ(ChildNames(app.SingleSelectNode("mail/smtp")), (Names{"srv", "port"}));
    EXPECT_EQ(app.SingleSelectNode("mail").GetAttributeValue("enable"), "true");
    EXPECT_EQ(app.SingleSelectNode("mail/auth").GetAttributeValue("type"), "POP3");
    EXPECT_EQ(ChildNames(app.SingleSelectNode("mail/auth")), Names{"pop3"});
    EXPECT_EQ(ChildNames(app.SingleSelectNode("mail/auth/pop3")),
              (Names{"srv", "account", "passwd", "waittime", "port"}));

    Names groups;
    for (const Zelt::CXMLNode& group : app.SelectNodes("grouplist/group")) {
        groups.push_back(group.GetText());
    }
    EXPECT_EQ(groups, manager.GroupNames());
}

TEST_F(SettingsFileTest, EachDeviceIsWrittenWithItsCopiesGroupsAndInformation) {
    CKorvaneAdminInfoMgr manager;
    FillManager(manager, MAIL_AUTH_NONE);
    const Zelt::CXMLNode devices = SavedRoot(manager).SingleSelectNode("korvaneinfos");
    using Names = std::vector<std::string>;
    const Zelt::CXMLNodeList korvanes = devices.SelectNodes("korvane");
    ASSERT_EQ(korvanes.size(), 4u);
    // In table order; a saved password first, the disabled IPv6 setting of qrx-xv not copied.
    EXPECT_EQ(ChildNames(korvanes[0]), (Names{"adminpasswd", "name", "ip", "ip", "mac", "belong",
                                              "approvedaddresses", "unapprovedaddresses", "korvaneinfo"}));
    EXPECT_EQ(ChildNames(korvanes[1]),
              (Names{"name", "ip", "ip", "mac", "belong", "approvedaddresses", "korvaneinfo"}));
    EXPECT_EQ(ChildNames(korvanes[2]), (Names{"name", "ip", "mac", "belong", "korvaneinfo"}));
    EXPECT_EQ(ChildNames(korvanes[3]), (Names{"adminpasswd", "name", "ip", "ip", "mac", "belong",
                                              "approvedaddresses", "korvaneinfo"}));
    EXPECT_EQ(korvanes[0].SelectNodes("approvedaddresses/address")[0].GetText(), "198.18.10.21");
    EXPECT_EQ(korvanes[0].SingleSelectNode("unapprovedaddresses/ipv4").GetText(), "198.18.10.99");
    EXPECT_EQ(korvanes[0].SingleSelectNode("adminpasswd").GetText(), "s3cr'et<&>");
    EXPECT_FALSE(korvanes[3].SingleSelectNode("adminpasswd").HasChildNodes()) << "empty password, no text";
    EXPECT_EQ(korvanes[0].GetAttributeValue("portforwarding"), "disable");
    EXPECT_EQ(korvanes[1].GetAttributeValue("portforwarding"), "enable");
    EXPECT_EQ(korvanes[0].SingleSelectNode("name").GetText(), "KORVANE-SOUMU");
    EXPECT_EQ(korvanes[0].SelectNodes("ip")[0].GetText(), "198.18.10.21");
    EXPECT_EQ(korvanes[0].SelectNodes("ip")[1].GetText(), "fe80::4b:56ff:fe1a:73c");
    Names belong;
    for (const Zelt::CXMLNode& group : korvanes[0].SelectNodes("belong/group")) {
        belong.push_back(group.GetText());
    }
    EXPECT_EQ(belong, manager.GroupsOf("02:4B:56:00:00:01"));
    EXPECT_EQ(korvanes[0].SingleSelectNode("korvaneinfo/product/name").GetText(), "QRX-XR4");
}

TEST_F(SettingsFileTest, EmptyPartsAreLeftOutOrWrittenWithoutText) {
    CKorvaneAdminInfoMgr manager;
    manager.AddOrUpdate(SampleDevice("qrx-x", "02:4B:56:00:00:01", "ks", "198.18.0.1"));
    const Zelt::CXMLNode root = SavedRoot(manager);
    EXPECT_TRUE(root.SelectNodes("appsettings/window/columnlist").empty());
    EXPECT_TRUE(root.SelectNodes("appsettings/language").empty()) << "following the system";
    EXPECT_TRUE(root.SelectNodes("korvaneinfos/korvane/belong").empty());
    EXPECT_TRUE(root.SelectNodes("korvaneinfos/korvane/adminpasswd").empty());
    EXPECT_EQ(root.SingleSelectNode("appsettings/updatetime").GetText(), "0");
    EXPECT_EQ(root.SingleSelectNode("appsettings/window/size/w1").GetText(), "-1");
    const Zelt::CXMLNode mail = root.SingleSelectNode("appsettings/mail");
    EXPECT_EQ(mail.GetAttributeValue("enable"), "false");
    for (const char* pszPath : {"smtp/srv", "smtp/port", "sendfrom", "sendto"}) {
        EXPECT_FALSE(mail.SingleSelectNode(pszPath).HasChildNodes()) << pszPath;
    }
    EXPECT_EQ(mail.SingleSelectNode("encode").GetText(), "UTF-8");
}

TEST_F(SettingsFileTest, AuthenticationNoWritesNeitherPop3NorSmtpAuth) {
    CKorvaneAdminInfoMgr manager;
    manager.m_mail.nAuthMethod = MAIL_AUTH_NONE;
    manager.m_mail.strPop3Server = "pop.example.jp";
    manager.m_mail.strSmtpAuthUser = "user";
    const Zelt::CXMLNode auth = SavedRoot(manager).SingleSelectNode("appsettings/mail/auth");
    EXPECT_EQ(auth.GetAttributeValue("type"), "NO");
    EXPECT_FALSE(auth.HasChildNodes());
}

TEST_F(SettingsFileTest, SmtpAuthMethodsWriteTheirNameAndUserAndPassword) {
    const std::pair<int, const char*> methods[] = {
        {MAIL_AUTH_PLAIN, "PLAIN"}, {MAIL_AUTH_LOGIN, "LOGIN"}, {MAIL_AUTH_CRAM_MD5, "CRAM-MD5"}};
    for (const auto& [nMethod, pszName] : methods) {
        CKorvaneAdminInfoMgr manager;
        FillManager(manager, nMethod);
        const Zelt::CXMLNode auth = SavedRoot(manager).SingleSelectNode("appsettings/mail/auth");
        EXPECT_EQ(auth.GetAttributeValue("type"), pszName);
        EXPECT_EQ(ChildNames(auth), std::vector<std::string>{"smtpauth"});
        EXPECT_EQ(ChildNames(auth.SingleSelectNode("smtpauth")),
                  (std::vector<std::string>{"user", "passwd"}));
        EXPECT_EQ(auth.SingleSelectNode("smtpauth/passwd").GetText(), " spaced \"pw\" ");
    }
}

} // namespace
