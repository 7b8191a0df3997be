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
    CommandInfo{ID_APP_EXIT, Zelt::Text::MenuExit, 90200},
    CommandInfo{ID_APP_ABOUT, Zelt::Text::MenuAbout, 90201},
    CommandInfo{ID_FIND, Zelt::Text::MenuFind, 90202},
    CommandInfo{ID_ADD, Zelt::Text::MenuAdd, 90203},
    CommandInfo{ID_REMOVE, Zelt::Text::MenuRemove, 90204},
    CommandInfo{ID_PASSWORD, Zelt::Text::MenuPassword, 90205},
    CommandInfo{ID_APPROVE_ADDRESS, Zelt::Text::MenuApproveAddress, 90305},
    CommandInfo{ID_GROUP_CREATE, Zelt::Text::MenuGroupCreate, 90206},
    CommandInfo{ID_GROUP_EDIT, Zelt::Text::MenuGroupEdit, 90207},
    CommandInfo{ID_GROUP_DELETE, Zelt::Text::MenuGroupDelete, 90208},
    CommandInfo{ID_DETAIL, Zelt::Text::MenuDetail, 90209},
    CommandInfo{ID_POWER_ON, Zelt::Text::MenuPowerOn, 32803},
    CommandInfo{ID_POWER_OFF, Zelt::Text::MenuPowerOff, 90210},
    CommandInfo{ID_REBOOT, Zelt::Text::MenuReboot, 90211},
    CommandInfo{ID_PAGE_TIME, Zelt::Text::MenuTimePage, 90212},
    CommandInfo{ID_PAGE_IP, Zelt::Text::MenuIpAddressPage, 90213},
    CommandInfo{ID_PAGE_QUOTA, Zelt::Text::MenuQuotaPage, 90214},
    CommandInfo{ID_PAGE_MAIL, Zelt::Text::MenuMailNotification, 90215},
    CommandInfo{ID_FIRMWARE, Zelt::Text::MenuFirmware, 90216},
    CommandInfo{ID_ECO, Zelt::Text::MenuEcoMode, 90217},
    CommandInfo{ID_MELODY_START, Zelt::Text::MenuMelodyStart, 32834},
    CommandInfo{ID_MELODY_STOP, Zelt::Text::MenuMelodyStop, 32836},
    CommandInfo{ID_GROUP_POWER_ON, Zelt::Text::MenuPowerOn, 32827},
    CommandInfo{ID_GROUP_POWER_OFF, Zelt::Text::MenuPowerOff, 90218},
    CommandInfo{ID_GROUP_REBOOT, Zelt::Text::MenuReboot, 90219},
    CommandInfo{ID_GROUP_FIRMWARE, Zelt::Text::MenuFirmware, 90220},
    CommandInfo{ID_GROUP_ECO, Zelt::Text::MenuEcoMode, 90221},
    CommandInfo{ID_INTERVAL, Zelt::Text::MenuUpdateInterval, 90222},
    CommandInfo{ID_MAIL_SETTINGS, Zelt::Text::MenuMailNotification, 90223},
    CommandInfo{ID_REFRESH, Zelt::Text::MenuRefresh, 90224},
    CommandInfo{ID_COLUMNS, Zelt::Text::MenuColumns, 90225},
    CommandInfo{ID_MANUAL, Zelt::Text::MenuManual, 90226},
    CommandInfo{ID_TRAY_SHOW, Zelt::Text::MenuShowMainWindow, 90227},
    CommandInfo{ID_TRAY_EXIT, Zelt::Text::MenuExitProgram, 90200},
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
