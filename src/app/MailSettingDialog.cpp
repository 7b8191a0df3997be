#include "MailSettingDialog.h"

#include "AppText.h"
#include "CommandTable.h"
#include "admin/TextFormat.h"

#include <algorithm>
#include <optional>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

namespace KorvaneApp {

using Korvane::CMailSettingForm;
using Korvane::CMailSettings;
using Korvane::MailDialogMessage;

namespace {

// The edits of numbers take digits only.
QLineEdit* NumberEdit(QWidget* pParent) {
    auto* pEdit = new QLineEdit(pParent);
    pEdit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), pEdit));
    return pEdit;
}

QLineEdit* PasswordEdit(QWidget* pParent) {
    auto* pEdit = new QLineEdit(pParent);
    pEdit->setEchoMode(QLineEdit::Password);
    return pEdit;
}

// "SMTP port:", "POP3 port:": the protocol names are the same in every language.
QString PortLabel(std::string_view protocol) {
    return Qs(Korvane::CTextFormat::FormatId(Zelt::Text::MailPortLabel, {protocol}));
}

QString ProtocolSettingsTitle(std::string_view protocol) {
    return Qs(Korvane::CTextFormat::FormatId(Zelt::Text::MailProtocolSettings, {protocol}));
}

// The names of none, STARTTLS and SSL/TLS follow each other.
constexpr int FIRST_SECURITY_TEXT = Zelt::Text::MailSecurityNone;
static_assert(FIRST_SECURITY_TEXT + 2 == Zelt::Text::MailSecuritySslTls);

QComboBox* SecurityList(QWidget* pParent) {
    auto* pList = new QComboBox(pParent);
    for (int nSecurity = Korvane::MAIL_SECURITY_NONE; nSecurity <= Korvane::MAIL_SECURITY_TLS; ++nSecurity) {
        pList->addItem(Text(FIRST_SECURITY_TEXT + nSecurity));
    }
    return pList;
}

QMessageBox::Icon BoxIcon(Korvane::MailMessageIcon icon) {
    switch (icon) {
    case Korvane::MailMessageIcon::Information:
        return QMessageBox::Information;
    case Korvane::MailMessageIcon::Stop:
        return QMessageBox::Critical;
    default:
        return QMessageBox::NoIcon;
    }
}

} // namespace

MailSettingDialog::MailSettingDialog(CMailSettings& stored, QWidget* pParent)
    : QDialog(pParent), m_stored(stored), m_pNotify(new QCheckBox(Text(Zelt::Text::MailNotifyCheck), this)),
      m_pTabs(new QTabWidget(this)), m_pTestMail(new QPushButton(Text(Zelt::Text::MailSendTestButton), this)),
      m_pOk(new QPushButton(Text(Zelt::Text::ButtonOk), this)),
      m_pCancel(new QPushButton(Text(Zelt::Text::ButtonCancel), this)) {
    setWindowTitle(DialogTitle(CommandTable::Tooltip(ID_MAIL_SETTINGS)));
    m_pMainPage = BuildMainPage();
    m_pPop3Page = BuildPop3Page();
    m_pAuthPage = BuildAuthPage();
    m_pTabs->addTab(m_pMainPage, Qs(CMailSettingForm::TabTexts(Korvane::MAIL_AUTH_NONE).front()));
    // The pages that are not in a tab stay out of sight until they are.
    m_pPop3Page->hide();
    m_pAuthPage->hide();

    m_pOk->setDefault(true);
    auto* pButtons = new QHBoxLayout;
    pButtons->addWidget(m_pTestMail);
    pButtons->addStretch(1);
    pButtons->addWidget(m_pOk);
    pButtons->addWidget(m_pCancel);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(new QLabel(Text(Zelt::Text::MailIntro), this));
    pLayout->addWidget(m_pNotify);
    pLayout->addWidget(m_pTabs, 1);
    pLayout->addLayout(pButtons);

    Fill(CMailSettingForm::Shown(stored));
    connect(m_pAuthMethod, &QComboBox::currentIndexChanged, this, &MailSettingDialog::ShowAuthTab);
    connect(m_pAuthMethod, &QComboBox::currentIndexChanged, this,
            &MailSettingDialog::UpdateClearPasswordWarning);
    connect(m_pSmtpSecurity, &QComboBox::currentIndexChanged, this, &MailSettingDialog::OnSecurityChosen);
    connect(m_pPop3Security, &QComboBox::currentIndexChanged, this, &MailSettingDialog::OnSecurityChosen);
    connect(m_pTestMail, &QPushButton::clicked, this, &MailSettingDialog::SendTestMail);
    connect(m_pOk, &QPushButton::clicked, this, &MailSettingDialog::accept);
    connect(m_pCancel, &QPushButton::clicked, this, [this] { m_bSending ? StopTestMail() : reject(); });
}

// A result that the test mail posts while the dialog goes is dropped with the dialog's events.
MailSettingDialog::~MailSettingDialog() {
    if (m_bSending) {
        StopTestMail();
        QApplication::restoreOverrideCursor();
    }
    if (m_testMailThread.joinable()) {
        m_testMailThread.join();
    }
}

QWidget* MailSettingDialog::BuildMainPage() {
    auto* pPage = new QWidget(this);
    m_pSmtpServer = new QLineEdit(pPage);
    m_pSmtpPort = NumberEdit(pPage);
    m_pFrom = new QLineEdit(pPage);
    m_pTo = new QLineEdit(pPage);
    m_pUtf8 = new QRadioButton(QStringLiteral("UTF-8"), pPage);
    m_pIso2022Jp = new QRadioButton(QStringLiteral("ISO-2022-JP"), pPage);
    auto* pEncoding = new QButtonGroup(pPage);
    pEncoding->addButton(m_pUtf8);
    pEncoding->addButton(m_pIso2022Jp);
    m_pAuthMethod = new QComboBox(pPage);
    for (const std::string& text : CMailSettingForm::AuthMethodTexts()) {
        m_pAuthMethod->addItem(Qs(text));
    }
    m_pSmtpSecurity = SecurityList(pPage);
    m_pTrustedFile = new QLineEdit(pPage);
    auto* pBrowse = new QPushButton(Text(Zelt::Text::BrowseButton), pPage);
    connect(pBrowse, &QPushButton::clicked, this, &MailSettingDialog::ChooseTrustedFile);
    auto* pTrusted = new QHBoxLayout;
    pTrusted->addWidget(m_pTrustedFile, 1);
    pTrusted->addWidget(pBrowse);
    m_pClearPasswordWarning = new QLabel(Text(Zelt::Text::ClearPasswordWarning), pPage);
    m_pClearPasswordWarning->setWordWrap(true);
    m_pClearPasswordWarning->setStyleSheet(QStringLiteral("color: #b00000"));
    auto* pEncodings = new QHBoxLayout;
    pEncodings->addWidget(m_pUtf8);
    pEncodings->addWidget(m_pIso2022Jp);
    pEncodings->addStretch(1);
    auto* pForm = new QFormLayout(pPage);
    pForm->addRow(Text(Zelt::Text::MailSmtpServer), m_pSmtpServer);
    pForm->addRow(PortLabel("SMTP"), m_pSmtpPort);
    pForm->addRow(Text(Zelt::Text::MailSecurityLabel), m_pSmtpSecurity);
    pForm->addRow(Text(Zelt::Text::MailTrustedFileLabel), pTrusted);
    pForm->addRow(Text(Zelt::Text::MailFromAddress), m_pFrom);
    pForm->addRow(Text(Zelt::Text::MailToAddress), m_pTo);
    pForm->addRow(Text(Zelt::Text::MailEncoding), pEncodings);
    pForm->addRow(Text(Zelt::Text::MailAuthentication), m_pAuthMethod);
    pForm->addRow(QString(), m_pClearPasswordWarning);
    return pPage;
}

QWidget* MailSettingDialog::BuildPop3Page() {
    auto* pPage = new QWidget(this);
    auto* pGroup = new QGroupBox(ProtocolSettingsTitle("POP before SMTP"), pPage);
    m_pPop3Server = new QLineEdit(pGroup);
    m_pPop3Account = new QLineEdit(pGroup);
    m_pPop3Password = PasswordEdit(pGroup);
    m_pPop3Wait = NumberEdit(pGroup);
    m_pPop3Port = NumberEdit(pGroup);
    auto* pWait = new QHBoxLayout;
    pWait->addWidget(m_pPop3Wait);
    pWait->addWidget(new QLabel(Text(Zelt::Text::MailMilliseconds), pGroup));
    auto* pForm = new QFormLayout(pGroup);
    pForm->addRow(Text(Zelt::Text::MailPop3Server), m_pPop3Server);
    pForm->addRow(PortLabel("POP3"), m_pPop3Port);
    m_pPop3Security = SecurityList(pGroup);
    pForm->addRow(Text(Zelt::Text::MailSecurityLabel), m_pPop3Security);
    pForm->addRow(Text(Zelt::Text::MailAccount), m_pPop3Account);
    pForm->addRow(Text(Zelt::Text::MailPassword), m_pPop3Password);
    pForm->addRow(Text(Zelt::Text::MailPop3Wait), pWait);
    auto* pLayout = new QVBoxLayout(pPage);
    pLayout->addWidget(pGroup);
    pLayout->addStretch(1);
    return pPage;
}

QWidget* MailSettingDialog::BuildAuthPage() {
    auto* pPage = new QWidget(this);
    auto* pGroup = new QGroupBox(ProtocolSettingsTitle("SMTP AUTH"), pPage);
    m_pAuthUser = new QLineEdit(pGroup);
    m_pAuthPassword = PasswordEdit(pGroup);
    auto* pForm = new QFormLayout(pGroup);
    pForm->addRow(Text(Zelt::Text::MailUserName), m_pAuthUser);
    pForm->addRow(Text(Zelt::Text::MailPassword), m_pAuthPassword);
    auto* pLayout = new QVBoxLayout(pPage);
    pLayout->addWidget(pGroup);
    pLayout->addStretch(1);
    return pPage;
}

void MailSettingDialog::Fill(const CMailSettings& shown) {
    m_pNotify->setChecked(shown.bNotify);
    m_pSmtpServer->setText(Qs(shown.strSmtpServer));
    m_pSmtpPort->setText(Qs(shown.strSmtpPort));
    m_pFrom->setText(Qs(shown.strFromAddress));
    m_pTo->setText(Qs(shown.strToAddresses));
    (shown.nEncoding == Korvane::MAIL_ENCODING_UTF8 ? m_pUtf8 : m_pIso2022Jp)->setChecked(true);
    m_pAuthMethod->setCurrentIndex(shown.nAuthMethod);
    m_nSmtpSecurity = shown.nSmtpSecurity;
    m_nPop3Security = shown.nPop3Security;
    m_pSmtpSecurity->setCurrentIndex(shown.nSmtpSecurity);
    m_pPop3Security->setCurrentIndex(shown.nPop3Security);
    m_pTrustedFile->setText(Qs(shown.strTrustedCertificateFile));
    m_pPop3Server->setText(Qs(shown.strPop3Server));
    m_pPop3Account->setText(Qs(shown.strPop3Account));
    m_pPop3Password->setText(Qs(shown.strPop3Password));
    m_pPop3Wait->setText(Qs(shown.strPop3Wait));
    m_pPop3Port->setText(Qs(shown.strPop3Port));
    m_pAuthUser->setText(Qs(shown.strSmtpAuthUser));
    m_pAuthPassword->setText(Qs(shown.strSmtpAuthPassword));
    ShowAuthTab();
    UpdateClearPasswordWarning();
}

CMailSettings MailSettingDialog::Fields() const {
    CMailSettings fields;
    fields.bNotify = m_pNotify->isChecked();
    fields.strSmtpServer = Std(m_pSmtpServer->text());
    fields.strSmtpPort = CMailSettingForm::NumberText(Std(m_pSmtpPort->text()));
    fields.strFromAddress = Std(m_pFrom->text());
    fields.strToAddresses = Std(m_pTo->text());
    fields.nEncoding = m_pUtf8->isChecked() ? Korvane::MAIL_ENCODING_UTF8 : Korvane::MAIL_ENCODING_ISO2022JP;
    fields.nAuthMethod = std::max(m_pAuthMethod->currentIndex(), 0);
    fields.strPop3Server = Std(m_pPop3Server->text());
    fields.strPop3Account = Std(m_pPop3Account->text());
    fields.strPop3Password = Std(m_pPop3Password->text());
    fields.strPop3Wait = CMailSettingForm::NumberText(Std(m_pPop3Wait->text()));
    fields.strPop3Port = CMailSettingForm::NumberText(Std(m_pPop3Port->text()));
    fields.strSmtpAuthUser = Std(m_pAuthUser->text());
    fields.strSmtpAuthPassword = Std(m_pAuthPassword->text());
    fields.nSmtpSecurity = std::max(m_pSmtpSecurity->currentIndex(), 0);
    fields.nPop3Security = std::max(m_pPop3Security->currentIndex(), 0);
    fields.strTrustedCertificateFile = Std(m_pTrustedFile->text());
    return fields;
}

void MailSettingDialog::ShowAuthTab() {
    const int nMethod = std::max(m_pAuthMethod->currentIndex(), 0);
    QWidget* pWanted = nullptr;
    switch (CMailSettingForm::PageOf(nMethod)) {
    case Korvane::MailAuthPage::Pop3:
        pWanted = m_pPop3Page;
        break;
    case Korvane::MailAuthPage::SmtpAuth:
        pWanted = m_pAuthPage;
        break;
    default:
        break;
    }
    if (m_pTabs->count() > 1 && m_pTabs->widget(1) != pWanted) {
        m_pTabs->widget(1)->hide();
        m_pTabs->removeTab(1);
    }
    if (pWanted != nullptr && m_pTabs->count() == 1) {
        m_pTabs->addTab(pWanted, Qs(CMailSettingForm::TabTexts(nMethod).at(1)));
    }
}

void MailSettingDialog::OnSecurityChosen() {
    // The ports follow from the securities they showed last, so a typed port stays.
    CMailSettings fields = Fields();
    const int nSmtpSecurity = fields.nSmtpSecurity;
    const int nPop3Security = fields.nPop3Security;
    fields.nSmtpSecurity = m_nSmtpSecurity;
    fields.nPop3Security = m_nPop3Security;
    CMailSettingForm::SetSmtpSecurity(fields, nSmtpSecurity);
    CMailSettingForm::SetPopSecurity(fields, nPop3Security);
    m_nSmtpSecurity = nSmtpSecurity;
    m_nPop3Security = nPop3Security;
    m_pSmtpPort->setText(Qs(fields.strSmtpPort));
    m_pPop3Port->setText(Qs(fields.strPop3Port));
    UpdateClearPasswordWarning();
}

void MailSettingDialog::ChooseTrustedFile() {
    const QString file =
        QFileDialog::getOpenFileName(this, Text(Zelt::Text::ChooseTrustedFile), m_pTrustedFile->text(),
                                     QStringLiteral("PEM (*.pem *.crt *.cer);;* (*)"));
    if (!file.isEmpty()) {
        m_pTrustedFile->setText(file);
    }
}

void MailSettingDialog::UpdateClearPasswordWarning() {
    m_pClearPasswordWarning->setVisible(CMailSettingForm::SendsPasswordInClear(Fields()));
}

void MailSettingDialog::accept() {
    if (m_bSending) {
        return;
    }
    if (const std::optional<MailDialogMessage> message = CMailSettingForm::Accept(Fields(), m_stored)) {
        ShowMessage(*message);
        return;
    }
    QDialog::accept();
}

// While the test mail is out, Escape and the close box wait for it; the Cancel button stops it.
void MailSettingDialog::reject() {
    if (!m_bSending) {
        QDialog::reject();
    }
}

void MailSettingDialog::SendTestMail() {
    if (m_bSending) {
        return;
    }
    const CMailSettings fields = Fields();
    if (!CMailSettingForm::IsComplete(fields)) {
        ShowMessage(CMailSettingForm::INCOMPLETE_MESSAGE);
        return;
    }
    if (m_testMailThread.joinable()) {
        m_testMailThread.join(); // the last test mail's thread, which has posted its result
    }
    SetSending(true);
    m_testMailCancel = std::make_shared<Zelt::CancelEvent>();
    // The thread owns its copy of the values; the dialog joins it before it goes.
    m_testMailThread = std::thread([this, fields, cancel = m_testMailCancel] {
        std::string failure;
        const MailDialogMessage message = CMailSettingForm::SendTestMail(fields, cancel, &failure);
        QMetaObject::invokeMethod(
            this, [this, message, failure = Qs(failure)] { OnTestMailSent(message, failure); },
            Qt::QueuedConnection);
    });
}

void MailSettingDialog::StopTestMail() {
    if (m_bSending) {
        m_testMailCancel->Set();
    }
}

void MailSettingDialog::SetSending(bool bSending) {
    m_bSending = bSending;
    m_pNotify->setEnabled(!bSending);
    m_pTabs->setEnabled(!bSending);
    m_pTestMail->setEnabled(!bSending);
    m_pOk->setEnabled(!bSending);
    if (bSending) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void MailSettingDialog::OnTestMailSent(const MailDialogMessage& message, const QString& failure) {
    SetSending(false);
    ShowMessage(message, failure);
    emit TestMailFinished(message.nTextId);
}

void MailSettingDialog::ShowMessage(const MailDialogMessage& message, const QString& failure) {
    // The failure names the server and the certificate check's reason, as korvanectl does.
    QMessageBox box(BoxIcon(message.icon), QStringLiteral("KORVANE Admin"),
                    failure.isEmpty() ? Text(message.nTextId)
                                      : Text(message.nTextId) + QStringLiteral("\n\n") + failure,
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace KorvaneApp
