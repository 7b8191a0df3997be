#include "AddTargetDialog.h"

#include "AppText.h"
#include "PlainMessageBox.h"
#include "admin/CellText.h"
#include "admin/TextFormat.h"
#include "operations/InfoResult.h"

#include <thread>

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace KorvaneApp {

// The dialog's end of its information job: each result is applied on the GUI thread while the
// worker waits (it refers to the worker's copy of the record).
class AddTargetDialog::Sink : public Korvane::IInfoResultSink {
public:
    explicit Sink(AddTargetDialog& dialog) : m_dialog(dialog) {}
    void SendResult(const Korvane::InfoResult& result) override {
        m_dialog.m_handOver.Send([this, &result] { m_dialog.OnResult(result); });
    }
    void PostJobEnded() override {}

private:
    AddTargetDialog& m_dialog;
};

namespace {

QLineEdit* ReadOnlyField(QWidget* pParent) {
    auto* pField = new QLineEdit(pParent);
    pField->setReadOnly(true);
    return pField;
}

} // namespace

AddTargetDialog::AddTargetDialog(Korvane::CKorvaneAdminInfoMgr& manager, QWidget* pParent)
    : QDialog(pParent), m_manager(manager), m_cancelEvent(std::make_shared<Zelt::CancelEvent>()),
      m_resolveState(std::make_shared<ResolveState>()), m_handOver(this),
      m_sink(std::make_unique<Sink>(*this)), m_job(std::make_unique<Korvane::CInfoJob>(*m_sink)),
      m_pInput(new QLineEdit(this)), m_pSearch(new QPushButton(Text(Zelt::Text::SearchButton), this)),
      m_pName(ReadOnlyField(this)), m_pDescription(ReadOnlyField(this)), m_pIpv4(ReadOnlyField(this)),
      m_pIpv6(ReadOnlyField(this)), m_pMac(ReadOnlyField(this)),
      m_pAdd(new QPushButton(Text(Zelt::Text::ButtonAdd), this)),
      m_pClear(new QPushButton(Text(Zelt::Text::ButtonClear), this)),
      m_pClose(new QPushButton(Text(Zelt::Text::ButtonClose), this)) {
    setWindowTitle(DialogTitle(Text(Zelt::Text::TitleAddDevice)));
    auto* pPrompt = new QLabel(Text(Zelt::Text::AddPrompt), this);
    pPrompt->setWordWrap(true);
    auto* pInputRow = new QHBoxLayout;
    pInputRow->addWidget(m_pInput, 1);
    pInputRow->addWidget(m_pSearch);

    auto* pInfo = new QGroupBox(Text(Zelt::Text::AddDeviceInformation), this);
    auto* pFields = new QFormLayout(pInfo);
    pFields->addRow(Text(Zelt::Text::AddDeviceName), m_pName);
    pFields->addRow(Text(Zelt::Text::AddDeviceDescription), m_pDescription);
    pFields->addRow(Text(Zelt::Text::AddIpv4Address), m_pIpv4);
    pFields->addRow(Text(Zelt::Text::AddIpv6Address), m_pIpv6);
    pFields->addRow(Text(Zelt::Text::AddMacAddress), m_pMac);

    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch(1);
    pButtons->addWidget(m_pAdd);
    pButtons->addWidget(m_pClear);
    pButtons->addWidget(m_pClose);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pPrompt);
    pLayout->addLayout(pInputRow);
    pLayout->addWidget(pInfo);
    pLayout->addLayout(pButtons);
    setMinimumWidth(520);

    // Return in the input fetches.
    m_pSearch->setDefault(true);
    for (QPushButton* pButton : {m_pAdd, m_pClear, m_pClose}) {
        pButton->setAutoDefault(false);
    }
    connect(m_pSearch, &QPushButton::clicked, this, &AddTargetDialog::SearchOrStop);
    connect(m_pAdd, &QPushButton::clicked, this, &AddTargetDialog::AddCandidate);
    connect(m_pClear, &QPushButton::clicked, this, &AddTargetDialog::ClearAll);
    connect(m_pClose, &QPushButton::clicked, this, &AddTargetDialog::reject);
}

AddTargetDialog::~AddTargetDialog() {
    {
        std::lock_guard lock(m_resolveState->mutex);
        m_resolveState->bGone = true;
    }
    if (m_resolveCancel) {
        m_resolveCancel->Set();
    }
    // A result on its way is dropped, so the job's worker ends and the job can be waited for.
    m_handOver.Close();
    m_cancelEvent->Set();
    m_job.reset();
}

void AddTargetDialog::SearchOrStop() {
    if (m_bFetching) {
        if (m_bResolving) {
            Abandon();
        } else {
            // The worker answers with the cancellation, which ends the fetch.
            m_cancelEvent->Set();
        }
        return;
    }
    const std::string input = Std(m_pInput->text().trimmed());
    if (input.empty()) {
        return;
    }
    ClearFields();
    m_candidate = Korvane::CManagedDevice();
    m_bDropResult = false;
    m_bResolving = true;
    SetFetching(true);
    // A host name may take the resolver seconds: it is looked up away from the window.
    const std::uint64_t nFetch = ++m_nFetch;
    m_resolveCancel = std::make_shared<Zelt::CancelEvent>();
    std::thread([this, state = m_resolveState, cancel = m_resolveCancel, input, nFetch] {
        const Korvane::TypedAddresses addresses = Korvane::CAddTarget::ResolveInput(input, cancel);
        std::lock_guard lock(state->mutex);
        if (!state->bGone) {
            QMetaObject::invokeMethod(
                this, [this, addresses, nFetch] { StartFetch(nFetch, addresses); }, Qt::QueuedConnection);
        }
    }).detach();
}

void AddTargetDialog::StartFetch(std::uint64_t nFetch, const Korvane::TypedAddresses& addresses) {
    if (nFetch != m_nFetch || !m_bResolving) {
        return;
    }
    m_bResolving = false;
    if (const int nRefusal = Korvane::CAddTarget::RefusalMessage(addresses)) {
        SetFetching(false);
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("KORVANE Admin"),
                        Qs(Korvane::CTextFormat::FormatId(nRefusal, {addresses.refused})), QMessageBox::Ok,
                        this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
        emit FetchEnded();
        return;
    }
    m_addresses = addresses;
    m_cancelEvent->Reset();
    std::vector<Korvane::CManagedDevice> devices{Korvane::CAddTarget::Candidate(addresses)};
    if (!m_job->Start(Korvane::ID_GETINFO_CATEGORY_ADMIN_SIMPLE, devices, m_cancelEvent)) {
        // The previous fetch's result has been applied, so its coordinator is only ending.
        m_job->Wait();
        m_job->Start(Korvane::ID_GETINFO_CATEGORY_ADMIN_SIMPLE, std::move(devices), m_cancelEvent);
    }
}

// Stopped or closed while the typed text was still being looked up: nothing was started yet.
void AddTargetDialog::Abandon() {
    m_resolveCancel->Set();
    ++m_nFetch;
    m_bResolving = false;
    SetFetching(false);
    emit FetchEnded();
}

void AddTargetDialog::OnResult(const Korvane::InfoResult& result) {
    SetFetching(false);
    if (m_bDropResult) {
        m_bDropResult = false;
        emit FetchEnded();
        return;
    }
    if (result.nMessage == Korvane::INFO_FETCHED) {
        m_candidate = result.device;
        Korvane::CAddTarget::TakeFetched(m_candidate, m_addresses);
        ShowCandidate();
    } else if (result.nMessage == Korvane::INFO_NOT_OBTAINED) {
        ClearFields();
    }
    // The message waits for the user; the worker must not.
    const int nMessage = Korvane::CAddTarget::MessageFor(result.nMessage);
    const QString failure = QString::fromStdString(result.strFailure);
    m_handOver.Post([this, nMessage, failure] {
        if (nMessage != 0) {
            // The failure names where and why, as korvanectl does.
            QMessageBox box(QMessageBox::NoIcon, QStringLiteral("KORVANE Admin"),
                            failure.isEmpty() ? Text(nMessage)
                                              : Text(nMessage) + QStringLiteral("\n\n") + failure,
                            QMessageBox::Ok, this);
            box.setTextFormat(Qt::PlainText);
            box.exec();
        }
        emit FetchEnded();
    });
}

void AddTargetDialog::AddCandidate() {
    if (m_candidate.ReportedMac().empty() || !m_manager.AddOrUpdate(m_candidate)) {
        return;
    }
    emit DevicesAdded();
    // What was added is no longer offered: "追加" adds what the fields show.
    ClearAll();
}

void AddTargetDialog::ClearAll() {
    m_pInput->clear();
    ClearFields();
    m_candidate = Korvane::CManagedDevice();
}

void AddTargetDialog::ClearFields() {
    for (QLineEdit* pField : {m_pName, m_pDescription, m_pIpv4, m_pIpv6, m_pMac}) {
        pField->clear();
    }
}

void AddTargetDialog::ShowCandidate() {
    const auto show = [this](QLineEdit* pField, const char* pszKey) {
        pField->setText(Qs(Korvane::CCellText::CellText(pszKey, m_candidate)));
    };
    show(m_pName, "host");
    show(m_pDescription, "hostdesc");
    show(m_pIpv4, "ip");
    show(m_pIpv6, "ipv6");
    show(m_pMac, "mac");
}

void AddTargetDialog::SetFetching(bool bFetching) {
    m_bFetching = bFetching;
    m_pSearch->setText(Text(bFetching ? Zelt::Text::StopSearchButton : Zelt::Text::SearchButton));
    m_pClose->setEnabled(!bFetching);
}

void AddTargetDialog::reject() {
    if (m_bFetching) {
        if (m_bResolving) {
            Abandon();
        } else {
            m_cancelEvent->Set();
            m_bDropResult = true;
        }
    }
    QDialog::reject();
}

} // namespace KorvaneApp
