#include "SettingsTesting.h"

#include "SampleDevices.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace AdminTesting {

using namespace Korvane;

TemporaryFolder::TemporaryFolder() {
    std::string strTemplate = (std::filesystem::temp_directory_path() / "korvane-settings-XXXXXX").string();
    if (mkdtemp(strTemplate.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = strTemplate;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code error;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, error);
    std::filesystem::remove_all(m_path, error);
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ScrambleByHand(const std::string& text, const std::string& key) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string stored;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto nByte = static_cast<uint8_t>(static_cast<signed char>(text[i]) +
                                                static_cast<signed char>(key[i % key.size()]));
        stored += kDigits[nByte / 16];
        stored += kDigits[nByte % 16];
    }
    return stored;
}

int ExitCodeOfChild(const std::function<int()>& body) {
    const pid_t nPid = fork();
    if (nPid == 0) {
        int nCode = 99;
        try {
            nCode = body();
        } catch (...) {
        }
        _exit(nCode);
    }
    int nStatus = 0;
    if (nPid < 0 || waitpid(nPid, &nStatus, 0) != nPid || !WIFEXITED(nStatus)) {
        return -1;
    }
    return WEXITSTATUS(nStatus);
}

std::vector<std::string> ChildNames(const Zelt::CXMLNode& node) {
    std::vector<std::string> names;
    for (const Zelt::CXMLNode& child : node.SelectNodes("*")) {
        names.push_back(child.GetName());
    }
    return names;
}

namespace {

CMailSettings MailOfMethod(int nAuthMethod) {
    CMailSettings mail;
    mail.bNotify = true;
    mail.strSmtpServer = "smtp.example.jp";
    mail.strSmtpPort = "587";
    mail.strFromAddress = "監視 <admin@example.jp>";
    mail.strToAddresses = "a@example.jp;b@example.jp";
    mail.nEncoding = nAuthMethod % 2 == 0 ? MAIL_ENCODING_ISO2022JP : MAIL_ENCODING_UTF8;
    mail.nAuthMethod = nAuthMethod;
    mail.nSmtpSecurity = MAIL_SECURITY_STARTTLS;
    mail.nPop3Security = MAIL_SECURITY_TLS;
    mail.strTrustedCertificateFile = "/etc/ssl/local ca & <mail>.pem";
    if (nAuthMethod == MAIL_AUTH_POP_BEFORE_SMTP) {
        mail.strPop3Server = "pop.example.jp";
        mail.strPop3Account = "watch'er";
        mail.strPop3Password = "p<o>p&3";
        mail.strPop3Wait = "300";
        mail.strPop3Port = "110";
    } else if (nAuthMethod != MAIL_AUTH_NONE) {
        mail.strSmtpAuthUser = "監視ユーザー";
        mail.strSmtpAuthPassword = " spaced \"pw\" ";
    }
    return mail;
}

} // namespace

void FillManager(CKorvaneAdminInfoMgr& manager, int nAuthMethod) {
    manager.AddOrUpdate(SampleDevice("qrx-x", "02:4B:56:00:00:01", "KORVANE-SOUMU", "198.18.10.21"));
    manager.AddOrUpdate(SampleDevice("qrx-h", "02:4B:56:00:00:02", "KORVANE-KEIRI", "198.18.20.31"));
    manager.AddOrUpdate(SampleDevice("qrx-xv", "0A:4B:56:00:00:03", "KORVANE-EIGYO", "198.18.30.41"));
    manager.AddOrUpdate(SampleDevice("qrx-x", "0a:4b:56:ab:cd:ef", "korvane-lower", "198.18.40.51"));
    manager.SetPassword("02:4B:56:00:00:01", "s3cr'et<&>", true);
    manager.SetPassword("02:4B:56:00:00:02", "not stored", false);
    manager.SetPassword("0A:4B:56:AB:CD:EF", "", true);
    manager.SetPortForwarding("02:4B:56:00:00:02", true);
    // Seen elsewhere after its password was saved: the new address waits for approval.
    manager.AddOrUpdate(SampleDevice("qrx-x", "02:4B:56:00:00:01", "KORVANE-SOUMU", "198.18.10.99"));
    manager.m_language = Zelt::Language::English;
    manager.SetGroup("経理部", {"02:4B:56:00:00:01", "02:4B:56:00:00:02"});
    manager.SetGroup("Bob's shelf", {"02:4B:56:00:00:01"});
    manager.SetGroup("say \"hi\"", {"0a:4b:56:ab:cd:ef"});
    manager.SetGroup("rack [1]", {"0A:4B:56:00:00:03"});
    manager.SetGroup("a/b", {"0A:4B:56:00:00:03", "0A:4B:56:AB:CD:EF"});
    manager.SetGroup("it's \"both\"", {"02:4B:56:00:00:02"});
    manager.SetGroup("空のグループ", {});
    manager.m_nUpdateInterval = 15;
    manager.m_window = {-4, 20, 600, 800, 200, 300};
    manager.m_columnKeys = {"name", "status", "ipaddress"};
    manager.m_mail = MailOfMethod(nAuthMethod);
}

void FillLargeManager(CKorvaneAdminInfoMgr& manager, const std::string& family, int nDevices, int nGroups) {
    // Built once and changed in place: building each device from the text would dominate.
    CManagedDevice device = SampleDevice(family, "02:4B:56:00:00:00", "KORVANE-0", "198.18.0.1");
    std::vector<std::vector<std::string>> members(static_cast<size_t>(nGroups));
    for (int i = 0; i < nDevices; ++i) {
        char mac[32];
        std::snprintf(mac, sizeof mac, "02:4B:56:%02X:%02X:%02X", (i >> 16) & 0xFF, (i >> 8) & 0xFF,
                      i & 0xFF);
        SetInfoText(device, "network/tcpip/lan/mac", mac);
        SetInfoText(device, "network/host/name", "KORVANE-" + std::to_string(i));
        device.TakeFreshInfo(device.GetRootNode()); // the session's MAC and name follow
        manager.AddOrUpdate(device);
        members[static_cast<size_t>(i % nGroups)].push_back(mac);
    }
    for (int g = 0; g < nGroups; ++g) {
        manager.SetGroup("グループ " + std::to_string(g), members[static_cast<size_t>(g)]);
    }
}

namespace {

void ExpectSameDevice(const CManagedDevice& saved, const CManagedDevice& loaded) {
    EXPECT_EQ(loaded.SaveToBytes(), saved.SaveToBytes());
    EXPECT_EQ(loaded.GetHostName(), saved.GetHostName());
    EXPECT_EQ(loaded.GetMacAddress(), saved.GetMacAddress());
    EXPECT_EQ(loaded.GetIPv4Address(), saved.GetIPv4Address());
    EXPECT_EQ(loaded.GetIPv6Address(), saved.GetIPv6Address());
    EXPECT_EQ(loaded.GetPortForwarding(), saved.GetPortForwarding());
    EXPECT_EQ(loaded.GetSavePassword(), saved.GetSavePassword());
    EXPECT_EQ(loaded.GetPassword(), saved.GetSavePassword() ? saved.GetPassword() : NO_PASSWORD);
    EXPECT_EQ(loaded.GetPasswordAccepted(), saved.GetSavePassword());
    EXPECT_EQ(loaded.ApprovedAddresses(), saved.ApprovedAddresses());
    EXPECT_EQ(loaded.GetUnapprovedAddresses(), saved.GetUnapprovedAddresses());
}

} // namespace

void ExpectReloaded(const CKorvaneAdminInfoMgr& saved, const CKorvaneAdminInfoMgr& loaded) {
    EXPECT_EQ(loaded.m_nUpdateInterval, saved.m_nUpdateInterval);
    EXPECT_EQ(loaded.m_window, saved.m_window);
    EXPECT_EQ(loaded.m_columnKeys, saved.m_columnKeys);
    EXPECT_EQ(loaded.m_mail, saved.m_mail);
    EXPECT_EQ(loaded.m_language, saved.m_language);
    EXPECT_EQ(loaded.Groups(), saved.Groups());
    ASSERT_EQ(loaded.Macs(), saved.Macs());
    for (const auto& [mac, device] : saved.Devices()) {
        SCOPED_TRACE(mac);
        ExpectSameDevice(device, *loaded.FindDevice(mac));
    }
}

void ExpectDefaults(const CKorvaneAdminInfoMgr& manager) {
    const CKorvaneAdminInfoMgr defaults;
    EXPECT_EQ(manager.m_nUpdateInterval, defaults.m_nUpdateInterval);
    EXPECT_EQ(manager.m_window, defaults.m_window);
    EXPECT_EQ(manager.m_columnKeys, defaults.m_columnKeys);
    EXPECT_EQ(manager.m_mail, defaults.m_mail);
    EXPECT_EQ(manager.m_language, std::nullopt);
    EXPECT_TRUE(manager.Groups().empty());
    EXPECT_TRUE(manager.Devices().empty());
}

} // namespace AdminTesting
