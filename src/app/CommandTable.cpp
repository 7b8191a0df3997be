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
    CommandInfo{ID_APP_EXIT, "アプリケーションの終了(&X)", Zelt::Text::CommandExit},
    CommandInfo{ID_APP_ABOUT, "バージョン情報(&A)", Zelt::Text::CommandAbout},
    CommandInfo{ID_FIND, "KORVANEを探す(&F)", Zelt::Text::CommandFind},
    CommandInfo{ID_ADD, "KORVANEを追加(&A)", Zelt::Text::CommandAdd},
    CommandInfo{ID_REMOVE, "リストから削除(&D)", Zelt::Text::CommandRemove},
    CommandInfo{ID_PASSWORD, "認証用パスワードの設定(&S)", Zelt::Text::CommandPassword},
    CommandInfo{ID_APPROVE_ADDRESS, "新しいアドレスの承認(&N)", Zelt::Text::CommandApproveAddress},
    CommandInfo{ID_GROUP_CREATE, "作成(&C)", Zelt::Text::CommandGroupCreate},
    CommandInfo{ID_GROUP_EDIT, "編集(&E)", Zelt::Text::CommandGroupEdit},
    CommandInfo{ID_GROUP_DELETE, "削除(&D)", Zelt::Text::CommandGroupDelete},
    CommandInfo{ID_DETAIL, "詳細情報(&I)", Zelt::Text::CommandDetail},
    CommandInfo{ID_POWER_ON, "電源ON(&O)", Zelt::Text::CommandPowerOn},
    CommandInfo{ID_POWER_OFF, "電源OFF(&S)", Zelt::Text::CommandPowerOff},
    CommandInfo{ID_REBOOT, "再起動(&R)", Zelt::Text::CommandRestart},
    CommandInfo{ID_PAGE_TIME, "時刻設定(&T)", Zelt::Text::CommandPageTime},
    CommandInfo{ID_PAGE_IP, "IPアドレス設定(&A)", Zelt::Text::CommandPageIp},
    CommandInfo{ID_PAGE_QUOTA, "使用量制限設定(&Q)", Zelt::Text::CommandPageQuota},
    CommandInfo{ID_PAGE_MAIL, "メール通知設定(&M)", Zelt::Text::CommandPageMail},
    CommandInfo{ID_FIRMWARE, "F/Wアップデート(&U)", Zelt::Text::CommandFirmware},
    CommandInfo{ID_ECO, "省電力モード設定(&E)", Zelt::Text::CommandPowerSaving},
    CommandInfo{ID_MELODY_START, "メロディ開始(&H)", Zelt::Text::CommandMelodyStart},
    CommandInfo{ID_MELODY_STOP, "メロディ停止(&Q)", Zelt::Text::CommandMelodyStop},
    CommandInfo{ID_GROUP_POWER_ON, "電源ON(&O)", Zelt::Text::CommandGroupPowerOn},
    CommandInfo{ID_GROUP_POWER_OFF, "電源OFF(&S)", Zelt::Text::CommandGroupPowerOff},
    CommandInfo{ID_GROUP_REBOOT, "再起動(&R)", Zelt::Text::CommandGroupRestart},
    CommandInfo{ID_GROUP_FIRMWARE, "F/Wアップデート(&U)", Zelt::Text::CommandGroupFirmware},
    CommandInfo{ID_GROUP_ECO, "省電力モード設定(&E)", Zelt::Text::CommandGroupPowerSaving},
    CommandInfo{ID_INTERVAL, "更新時間設定(&T)", Zelt::Text::CommandInterval},
    CommandInfo{ID_MAIL_SETTINGS, "メール通知設定(&M)", Zelt::Text::CommandMailSettings},
    CommandInfo{ID_REFRESH, "最新の情報に更新(&R)", Zelt::Text::CommandRefresh},
    CommandInfo{ID_COLUMNS, "表示項目の編集(&E)", Zelt::Text::CommandColumns},
    CommandInfo{ID_MANUAL, "画面で見るマニュアル(&M)", Zelt::Text::CommandManual},
    CommandInfo{ID_TRAY_SHOW, "メインウィンドウを表示", Zelt::Text::CommandShowMainWindow},
    CommandInfo{ID_TRAY_EXIT, "KORVANE Adminを終了", Zelt::Text::CommandExit},
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
