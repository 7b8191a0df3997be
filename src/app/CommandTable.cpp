#include "CommandTable.h"

#include "AppText.h"

#include <array>

#include <QRegularExpression>

namespace KorvaneApp {
namespace {

struct CommandInfo {
    int nCommand;
    int nMenuTextId;
    int nDescriptionId; // status-bar text "\n" tooltip
};

constexpr std::array kCommands = {
    CommandInfo{ID_APP_EXIT, Zelt::Text::MenuExit, Zelt::Text::CommandExit},
    CommandInfo{ID_APP_ABOUT, Zelt::Text::MenuAbout, Zelt::Text::CommandAbout},
    CommandInfo{ID_FIND, Zelt::Text::MenuFind, Zelt::Text::CommandFind},
    CommandInfo{ID_ADD, Zelt::Text::MenuAdd, Zelt::Text::CommandAdd},
    CommandInfo{ID_REMOVE, Zelt::Text::MenuRemove, Zelt::Text::CommandRemove},
    CommandInfo{ID_PASSWORD, Zelt::Text::MenuPassword, Zelt::Text::CommandPassword},
    CommandInfo{ID_APPROVE_ADDRESS, Zelt::Text::MenuApproveAddress, Zelt::Text::CommandApproveAddress},
    CommandInfo{ID_GROUP_CREATE, Zelt::Text::MenuGroupCreate, Zelt::Text::CommandGroupCreate},
    CommandInfo{ID_GROUP_EDIT, Zelt::Text::MenuGroupEdit, Zelt::Text::CommandGroupEdit},
    CommandInfo{ID_GROUP_DELETE, Zelt::Text::MenuGroupDelete, Zelt::Text::CommandGroupDelete},
    CommandInfo{ID_DETAIL, Zelt::Text::MenuDetail, Zelt::Text::CommandDetail},
    CommandInfo{ID_POWER_ON, Zelt::Text::MenuPowerOn, Zelt::Text::CommandPowerOn},
    CommandInfo{ID_POWER_OFF, Zelt::Text::MenuPowerOff, Zelt::Text::CommandPowerOff},
    CommandInfo{ID_REBOOT, Zelt::Text::MenuReboot, Zelt::Text::CommandRestart},
    CommandInfo{ID_PAGE_TIME, Zelt::Text::MenuTimePage, Zelt::Text::CommandPageTime},
    CommandInfo{ID_PAGE_IP, Zelt::Text::MenuIpAddressPage, Zelt::Text::CommandPageIp},
    CommandInfo{ID_PAGE_QUOTA, Zelt::Text::MenuQuotaPage, Zelt::Text::CommandPageQuota},
    CommandInfo{ID_PAGE_MAIL, Zelt::Text::MenuMailNotification, Zelt::Text::CommandPageMail},
    CommandInfo{ID_FIRMWARE, Zelt::Text::MenuFirmware, Zelt::Text::CommandFirmware},
    CommandInfo{ID_ECO, Zelt::Text::MenuEcoMode, Zelt::Text::CommandPowerSaving},
    CommandInfo{ID_MELODY_START, Zelt::Text::MenuMelodyStart, Zelt::Text::CommandMelodyStart},
    CommandInfo{ID_MELODY_STOP, Zelt::Text::MenuMelodyStop, Zelt::Text::CommandMelodyStop},
    CommandInfo{ID_GROUP_POWER_ON, Zelt::Text::MenuPowerOn, Zelt::Text::CommandGroupPowerOn},
    CommandInfo{ID_GROUP_POWER_OFF, Zelt::Text::MenuPowerOff, Zelt::Text::CommandGroupPowerOff},
    CommandInfo{ID_GROUP_REBOOT, Zelt::Text::MenuReboot, Zelt::Text::CommandGroupRestart},
    CommandInfo{ID_GROUP_FIRMWARE, Zelt::Text::MenuFirmware, Zelt::Text::CommandGroupFirmware},
    CommandInfo{ID_GROUP_ECO, Zelt::Text::MenuEcoMode, Zelt::Text::CommandGroupPowerSaving},
    CommandInfo{ID_INTERVAL, Zelt::Text::MenuUpdateInterval, Zelt::Text::CommandInterval},
    CommandInfo{ID_MAIL_SETTINGS, Zelt::Text::MenuMailNotification, Zelt::Text::CommandMailSettings},
    CommandInfo{ID_REFRESH, Zelt::Text::MenuRefresh, Zelt::Text::CommandRefresh},
    CommandInfo{ID_COLUMNS, Zelt::Text::MenuColumns, Zelt::Text::CommandColumns},
    CommandInfo{ID_MANUAL, Zelt::Text::MenuManual, Zelt::Text::CommandManual},
    CommandInfo{ID_TRAY_SHOW, Zelt::Text::MenuShowMainWindow, Zelt::Text::CommandShowMainWindow},
    CommandInfo{ID_TRAY_EXIT, Zelt::Text::MenuExitProgram, Zelt::Text::CommandExit},
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

// "電源ON(&O)" -> "電源ON", "Power &On" -> "Power On"; "&&" stands for an ampersand.
QString WithoutMnemonic(QString text) {
    static const QRegularExpression kParenthesised(QStringLiteral("\\(&[^&]\\)$"));
    static const QRegularExpression kMarker(QStringLiteral("&(.)"));
    return text.remove(kParenthesised).replace(kMarker, QStringLiteral("\\1"));
}

// The part of the description text before (0) or after (1) its line feed.
QString DescriptionPart(int nCommand, int nPart) {
    const CommandInfo* pInfo = Find(nCommand);
    return pInfo == nullptr ? QString() : Text(pInfo->nDescriptionId).section('\n', nPart, nPart);
}

} // namespace

QString CommandTable::MenuText(int nCommand) {
    const CommandInfo* pInfo = Find(nCommand);
    return pInfo == nullptr ? QString() : Text(pInfo->nMenuTextId);
}

QString CommandTable::PlainText(int nCommand) {
    return WithoutMnemonic(MenuText(nCommand));
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
