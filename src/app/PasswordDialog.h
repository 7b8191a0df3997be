#pragma once

#include "admin/AdminInfoMgr.h"

#include <string>

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace KorvaneApp {

// "認証用パスワードの入力 - KORVANE Admin": stores an administrator password for a device. The
// device is the preselected one or the one chosen in the list, by its MAC: two devices can
// share a name, and each must get its own password.
class PasswordDialog : public QDialog {
    Q_OBJECT
public:
    // An empty MAC lets the user choose the device; nReason chooses the prompt.
    PasswordDialog(Korvane::CKorvaneAdminInfoMgr& manager, const std::string& preselectedMac, int nReason,
                   QWidget* pParent = nullptr);

    QComboBox* DeviceList() const { return m_pDevices; }
    QLineEdit* PasswordEdit() const { return m_pPassword; }
    QCheckBox* SaveBox() const { return m_pSave; }
    QLabel* Prompt() const { return m_pPrompt; }

public slots:
    void accept() override;

private:
    Korvane::CKorvaneAdminInfoMgr& m_manager;
    std::string m_preselectedMac;
    QComboBox* m_pDevices;
    QLineEdit* m_pName;
    QLineEdit* m_pPassword;
    QCheckBox* m_pSave;
    QLabel* m_pPrompt;
};

} // namespace KorvaneApp
