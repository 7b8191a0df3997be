// Loading hand-written settings documents: the rules for each part and for damaged parts.
#include "SampleDevices.h"
#include "SettingsTesting.h"
#include "admin/SettingsFile.h"

#include <gtest/gtest.h>

using namespace Korvane;
using namespace AdminTesting;

namespace {

const std::string kWindow =
    "<window><size><x>10</x><y>20</y><h>600</h><w>800</w><h1>200</h1><w1>300</w1>"
    "</size><columnlist><column>name</column><column>status</column></columnlist></window>";
const std::string kMail = "<mail enable=\"true\"><smtp><srv>smtp.example.jp</srv><port>25</port></smtp>"
                          "<sendfrom>from@example.jp</sendfrom><sendto>to@example.jp</sendto>"
                          "<encode>ISO-2022-JP</encode><auth type=\"NO\"/></mail>";

// The parts of a settings document; a part set to empty is left out.
struct Parts {
    std::string updateTime = "<updatetime>7</updatetime>";
    std::string groupList = "<grouplist/>";
    std::string window = kWindow;
    std::string mail = kMail;
    std::string devices = "<korvaneinfos/>";
    std::string language;
};

std::string Document(const Parts& parts) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<KorvaneAdminSettingInfo><appsettings>" +
           parts.updateTime + parts.groupList + parts.window + parts.mail + parts.language +
           "</appsettings>" + parts.devices + "</KorvaneAdminSettingInfo>\n";
}

// A "korvaneinfo" element of a sample device, as text.
std::string InfoElement(const std::string& mac) {
    const std::string document = SampleDevice("qrx-x", mac, "KORVANE-" + mac, "198.18.0.1").SaveToBytes();
    return document.substr(document.find("<korvaneinfo"));
}

std::string DeviceEntry(const std::string& mac, const std::string& inner,
                        const std::string& attributes = {}) {
    return "<korvane" + attributes + "><mac>" + mac + "</mac>" + inner + InfoElement(mac) + "</korvane>";
}

std::string Belong(const std::vector<std::string>& groups) {
    std::string text = "<belong>";
    for (const std::string& group : groups) {
        text += "<group>" + group + "</group>";
    }
    return text + "</belong>";
}

std::string Mail(const std::string& auth, const std::string& encode = "<encode>UTF-8</encode>",
                 const std::string& enable = " enable=\"true\"") {
    return "<mail" + enable +
           "><smtp><srv>smtp.example.jp</srv><port>25</port></smtp><sendfrom>f@x</sendfrom>"
           "<sendto>t@x</sendto>" +
           encode + auth + "</mail>";
}

class SettingsLoadRules : public ::testing::Test {
protected:
    SettingsLoadResult LoadParts(const Parts& parts) {
        SettingsLoadResult result;
        m_manager = Loaded(parts, &result);
        return result;
    }
    // A fresh manager loaded from the parts, for cases that each need their own.
    CKorvaneAdminInfoMgr Loaded(const Parts& parts, SettingsLoadResult* pResult = nullptr) {
        WriteBytes(m_path, ScrambleByHand(Document(parts), kUserKey));
        CKorvaneAdminInfoMgr manager;
        const SettingsLoadResult result = CSettingsFile(m_path, kUserKey).Load(manager);
        if (pResult != nullptr) {
            *pResult = result;
        }
        return manager;
    }

    TemporaryFolder m_folder;
    std::filesystem::path m_path = m_folder.Path() / "KorvaneAdminSetting";
    CKorvaneAdminInfoMgr m_manager;
};

TEST_F(SettingsLoadRules, ACompleteDocumentAppliesEveryPart) {
    Parts parts;
    parts.groupList = "<grouplist><group>g</group></grouplist>";
    parts.devices = "<korvaneinfos>" + DeviceEntry("02:4B:56:00:00:01", Belong({"g"})) + "</korvaneinfos>";
    EXPECT_EQ(LoadParts(parts).outcome, SettingsLoadOutcome::Loaded);
    EXPECT_EQ(m_manager.m_nUpdateInterval, 7);
    EXPECT_EQ(m_manager.m_window, (WindowNumbers{10, 20, 600, 800, 200, 300}));
    EXPECT_EQ(m_manager.m_columnKeys, (std::vector<std::string>{"name", "status"}));
    EXPECT_TRUE(m_manager.m_mail.bNotify);
    EXPECT_EQ(m_manager.m_mail.strSmtpServer, "smtp.example.jp");
    EXPECT_EQ(m_manager.m_mail.nEncoding, MAIL_ENCODING_ISO2022JP);
    EXPECT_TRUE(m_manager.IsMember("g", "02:4B:56:00:00:01"));
    EXPECT_EQ(m_manager.FindDevice("02:4B:56:00:00:01")->Name(), "KORVANE-02:4B:56:00:00:01");
}

TEST_F(SettingsLoadRules, AMissingTopLevelPartLeavesEverythingAtItsDefaultsSilently) {
    std::string Parts::*const members[] = {&Parts::updateTime, &Parts::groupList, &Parts::window,
                                           &Parts::mail, &Parts::devices};
    for (std::string Parts::*pMember : members) {
        Parts parts;
        parts.devices = "<korvaneinfos>" + DeviceEntry("02:4B:56:00:00:01", "") + "</korvaneinfos>";
        parts.*pMember = std::string();
        SettingsLoadResult result;
        const CKorvaneAdminInfoMgr manager = Loaded(parts, &result);
        EXPECT_EQ(result.outcome, SettingsLoadOutcome::Incomplete);
        EXPECT_EQ(result.nMessageId, 0);
        ExpectDefaults(manager);
    }
}

TEST_F(SettingsLoadRules, TextThatIsNotXmlAfterUnscramblingIsDamaged) {
    for (const std::string& stored :
         {std::string("not hex at all"), ScrambleByHand("<a><b></a>", kUserKey), std::string("00")}) {
        WriteBytes(m_path, stored);
        CKorvaneAdminInfoMgr manager;
        const SettingsLoadResult result = CSettingsFile(m_path, kUserKey).Load(manager);
        EXPECT_EQ(result.outcome, SettingsLoadOutcome::Damaged) << stored;
        EXPECT_EQ(result.nMessageId, 10015);
        EXPECT_FALSE(result.strReason.empty());
        ExpectDefaults(manager);
    }
}

TEST_F(SettingsLoadRules, NoFileIsNoMessage) {
    const SettingsLoadResult result = CSettingsFile(m_path, kUserKey).Load(m_manager);
    EXPECT_EQ(result.outcome, SettingsLoadOutcome::NoFile);
    EXPECT_EQ(result.nMessageId, 0);
    ExpectDefaults(m_manager);
}

// --- window ---

TEST_F(SettingsLoadRules, AZeroOrUnreadableWindowNumberMakesAllSixMinusOne) {
    const char* const sizes[] = {
        "<x>10</x><y>20</y><h>600</h><w>0</w><h1>200</h1><w1>300</w1>",
        "<x>10</x><y>20</y><h>0</h><w>800</w><h1>200</h1><w1>300</w1>",
        "<x>10</x><y>20</y><h>600</h><w>800</w><h1>0</h1><w1>300</w1>",
        "<x>10</x><y>20</y><h>600</h><w>800</w><h1>200</h1><w1>0</w1>",
        "<x>10</x><y>20</y><h>600</h><w>800</w><h1>200</h1>",
        "<x>10px</x><y>20</y><h>600</h><w>800</w><h1>200</h1><w1>300</w1>",
        "<x/><y>20</y><h>600</h><w>800</w><h1>200</h1><w1>300</w1>",
        "<x>10</x><y>99999999999</y><h>600</h><w>800</w><h1>200</h1><w1>300</w1>",
    };
    for (const char* pszSize : sizes) {
        Parts parts;
        parts.window = std::string("<window><size>") + pszSize +
                       "</size><columnlist><column>name</column></columnlist></window>";
        SettingsLoadResult result;
        const CKorvaneAdminInfoMgr manager = Loaded(parts, &result);
        EXPECT_EQ(result.outcome, SettingsLoadOutcome::Loaded);
        EXPECT_EQ(manager.m_window, (WindowNumbers{-1, -1, -1, -1, -1, -1})) << pszSize;
        EXPECT_EQ(manager.m_columnKeys, std::vector<std::string>{"name"}) << "the rest still loads";
        EXPECT_EQ(manager.m_nUpdateInterval, 7);
    }
}

TEST_F(SettingsLoadRules, APositionOfZeroOrBelowIsAValidWindowPlace) {
    Parts parts;
    parts.window =
        "<window><size><x>0</x><y>-1080</y><h> 600 </h><w>800</w><h1>1</h1><w1>2</w1></size></window>";
    LoadParts(parts);
    EXPECT_EQ(m_manager.m_window, (WindowNumbers{0, -1080, 600, 800, 1, 2}));
    EXPECT_TRUE(m_manager.m_columnKeys.empty());
}

TEST_F(SettingsLoadRules, TheUpdateIntervalIsReadLikeAPlainDecimalNumber) {
    const std::pair<const char*, int> cases[] = {{"15", 15}, {" 30 minutes", 30},        {"abc", 0}, {"", 0},
                                                 {"-5", -5}, {"99999999999", 2147483647}};
    for (const auto& [pszText, nExpected] : cases) {
        Parts parts;
        parts.updateTime = std::string("<updatetime>") + pszText + "</updatetime>";
        const CKorvaneAdminInfoMgr manager = Loaded(parts);
        EXPECT_EQ(manager.m_nUpdateInterval, nExpected) << pszText;
    }
}

TEST_F(SettingsLoadRules, ALanguageChoiceOtherThanJapaneseOrEnglishFollowsTheSystem) {
    const std::pair<const char*, std::optional<Zelt::Language>> cases[] = {
        {"", std::nullopt},
        {"<language>ja</language>", Zelt::Language::Japanese},
        {"<language>en</language>", Zelt::Language::English},
        {"<language>fr</language>", std::nullopt},
        {"<language/>", std::nullopt},
        {"<language><en/></language>", std::nullopt}};
    for (const auto& [pszElement, expected] : cases) {
        Parts parts;
        parts.language = pszElement;
        EXPECT_EQ(Loaded(parts).m_language, expected) << pszElement;
    }
}

// --- groups ---

TEST_F(SettingsLoadRules, GroupsTakeTheirMembersFromTheDevicesBelongLists) {
    Parts parts;
    parts.groupList = "<grouplist><group>A</group><group>Bob's</group><group>empty</group></grouplist>";
    parts.devices = "<korvaneinfos>" + DeviceEntry("02:4B:56:00:00:01", Belong({"A", "Bob's"})) +
                    DeviceEntry("02:4B:56:00:00:02", "") +
                    DeviceEntry("02:4B:56:00:00:03", Belong({"unlisted"})) + "</korvaneinfos>";
    LoadParts(parts);
    EXPECT_EQ(m_manager.GroupNames(), (std::vector<std::string>{"A", "Bob's", "empty"}));
    EXPECT_EQ(m_manager.Groups().at("A"), std::set<std::string>{"02:4B:56:00:00:01"});
    EXPECT_EQ(m_manager.Groups().at("Bob's"), std::set<std::string>{"02:4B:56:00:00:01"});
    EXPECT_TRUE(m_manager.Groups().at("empty").empty());
    EXPECT_TRUE(m_manager.GroupsOf("02:4B:56:00:00:02").empty()) << "no belong, no group";
    EXPECT_TRUE(m_manager.GroupsOf("02:4B:56:00:00:03").empty()) << "a group not in the list is not made";
    EXPECT_EQ(m_manager.Devices().size(), 3u);
}

// Files of earlier versions keep each MAC as its device reported it.
TEST_F(SettingsLoadRules, DevicesAndMembersAreKeyedByTheCanonicalMacOfAnySpelling) {
    Parts parts;
    parts.groupList = "<grouplist><group>g</group></grouplist>";
    parts.devices = "<korvaneinfos>" + DeviceEntry("0a:4b:56:00:00:0f", Belong({"g"})) +
                    DeviceEntry("0A-4B-56-00-00-10", "<adminpasswd>pw</adminpasswd>" + Belong({"g"})) +
                    DeviceEntry("0A:4B:56:00:00:11 0&#10;0A:4B:56:00:00:0F", Belong({"g"})) +
                    DeviceEntry("0a4b56000012", Belong({"g"})) + "</korvaneinfos>";
    LoadParts(parts);
    const std::vector<std::string> macs = {"0A:4B:56:00:00:0F", "0A:4B:56:00:00:10", "0A:4B:56:00:00:12"};
    EXPECT_EQ(m_manager.Macs(), macs) << "an entry whose MAC is no MAC is left out alone";
    EXPECT_EQ(m_manager.Groups().at("g"), std::set<std::string>(macs.begin(), macs.end()));
    EXPECT_EQ(m_manager.GetDevice("0A:4B:56:00:00:10").GetPassword(), "pw");
}

// --- mail ---

TEST_F(SettingsLoadRules, EncodingIsUtf8WhenMissingOrNamedSoInAnyCase) {
    const std::pair<std::string, int> cases[] = {{"", MAIL_ENCODING_UTF8},
                                                 {"<encode>utf-8</encode>", MAIL_ENCODING_UTF8},
                                                 {"<encode>iso-2022-jp</encode>", MAIL_ENCODING_ISO2022JP},
                                                 {"<encode>Shift_JIS</encode>", MAIL_ENCODING_ISO2022JP}};
    for (const auto& [encode, nExpected] : cases) {
        Parts parts;
        parts.mail = Mail("<auth type=\"NO\"/>", encode);
        const CKorvaneAdminInfoMgr manager = Loaded(parts);
        EXPECT_EQ(manager.m_mail.nEncoding, nExpected) << encode;
    }
}

TEST_F(SettingsLoadRules, NotificationIsOnOnlyForTrueInAnyCase) {
    const std::pair<std::string, bool> cases[] = {
        {" enable=\"TRUE\"", true}, {" enable=\"yes\"", false}, {"", false}};
    for (const auto& [enable, bExpected] : cases) {
        Parts parts;
        parts.mail = Mail("<auth type=\"NO\"/>", "", enable);
        const CKorvaneAdminInfoMgr manager = Loaded(parts);
        EXPECT_EQ(manager.m_mail.bNotify, bExpected) << enable;
    }
}

TEST_F(SettingsLoadRules, AuthenticationTypesAreMatchedWithoutRegardToCase) {
    const std::pair<std::string, int> cases[] = {
        {"<auth type=\"cram-md5\"><smtpauth><user>u</user><passwd>p</passwd></smtpauth></auth>",
         MAIL_AUTH_CRAM_MD5},
        {"<auth type=\"Login\"><smtpauth><user>u</user><passwd>p</passwd></smtpauth></auth>",
         MAIL_AUTH_LOGIN},
        {"<auth type=\"XOAUTH2\"><smtpauth><user>u</user><passwd>p</passwd></smtpauth></auth>",
         MAIL_AUTH_NONE},
        {"<auth><smtpauth><user>u</user><passwd>p</passwd></smtpauth></auth>", MAIL_AUTH_NONE},
        {"", MAIL_AUTH_NONE}};
    for (const auto& [auth, nExpected] : cases) {
        Parts parts;
        parts.mail = Mail(auth);
        const CKorvaneAdminInfoMgr manager = Loaded(parts);
        EXPECT_EQ(manager.m_mail.nAuthMethod, nExpected) << auth;
    }
}

TEST_F(SettingsLoadRules, ThePop3ServerIsReadBack) {
    Parts parts;
    parts.mail = Mail("<auth type=\"POP3\"><pop3><srv>pop.example.jp</srv><account>acc</account>"
                      "<passwd>pw</passwd><waittime>500</waittime><port>1110</port></pop3></auth>");
    LoadParts(parts);
    EXPECT_EQ(m_manager.m_mail.nAuthMethod, MAIL_AUTH_POP_BEFORE_SMTP);
    EXPECT_EQ(m_manager.m_mail.strPop3Server, "pop.example.jp");
    EXPECT_EQ(m_manager.m_mail.strPop3Account, "acc");
    EXPECT_EQ(m_manager.m_mail.strPop3Password, "pw");
    EXPECT_EQ(m_manager.m_mail.strPop3Wait, "500");
    EXPECT_EQ(m_manager.m_mail.strPop3Port, "1110");
}

TEST_F(SettingsLoadRules, AMissingAuthenticationValueTurnsAuthenticationOffAndKeepsTheRest) {
    Parts parts;
    parts.mail = Mail("<auth type=\"POP3\"><pop3><srv>pop.example.jp</srv><passwd>pw</passwd>"
                      "<waittime>500</waittime><port>110</port></pop3></auth>");
    LoadParts(parts);
    EXPECT_EQ(m_manager.m_mail.nAuthMethod, MAIL_AUTH_NONE);
    EXPECT_EQ(m_manager.m_mail.strSmtpServer, "smtp.example.jp");
    EXPECT_EQ(m_manager.m_mail.strToAddresses, "t@x");
    EXPECT_TRUE(m_manager.m_mail.bNotify);
    EXPECT_EQ(m_manager.m_mail.strPop3Server, "pop.example.jp") << "kept for the settings dialog";

    parts.mail = Mail("<auth type=\"PLAIN\"><smtpauth><user>u</user></smtpauth></auth>");
    EXPECT_EQ(Loaded(parts).m_mail.nAuthMethod, MAIL_AUTH_NONE);
}

// --- devices ---

TEST_F(SettingsLoadRules, AStoredPasswordIsSavedAndAMissingOneLeavesNone) {
    Parts parts;
    parts.devices =
        "<korvaneinfos>" +
        DeviceEntry("02:4B:56:00:00:01", "<adminpasswd>pw</adminpasswd>", " portforwarding=\"disable\"") +
        DeviceEntry("02:4B:56:00:00:02", "", " portforwarding=\"ENABLE\"") +
        DeviceEntry("02:4B:56:00:00:03", "<adminpasswd/>") +
        DeviceEntry("02:4B:56:00:00:04", "<adminpasswd>pw</adminpasswd><approvedaddresses><address>198.18.0.7"
                                         "</address></approvedaddresses>") +
        "</korvaneinfos>";
    LoadParts(parts);
    const CManagedDevice* pFirst = m_manager.FindDevice("02:4B:56:00:00:01");
    const CManagedDevice* pSecond = m_manager.FindDevice("02:4B:56:00:00:02");
    const CManagedDevice* pThird = m_manager.FindDevice("02:4B:56:00:00:03");
    const CManagedDevice* pFourth = m_manager.FindDevice("02:4B:56:00:00:04");
    ASSERT_TRUE(pFirst && pSecond && pThird && pFourth);
    EXPECT_EQ(pFirst->ApprovedAddresses(), (std::vector<std::string>{"198.18.0.1", "fe80::4b:56ff:fe1a:73c"}))
        << "a file without approvals: the password stays approved where it was saved";
    EXPECT_EQ(pFourth->ApprovedAddresses(), std::vector<std::string>{"198.18.0.7"});
    EXPECT_EQ(pFirst->GetPassword(), "pw");
    EXPECT_TRUE(pFirst->GetSavePassword());
    EXPECT_TRUE(pFirst->GetPasswordAccepted());
    EXPECT_FALSE(pFirst->GetPortForwarding());
    EXPECT_FALSE(pSecond->HasPassword());
    EXPECT_FALSE(pSecond->GetSavePassword());
    EXPECT_TRUE(pSecond->GetPortForwarding());
    EXPECT_EQ(pThird->GetPassword(), "");
    EXPECT_TRUE(pThird->GetSavePassword());
    EXPECT_FALSE(pThird->GetPortForwarding()) << "no attribute";
}

TEST_F(SettingsLoadRules, TheLastUpdateIsReadBackAndNonsenseInItIsLeftAtTheDefaults) {
    Parts parts;
    parts.devices =
        "<korvaneinfos>" +
        DeviceEntry("02:4B:56:00:00:01", "<lastupdate><result>2</result><unreachable>true</unreachable>"
                                         "<succeeded>2026-12-08T18:00:00Z</succeeded></lastupdate>") +
        DeviceEntry("02:4B:56:00:00:02", "<lastupdate><result>9</result><unreachable>yes</unreachable>"
                                         "<succeeded>2026-02-30T18:00:00Z</succeeded></lastupdate>") +
        DeviceEntry("02:4B:56:00:00:03", "") + "</korvaneinfos>";
    LoadParts(parts);
    const CManagedDevice& failed = *m_manager.FindDevice("02:4B:56:00:00:01");
    EXPECT_EQ(failed.GetResultCode(), RESULT_COMMUNICATION_ERROR);
    EXPECT_EQ(failed.GetStatusBits(), STATUS_BIT_UNREACHABLE);
    EXPECT_EQ(failed.GetLastSuccess(), 1796752800);
    for (const char* pszMac : {"02:4B:56:00:00:02", "02:4B:56:00:00:03"}) {
        const CManagedDevice& device = *m_manager.FindDevice(pszMac);
        EXPECT_EQ(device.GetResultCode(), RESULT_SUCCESS) << pszMac;
        EXPECT_EQ(device.GetStatusBits(), 0) << pszMac;
        EXPECT_EQ(device.GetLastSuccess(), 0) << pszMac;
    }

    // What loaded is saved the same way.
    ASSERT_TRUE(CSettingsFile(m_path, kUserKey).Save(m_manager));
    CKorvaneAdminInfoMgr saved;
    CSettingsFile(m_path, kUserKey).Load(saved);
    EXPECT_EQ(saved.FindDevice("02:4B:56:00:00:01")->GetLastSuccess(), 1796752800);
    EXPECT_EQ(saved.FindDevice("02:4B:56:00:00:01")->GetResultCode(), RESULT_COMMUNICATION_ERROR);
}

TEST_F(SettingsLoadRules, DevicesTakeNameAndAddressesFromTheirInformation) {
    Parts parts;
    parts.devices = "<korvaneinfos><korvane><name>stale</name><mac>stale</mac>" +
                    InfoElement("02:4B:56:00:00:01") + "</korvane></korvaneinfos>";
    LoadParts(parts);
    const CManagedDevice* pDevice = m_manager.FindDevice("02:4B:56:00:00:01");
    ASSERT_NE(pDevice, nullptr);
    EXPECT_EQ(pDevice->GetHostName(), "KORVANE-02:4B:56:00:00:01");
    EXPECT_EQ(pDevice->GetMacAddress(), "02:4B:56:00:00:01");
    EXPECT_EQ(pDevice->GetIPv4Address(), "198.18.0.1");
    EXPECT_EQ(pDevice->GetIPv6Address(), "fe80::4b:56ff:fe1a:73c");
}

TEST_F(SettingsLoadRules, ADamagedDeviceEntryKeepsTheDevicesLoadedBeforeIt) {
    std::string noMac = InfoElement("02:4B:56:00:00:02");
    const std::string macElement = "<mac>02:4B:56:00:00:02</mac>";
    for (size_t nAt; (nAt = noMac.find(macElement)) != std::string::npos;) {
        noMac.erase(nAt, macElement.size());
    }
    Parts parts;
    parts.groupList = "<grouplist><group>g</group></grouplist>";
    parts.devices = "<korvaneinfos>" + DeviceEntry("02:4B:56:00:00:01", Belong({"g"})) + "<korvane>" + noMac +
                    "</korvane>" + DeviceEntry("02:4B:56:00:00:03", "") + "</korvaneinfos>";
    EXPECT_EQ(LoadParts(parts).outcome, SettingsLoadOutcome::Loaded);
    EXPECT_EQ(m_manager.Macs(), std::vector<std::string>{"02:4B:56:00:00:01"});
    EXPECT_TRUE(m_manager.IsMember("g", "02:4B:56:00:00:01"));
    EXPECT_EQ(m_manager.m_mail.strSmtpServer, "smtp.example.jp") << "parts before the devices stay";
}

TEST_F(SettingsLoadRules, AMacListedTwiceIsOneDeviceWithTheLaterInformation) {
    std::string later = DeviceEntry("02:4B:56:00:00:01", "");
    later.replace(later.find("<power>ON</power>"), 17, "<power>OFF</power>");
    Parts parts;
    parts.devices = "<korvaneinfos>" + DeviceEntry("02:4B:56:00:00:01", "<adminpasswd>pw</adminpasswd>") +
                    later + "</korvaneinfos>";
    LoadParts(parts);
    ASSERT_EQ(m_manager.Devices().size(), 1u);
    const CManagedDevice* pDevice = m_manager.FindDevice("02:4B:56:00:00:01");
    EXPECT_EQ(pDevice->GetRootNode().SingleSelectNode("systeminfo/power").GetText(), "OFF");
    EXPECT_EQ(pDevice->GetPassword(), "pw") << "the entry is reused";
}

} // namespace
