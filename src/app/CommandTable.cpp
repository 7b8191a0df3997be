#include "CommandTable.h"

#include "AppText.h"

#include <array>

namespace KorvaneApp {
namespace {

struct CommandInfo {
    int nCommand;
    const char* pszMenuText;
    int nDescriptionId; // status-bar text "\n" tooltip
};

constexpr std::array kCommands = {
    CommandInfo{ID_APP_EXIT, "アプリケーションの終了(&X)", 90200},
    CommandInfo{ID_APP_ABOUT, "バージョン情報(&A)", 90201},
    CommandInfo{ID_FIND, "KORVANEを探す(&F)", 90202},
    CommandInfo{ID_ADD, "KORVANEを追加(&A)", 90203},
    CommandInfo{ID_REMOVE, "リストから削除(&D)", 90204},
    CommandInfo{ID_PASSWORD, "認証用パスワードの設定(&S)", 90205},
    CommandInfo{ID_APPROVE_ADDRESS, "新しいアドレスの承認(&N)", 90305},
    CommandInfo{ID_GROUP_CREATE, "作成(&C)", 90206},
    CommandInfo{ID_GROUP_EDIT, "編集(&E)", 90207},
    CommandInfo{ID_GROUP_DELETE, "削除(&D)", 90208},
    CommandInfo{ID_DETAIL, "詳細情報(&I)", 90209},
    CommandInfo{ID_POWER_ON, "電源ON(&O)", 32803},
    CommandInfo{ID_POWER_OFF, "電源OFF(&S)", 90210},
    CommandInfo{ID_REBOOT, "再起動(&R)", 90211},
    CommandInfo{ID_PAGE_TIME, "時刻設定(&T)", 90212},
    CommandInfo{ID_PAGE_IP, "IPアドレス設定(&A)", 90213},
    CommandInfo{ID_PAGE_QUOTA, "使用量制限設定(&Q)", 90214},
    CommandInfo{ID_PAGE_MAIL, "メール通知設定(&M)", 90215},
    CommandInfo{ID_FIRMWARE, "F/Wアップデート(&U)", 90216},
    CommandInfo{ID_ECO, "省電力モード設定(&E)", 90217},
    CommandInfo{ID_MELODY_START, "メロディ開始(&H)", 32834},
    CommandInfo{ID_MELODY_STOP, "メロディ停止(&Q)", 32836},
    CommandInfo{ID_GROUP_POWER_ON, "電源ON(&O)", 32827},
    CommandInfo{ID_GROUP_POWER_OFF, "電源OFF(&S)", 90218},
    CommandInfo{ID_GROUP_REBOOT, "再起動(&R)", 90219},
    CommandInfo{ID_GROUP_FIRMWARE, "F/Wアップデート(&U)", 90220},
    CommandInfo{ID_GROUP_ECO, "省電力モード設定(&E)", 90221},
    CommandInfo{ID_INTERVAL, "更新時間設定(&T)", 90222},
    CommandInfo{ID_MAIL_SETTINGS, "メール通知設定(&M)", 90223},
    CommandInfo{ID_REFRESH, "最新の情報に更新(&R)", 90224},
    CommandInfo{ID_COLUMNS, "表示項目の編集(&E)", 90225},
    CommandInfo{ID_MANUAL, "画面で見るマニュアル(&M)", 90226},
    CommandInfo{ID_TRAY_SHOW, "メインウィンドウを表示", 90227},
    CommandInfo{ID_TRAY_EXIT, "KORVANE Adminを終了", 90200},
};

constexpr std::array kContextCommands = {ID_DETAIL,    ID_POWER_ON, ID_POWER_OFF,    ID_REBOOT,
                                         ID_PAGE_TIME, ID_PAGE_IP,  ID_PAGE_QUOTA,   ID_PAGE_MAIL,
                                         ID_FIRMWARE,  ID_ECO,      ID_MELODY_START, ID_MELODY_STOP};
constexpr std::array kGroupContextCommands = {ID_GROUP_POWER_ON, ID_GROUP_POWER_OFF, ID_GROUP_REBOOT,
                                              ID_GROUP_FIRMWARE, ID_GROUP_ECO};

const CommandInfo* Find(int nCommand) {
    for (const CommandInfo& info : kCommands) {
        if (info.nCommand == nCommand) {
            return &info;
        }
    }
    return nullptr;
}

// The part of the description text before (0) or after (1) its line feed.
QString DescriptionPart(int nCommand, int nPart) {
    const CommandInfo* pInfo = Find(nCommand);
    return pInfo == nullptr ? QString() : Text(pInfo->nDescriptionId).section('\n', nPart, nPart);
}

} // namespace

QString CommandTable::MenuText(int nCommand) {
    const CommandInfo* pInfo = Find(nCommand);
    return pInfo == nullptr ? QString() : QString::fromUtf8(pInfo->pszMenuText);
}

QString CommandTable::Description(int nCommand) {
    return DescriptionPart(nCommand, 0);
}

QString CommandTable::Tooltip(int nCommand) {
    return DescriptionPart(nCommand, 1);
}

int CommandTable::CommandOfContextCode(int nCode) {
    if (nCode >= 100 && nCode < 100 + static_cast<int>(kContextCommands.size())) {
        return kContextCommands[static_cast<size_t>(nCode - 100)];
    }
    if (nCode >= 200 && nCode < 200 + static_cast<int>(kGroupContextCommands.size())) {
        return kGroupContextCommands[static_cast<size_t>(nCode - 200)];
    }
    return 0;
}

} // namespace KorvaneApp
