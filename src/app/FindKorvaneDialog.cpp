#include "FindKorvaneDialog.h"

#include "AppText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace KorvaneApp {

FindKorvaneDialog::FindKorvaneDialog(Korvane::CKorvaneAdminInfoMgr& manager, QWidget* pParent)
    : QDialog(pParent), m_manager(manager), m_handOver(this),
      m_pMessage(new QLabel(Text(Zelt::Text::FindSearching), this)),
      m_pStop(new QPushButton(Text(Zelt::Text::ButtonStop), this)) {
    setWindowTitle(DialogTitle(Text(Zelt::Text::TitleSearching)));
    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch(1);
    pButtons->addWidget(m_pStop);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pMessage);
    pLayout->addLayout(pButtons);
    setMinimumWidth(320);
    connect(m_pStop, &QPushButton::clicked, this, &FindKorvaneDialog::Stop);
}

FindKorvaneDialog::~FindKorvaneDialog() {
    // Found devices still on their way are dropped rather than waited for: nothing may touch the
    // store once the dialog has gone.
    m_handOver.Close();
    if (m_cancelEvent) {
        m_cancelEvent->Set();
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

Korvane::SearchResult FindKorvaneDialog::Run() {
    Start();
    if (m_bSearching) {
        exec();
    }
    return m_result.value_or(Korvane::SEARCH_CANCELLED);
}

void FindKorvaneDialog::Start() {
    if (m_bSearching || m_thread.joinable()) {
        return;
    }
    m_cancelEvent = std::make_shared<Zelt::CancelEvent>();
    m_result.reset();
    m_intake.emplace(m_manager);
    m_bSearching = true;
    m_pMessage->setText(Text(Zelt::Text::SearchingDevices));
    m_pStop->setEnabled(true);
    // The thread holds only what outlives it: the destructor joins it before any member goes.
    m_thread = std::thread([this, cancelEvent = m_cancelEvent] {
        const Korvane::SearchOutcome outcome =
            Korvane::CSearchJob::Run(cancelEvent, [this](const Korvane::CManagedDevice& device) {
                m_handOver.Send([this, &device] { TakeDevice(device); });
            });
        m_handOver.Post([this, outcome] { Finish(outcome); });
    });
}

void FindKorvaneDialog::Stop() {
    if (m_bSearching && m_cancelEvent) {
        m_cancelEvent->Set();
        m_pStop->setEnabled(false);
    }
}

// Escape and the close box cancel like "中止"; the dialog closes once the search has ended.
void FindKorvaneDialog::reject() {
    if (m_bSearching) {
        Stop();
        return;
    }
    QDialog::reject();
}

void FindKorvaneDialog::TakeDevice(const Korvane::CManagedDevice& device) {
    if (m_intake->Take(device) == Korvane::CSearchIntake::TAKEN) {
        ++m_nAdded;
        emit DevicesAdded();
    }
}

void FindKorvaneDialog::Finish(const Korvane::SearchOutcome& outcome) {
    // The search's last act was to post this call, so the join is immediate.
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_bSearching = false;
    const Korvane::SearchResult result = outcome.result;
    m_result = result;
    m_duration = outcome.duration;
    if (const int nMessage = Korvane::CSearchJob::MessageId(result); nMessage != 0) {
        Tell(Text(nMessage));
    }
    if (m_intake->PassedOver() != 0) {
        Tell(Qs(m_intake->PassedOverText()));
    }
    QDialog::done(result == Korvane::SEARCH_SUCCEEDED ? QDialog::Accepted : QDialog::Rejected);
    emit SearchEnded(result);
}

void FindKorvaneDialog::Tell(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("KORVANE Admin"), text, QMessageBox::Ok, this);
    box.exec();
}

} // namespace KorvaneApp
