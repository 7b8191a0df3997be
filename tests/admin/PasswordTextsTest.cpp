#include "admin/PasswordTexts.h"

#include <gtest/gtest.h>

namespace {

using Korvane::CManagedDevice;
using Korvane::CPasswordTexts;

CManagedDevice DeviceWithPassword(const char* pszPassword, bool bAccepted) {
    CManagedDevice device;
    device.SetPassword(pszPassword);
    device.SetPasswordAccepted(bAccepted);
    return device;
}

TEST(PasswordTexts, StateTextOfADevice) {
    EXPECT_EQ(CPasswordTexts::StateText(DeviceWithPassword("secret", true)), "認証用パスワード ： 設定済み");
    EXPECT_EQ(CPasswordTexts::StateText(DeviceWithPassword("", true)), "認証用パスワード ： 設定済み");
    EXPECT_EQ(CPasswordTexts::StateText(DeviceWithPassword("secret", false)),
              "認証用パスワード ： 認証エラー　（ "
              "設定された認証用パスワードで認証に失敗したため、一部の項目は情報が取得で"
              "きません。正しい認証用パスワードを再設定してください。 ）");
    const std::string missing =
        "認証用パスワード ： 未設定　（ 一部の項目は情報が取得できません。すべての項目について情報"
        "を取得する場合は、認証用パスワードの設定を行ってください。 ）";
    EXPECT_EQ(CPasswordTexts::StateText(CManagedDevice()), missing);
    // "*" is no password, whatever the accepted flag says.
    EXPECT_EQ(CPasswordTexts::StateText(DeviceWithPassword("*", true)), missing);
}

TEST(PasswordTexts, PromptByReason) {
    EXPECT_EQ(CPasswordTexts::Prompt(Korvane::PASSWORD_PROMPT_CHOOSE_DEVICE),
              "認証用パスワードの入力を行います。\nKORVANE を選択し、管理者パスワードを入力してください。");
    EXPECT_EQ(CPasswordTexts::Prompt(Korvane::PASSWORD_PROMPT_ENTER),
              "認証用パスワードの入力を行います。\nKORVANE の管理者パスワードを入力してください。");
    EXPECT_EQ(CPasswordTexts::Prompt(Korvane::PASSWORD_PROMPT_MISSING),
              "認証用パスワードが入力されていません。\nKORVANE の管理者パスワードを入力してください。");
    EXPECT_EQ(
        CPasswordTexts::Prompt(Korvane::PASSWORD_PROMPT_REJECTED),
        "現在設定されている認証用パスワードが正しくありません。\n再度認証用パスワードを入力してください。");
    EXPECT_EQ(CPasswordTexts::Prompt(4), "");
    EXPECT_EQ(CPasswordTexts::Prompt(-1), "");
}

TEST(PasswordTexts, TitleWithAndWithoutAPreselectedDevice) {
    EXPECT_EQ(CPasswordTexts::Title(true), "認証用パスワードの入力");
    EXPECT_EQ(CPasswordTexts::Title(false), "認証用パスワードの入力");
}

} // namespace
