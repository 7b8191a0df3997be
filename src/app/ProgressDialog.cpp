#include "ProgressDialog.h"

#include "AppText.h"
#include "PasswordDialog.h"
#include "operations/PasswordPrompts.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace KorvaneApp {

ProgressDialog::ProgressDialog(Korvane::CKorvaneAdminInfoMgr& manager, QWidget* pParent)
    : QDialog(pParent), m_manager(manager), m_pStatus(new QLabel(Text(Zelt::Text::ProgressWorking), this)),
      m_pRows(new QTreeWidget(this)), m_pCancel(new QPushButton(Text(Zelt::Text::ButtonCancel), this)),
      m_pClose(new QPushButton(Text(Zelt::Text::ButtonClose), this)) {
    setWindowTitle(DialogTitle(Text(Zelt::Text::TitleProgress)));
    m_pStatus->setTextFormat(Qt::PlainText);
    m_pRows->setRootIsDecorated(false);
    m_pRows->setHeaderLabels(
        {Text(Zelt::Text::ProgressColumnName), Text(Zelt::Text::ProgressColumnProgress)});
    m_pRows->setColumnWidth(0, 100);
    m_pRows->setColumnWidth(1, 200);
    m_pClose->setEnabled(false);
    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch(1);
    pButtons->addWidget(m_pCancel);
    pButtons->addWidget(m_pClose);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pStatus);
    pLayout->addWidget(m_pRows);
    pLayout->addLayout(pButtons);
    resize(420, 300);
    connect(m_pCancel, &QPushButton::clicked, this, &ProgressDialog::AskCancel);
    connect(m_pClose, &QPushButton::clicked, this, &ProgressDialog::CloseAndReauthenticate);
}

// The run waits for its workers, which post to this dialog: it goes first.
ProgressDialog::~ProgressDialog() {
    m_run.reset();
}

void ProgressDialog::Start(int nKind, const std::vector<std::string>& targetMacs, const std::string& path,
                           const std::string& document) {
    m_run = std::make_unique<Korvane::COperationRun>(m_manager, nKind, targetMacs, path, document);
    for (const Korvane::OperationRow& row : m_run->Rows()) {
        new QTreeWidgetItem(m_pRows, {Qs(row.name), Text(Zelt::Text::ProgressStarted)});
    }
    m_run->Start([this](const Korvane::OperationRowResult& result) {
        QMetaObject::invokeMethod(
            this, [this, result] { ApplyResult(result); }, Qt::QueuedConnection);
    });
    if (m_run->IsFinished()) {
        Summarise();
    }
}

void ProgressDialog::Run(int nKind, const std::vector<std::string>& targetMacs, const std::string& path,
                         const std::string& document) {
    Start(nKind, targetMacs, path, document);
    exec();
}

void ProgressDialog::ApplyResult(const Korvane::OperationRowResult& result) {
    m_run->ApplyResult(result);
    const Korvane::OperationRow& row = m_run->Rows().at(result.nRow);
    m_pRows->topLevelItem(static_cast<int>(result.nRow))->setText(1, Qs(row.text));
    m_pRows->topLevelItem(static_cast<int>(result.nRow))->setToolTip(1, PlainToolTip(Qs(row.failure)));
    if (m_run->IsFinished()) {
        Summarise();
    }
}

void ProgressDialog::Summarise() {
    m_pStatus->setText(Qs(m_run->SummaryText()));
    m_pCancel->setEnabled(false);
    m_pClose->setEnabled(true);
    emit Finished();
    if (m_run->ShowsFirmwareNotice()) {
        QMessageBox::information(this, windowTitle(), Text(Zelt::Text::FirmwareUpdateStarted));
    }
}

void ProgressDialog::AskCancel() {
    if (IsRunning() &&
        QMessageBox::question(this, windowTitle(), Text(Zelt::Text::ConfirmCancel)) == QMessageBox::Yes) {
        m_run->Cancel();
    }
}

void ProgressDialog::CloseAndReauthenticate() {
    const std::vector<std::string> macs = m_run ? m_run->ReauthenticationMacs() : std::vector<std::string>{};
    if (!macs.empty() && QMessageBox::question(this, windowTitle(), Text(Zelt::Text::AskSetPasswordAgain)) ==
                             QMessageBox::Yes) {
        for (const std::string& mac : macs) {
            if (const Korvane::CManagedDevice* pDevice = m_manager.FindDevice(mac)) {
                PasswordDialog(m_manager, mac, Korvane::CPasswordPrompts::ReasonFor(*pDevice), this).exec();
            }
        }
    }
    accept();
}

// Escape and the close box do nothing while rows are outstanding; afterwards they close as the
// close button does, with its question about devices that refused the password.
void ProgressDialog::reject() {
    if (!IsRunning()) {
        CloseAndReauthenticate();
    }
}

void ProgressDialog::closeEvent(QCloseEvent* pEvent) {
    if (IsRunning()) {
        pEvent->ignore();
        return;
    }
    QDialog::closeEvent(pEvent);
}

} // namespace KorvaneApp
