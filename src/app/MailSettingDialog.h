#pragma once

#include "admin/MailSettings.h"
#include "mail/MailSettingForm.h"
#include "net/CancelEvent.h"

#include <thread>

#include <QDialog>

class QCheckBox;
class QLabel;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace KorvaneApp {

// "メール通知設定 - KORVANE Admin": the mail notification settings. It edits a copy of the stored
// settings and writes the record over them on OK, when it names everything a mail needs
// (otherwise it says what is missing). The second tab, "認証設定", exists only while an authentication method
// is chosen and shows the POP before SMTP page or the SMTP AUTH page. The test mail is sent from the values
// shown, stores nothing, and goes out on a worker thread under a busy cursor, so the window keeps painting;
// the dialog takes no input until the result message but the Cancel button, which stops the test mail. A
// dialog that goes stops its test mail too.
class MailSettingDialog : public QDialog {
    Q_OBJECT
public:
    MailSettingDialog(Korvane::CMailSettings& stored, QWidget* pParent = nullptr);
    ~MailSettingDialog() override;

    // What the controls hold, as OK would store it.
    Korvane::CMailSettings Fields() const;
    bool IsSendingTestMail() const { return m_bSending; }

    QCheckBox* NotifyBox() const { return m_pNotify; }
    QTabWidget* Tabs() const { return m_pTabs; }
    QWidget* MainPage() const { return m_pMainPage; }
    QWidget* Pop3Page() const { return m_pPop3Page; }
    QWidget* SmtpAuthPage() const { return m_pAuthPage; }
    QLineEdit* SmtpServerEdit() const { return m_pSmtpServer; }
    QLineEdit* SmtpPortEdit() const { return m_pSmtpPort; }
    QLineEdit* FromAddressEdit() const { return m_pFrom; }
    QLineEdit* ToAddressesEdit() const { return m_pTo; }
    QRadioButton* Utf8Button() const { return m_pUtf8; }
    QRadioButton* Iso2022JpButton() const { return m_pIso2022Jp; }
    QComboBox* AuthMethodList() const { return m_pAuthMethod; }
    QComboBox* SmtpSecurityList() const { return m_pSmtpSecurity; }
    QComboBox* Pop3SecurityList() const { return m_pPop3Security; }
    QLineEdit* TrustedFileEdit() const { return m_pTrustedFile; }
    // The warning that the chosen method sends its password readable, shown while it does.
    QLabel* ClearPasswordWarning() const { return m_pClearPasswordWarning; }
    QLineEdit* Pop3ServerEdit() const { return m_pPop3Server; }
    QLineEdit* Pop3AccountEdit() const { return m_pPop3Account; }
    QLineEdit* Pop3PasswordEdit() const { return m_pPop3Password; }
    QLineEdit* Pop3WaitEdit() const { return m_pPop3Wait; }
    QLineEdit* Pop3PortEdit() const { return m_pPop3Port; }
    QLineEdit* AuthUserEdit() const { return m_pAuthUser; }
    QLineEdit* AuthPasswordEdit() const { return m_pAuthPassword; }
    QPushButton* TestMailButton() const { return m_pTestMail; }
    QPushButton* OkButton() const { return m_pOk; }
    QPushButton* CancelButton() const { return m_pCancel; }

signals:
    // The test mail's result message has been shown (its string id).
    void TestMailFinished(int nTextId);

public slots:
    void accept() override;
    void reject() override;
    // "テストメール送信".
    void SendTestMail();
    // "キャンセル" while the test mail is out.
    void StopTestMail();

private:
    QWidget* BuildMainPage();
    QWidget* BuildPop3Page();
    QWidget* BuildAuthPage();
    void Fill(const Korvane::CMailSettings& shown);
    // Adds, replaces or removes the second tab for the chosen method.
    void ShowAuthTab();
    void SetSending(bool bSending);
    void OnTestMailSent(const Korvane::MailDialogMessage& message, const QString& failure);
    void ShowMessage(const Korvane::MailDialogMessage& message, const QString& failure = QString());
    // A security chosen: the port follows unless typed; the warning follows the choice.
    void OnSecurityChosen();
    void ChooseTrustedFile();
    void UpdateClearPasswordWarning();

    Korvane::CMailSettings& m_stored;
    bool m_bSending = false;
    Zelt::CancelEventPtr m_testMailCancel;
    std::thread m_testMailThread;
    QCheckBox* m_pNotify;
    QTabWidget* m_pTabs;
    QWidget* m_pMainPage = nullptr;
    QWidget* m_pPop3Page = nullptr;
    QWidget* m_pAuthPage = nullptr;
    QLineEdit* m_pSmtpServer = nullptr;
    QLineEdit* m_pSmtpPort = nullptr;
    QLineEdit* m_pFrom = nullptr;
    QLineEdit* m_pTo = nullptr;
    QRadioButton* m_pUtf8 = nullptr;
    QRadioButton* m_pIso2022Jp = nullptr;
    QComboBox* m_pAuthMethod = nullptr;
    QComboBox* m_pSmtpSecurity = nullptr;
    QComboBox* m_pPop3Security = nullptr;
    QLineEdit* m_pTrustedFile = nullptr;
    QLabel* m_pClearPasswordWarning = nullptr;
    // The securities the port edits last followed.
    int m_nSmtpSecurity = Korvane::MAIL_SECURITY_NONE;
    int m_nPop3Security = Korvane::MAIL_SECURITY_NONE;
    QLineEdit* m_pPop3Server = nullptr;
    QLineEdit* m_pPop3Account = nullptr;
    QLineEdit* m_pPop3Password = nullptr;
    QLineEdit* m_pPop3Wait = nullptr;
    QLineEdit* m_pPop3Port = nullptr;
    QLineEdit* m_pAuthUser = nullptr;
    QLineEdit* m_pAuthPassword = nullptr;
    QPushButton* m_pTestMail;
    QPushButton* m_pOk;
    QPushButton* m_pCancel;
};

} // namespace KorvaneApp
