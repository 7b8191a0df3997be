#pragma once

#include <QString>

namespace KorvaneApp {

// The commands of the main window, by their established ids.
enum CommandId : int {
    ID_APP_EXIT = 57665,
    ID_APP_ABOUT = 57664,
    ID_FIND = 32796,
    ID_ADD = 32797,
    ID_REMOVE = 32798,
    ID_PASSWORD = 32838,
    ID_GROUP_CREATE = 32799,
    ID_GROUP_EDIT = 32800,
    ID_GROUP_DELETE = 32801,
    ID_DETAIL = 32802,
    ID_POWER_ON = 32803,
    ID_POWER_OFF = 32804,
    ID_REBOOT = 32805,
    ID_PAGE_TIME = 32807,
    ID_PAGE_IP = 32806,
    ID_PAGE_QUOTA = 32809,
    ID_PAGE_MAIL = 32810,
    ID_FIRMWARE = 32812,
    ID_ECO = 32831,
    ID_MELODY_START = 32834,
    ID_MELODY_STOP = 32836,
    ID_GROUP_POWER_ON = 32827,
    ID_GROUP_POWER_OFF = 32828,
    ID_GROUP_REBOOT = 32829,
    ID_GROUP_FIRMWARE = 32814,
    ID_GROUP_ECO = 32833,
    ID_INTERVAL = 32819,
    ID_MAIL_SETTINGS = 32823,
    ID_REFRESH = 32816,
    ID_COLUMNS = 32817,
    ID_MANUAL = 32881,
    ID_TRAY_SHOW = 32845,
    ID_TRAY_EXIT = 32846,
    ID_APPROVE_ADDRESS = 32900,
};

// What the menus, the status bar and the tooltips show of a command.
class CommandTable {
public:
    // The menu item's text with its accelerator ("電源ON(&O)").
    static QString MenuText(int nCommand);
    // The menu text without its accelerator, for context menus, buttons and titles ("電源ON").
    static QString PlainText(int nCommand);
    // The status-bar description (the table text before "\n"); empty for unknown ids.
    static QString Description(int nCommand);
    // The tooltip (the table text after "\n").
    static QString Tooltip(int nCommand);
    // The command of a context-menu code: 100-111 on the selected devices, 200-204 on the group.
    static int CommandOfContextCode(int nCode);
};

} // namespace KorvaneApp
