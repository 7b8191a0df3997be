// Which targets get the password dialog before an operation, and why.
#include "operations/PasswordPrompts.h"

#include "SampleDevices.h"
#include "operations/OperationKind.h"

#include <gtest/gtest.h>

using namespace Korvane;
using AdminTesting::SampleDevice;

namespace {

constexpr const char* kNoPassword = "02:4B:53:00:20:01";
constexpr const char* kAccepted = "02:4B:53:00:20:02";
constexpr const char* kRejected = "02:4B:53:00:20:03";
constexpr const char* kEmptyAccepted = "02:4B:53:00:20:04";

class PasswordPromptRule : public testing::Test {
protected:
    void SetUp() override {
        int nHost = 30;
        for (const char* mac : {kNoPassword, kAccepted, kRejected, kEmptyAccepted}) {
            ASSERT_TRUE(
                store_.AddOrUpdate(SampleDevice("qrx-x", mac, mac, "198.18.0." + std::to_string(nHost++))));
        }
        store_.SetPassword(kAccepted, "pw", false);
        store_.SetPassword(kRejected, "old", true);
        store_.SetPasswordAccepted(kRejected, false);
        store_.SetPassword(kEmptyAccepted, "", false); // an empty password is a password
    }

    std::vector<std::pair<std::string, int>> Prompts(int nKind, const std::vector<std::string>& macs) const {
        std::vector<std::pair<std::string, int>> prompts;
        for (const PasswordPrompt& prompt : CPasswordPrompts::For(nKind, store_, macs)) {
            prompts.emplace_back(prompt.mac, prompt.nReason);
        }
        return prompts;
    }

    CKorvaneAdminInfoMgr store_;
};

} // namespace

TEST_F(PasswordPromptRule, EachDeviceGetsTheReasonOfItsPasswordState) {
    EXPECT_EQ(CPasswordPrompts::ReasonFor(*store_.FindDevice(kNoPassword)), PASSWORD_PROMPT_MISSING);
    EXPECT_EQ(CPasswordPrompts::ReasonFor(*store_.FindDevice(kRejected)), PASSWORD_PROMPT_REJECTED);
    EXPECT_EQ(CPasswordPrompts::ReasonFor(*store_.FindDevice(kAccepted)), PASSWORD_PROMPT_NONE);
    EXPECT_EQ(CPasswordPrompts::ReasonFor(*store_.FindDevice(kEmptyAccepted)), PASSWORD_PROMPT_NONE);
    // The reasons open the dialog with the prompts of the missing and the rejected password.
    EXPECT_EQ(CPasswordTexts::Prompt(PASSWORD_PROMPT_MISSING),
              "認証用パスワードが入力されていません。\nKORVANE の管理者パスワードを入力してください。");
    EXPECT_EQ(
        CPasswordTexts::Prompt(PASSWORD_PROMPT_REJECTED),
        "現在設定されている認証用パスワードが正しくありません。\n再度認証用パスワードを入力してください。");
}

TEST_F(PasswordPromptRule, OperationsThatAuthenticatePromptInTargetOrder) {
    const std::vector<std::string> targets = {kRejected, kAccepted, "02:4b:53:00:20:01", "02:00:00:00:00:99"};
    const std::vector<std::pair<std::string, int>> expected = {
        {kRejected, PASSWORD_PROMPT_REJECTED}, {"02:4b:53:00:20:01", PASSWORD_PROMPT_MISSING}};
    for (int nKind = OPERATION_POWER_OFF; nKind <= OPERATION_FIRMWARE_UPDATE; ++nKind) {
        EXPECT_EQ(Prompts(nKind, targets), expected) << "kind " << nKind;
    }
}

TEST_F(PasswordPromptRule, PowerOnPromptsForNothing) {
    EXPECT_TRUE(Prompts(OPERATION_POWER_ON, {kNoPassword, kRejected}).empty());
}
