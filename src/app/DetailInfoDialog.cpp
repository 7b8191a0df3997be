#include "DetailInfoDialog.h"

#include "AppText.h"
#include "CommandTable.h"
#include "GuiHandOver.h"
#include "operations/DetailFetch.h"
#include "operations/InfoResultApplier.h"

#include <map>

#include <QFont>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace KorvaneApp {
namespace {

constexpr int kSectionRole = Qt::UserRole;

// The report pads its labels to a display column, counting a full-width character as two: it
// needs a monospace face whose CJK glyphs are exactly two columns wide.
QFont ReportFont() {
    QFont font(QStringLiteral("Noto Sans Mono CJK JP"), 9);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    return font;
}

} // namespace

// Hands the job's results to the GUI thread. A result waits there until the dialog has handled
// it, unless the dialog is going away (the hand-over is closed): then it is dropped.
class DetailInfoDialog::Sink : public Korvane::IInfoResultSink {
public:
    Sink(DetailInfoDialog& dialog, GuiHandOver& owner) : m_dialog(dialog), m_owner(owner) {}

    void SendResult(const Korvane::InfoResult& result) override {
        m_owner.Send([this, &result] { m_dialog.OnResult(result); });
    }
    void PostJobEnded() override {
        m_owner.Post([this] { m_dialog.OnJobEnded(); });
    }

private:
    DetailInfoDialog& m_dialog;
    GuiHandOver& m_owner;
};

DetailInfoDialog::DetailInfoDialog(Korvane::CKorvaneAdminInfoMgr& manager, const std::string& mac,
                                   QWidget* pParent)
    : QDialog(pParent), m_manager(manager), m_device(manager.GetDevice(mac)),
      m_cancelEvent(std::make_shared<Zelt::CancelEvent>()), m_pOwner(std::make_unique<GuiHandOver>(this)),
      m_sink(std::make_unique<Sink>(*this, *m_pOwner)), m_job(std::make_unique<Korvane::CInfoJob>(*m_sink)),
      m_pTree(new QTreeWidget(this)), m_pView(new QPlainTextEdit(this)),
      m_pFetch(new QPushButton(Text(Zelt::Text::DetailRefreshButton), this)),
      m_pClose(new QPushButton(Text(Zelt::Text::ButtonClose), this)) {
    setWindowTitle(DialogTitle(CommandTable::Tooltip(ID_DETAIL)));
    m_pTree->setHeaderHidden(true);
    m_pView->setReadOnly(true);
    m_pView->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pView->setFont(ReportFont());
    m_pView->setTabChangesFocus(true);

    auto* pSplitter = new QSplitter(Qt::Horizontal, this);
    pSplitter->addWidget(m_pTree);
    pSplitter->addWidget(m_pView);
    pSplitter->setStretchFactor(1, 1);
    pSplitter->setSizes({200, 600});
    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch(1);
    pButtons->addWidget(m_pFetch);
    pButtons->addWidget(m_pClose);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pSplitter, 1);
    pLayout->addLayout(pButtons);
    resize(820, 560);

    connect(m_pTree, &QTreeWidget::currentItemChanged, this, &DetailInfoDialog::ShowSelectedSection);
    connect(m_pFetch, &QPushButton::clicked, this, &DetailInfoDialog::Fetch);
    connect(m_pClose, &QPushButton::clicked, this, &QDialog::accept);

    BuildTree();
    Fetch();
}

DetailInfoDialog::~DetailInfoDialog() {
    m_cancelEvent->Set();
    m_pOwner->Close();
    m_job.reset();
}

QString DetailInfoDialog::Shown(const std::string& text) {
    QString shown = Qs(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

void DetailInfoDialog::Fetch() {
    if (m_bFetching) {
        m_cancelEvent->Set();
        return;
    }
    m_report.Clear();
    m_cancelEvent->Reset();
    if (!m_job->Start(Korvane::CDetailFetch::CATEGORY, {m_device}, m_cancelEvent)) {
        return;
    }
    SetFetching(true);
    m_pView->setPlainText(Text(Zelt::Text::DetailFetching));
}

void DetailInfoDialog::reject() {
    if (!m_bFetching) {
        QDialog::reject();
        return;
    }
    m_bCloseWhenEnded = true;
    m_cancelEvent->Set();
}

void DetailInfoDialog::SetFetching(bool bFetching) {
    m_bFetching = bFetching;
    m_pFetch->setText(Text(bFetching ? Zelt::Text::DetailStopButton : Zelt::Text::DetailRefreshButton));
    m_pClose->setEnabled(!bFetching);
}

void DetailInfoDialog::OnResult(const Korvane::InfoResult& result) {
    if (Korvane::CInfoResultApplier::Apply(m_manager, result)) {
        emit DeviceRecordChanged();
    }
    if (result.nMessage == Korvane::INFO_FETCHED) {
        m_device = result.device;
        m_report.Rebuild(m_device);
        BuildTree();
        ShowSelectedSection();
        return;
    }
    m_report.Clear();
    if (const int nText = Korvane::CDetailFetch::MessageFor(result.nMessage, m_device); nText != 0) {
        const QString failure = QString::fromStdString(result.strFailure);
        m_pView->setPlainText(failure.isEmpty() ? Text(nText)
                                                : Text(nText) + QStringLiteral("\n\n") + failure);
    }
}

void DetailInfoDialog::OnJobEnded() {
    SetFetching(false);
    emit FetchEnded();
    if (m_bCloseWhenEnded) {
        m_bCloseWhenEnded = false;
        QDialog::reject();
    }
}

// The eSATA item depends on the product, which a fetch can reveal: the tree follows the copy. The
// whole report is selected without showing it, so that the tree taking the focus (which selects a
// first item when none is current) never replaces the message shown with an empty section.
void DetailInfoDialog::BuildTree() {
    const QSignalBlocker blocker(m_pTree);
    m_pTree->clear();
    std::map<int, QTreeWidgetItem*> items;
    for (const int nSection : Korvane::CDetailReport::TreeSections(m_device)) {
        const int nParent = Korvane::CDetailReport::ParentSection(nSection);
        const auto parent = items.find(nParent);
        auto* pItem =
            parent == items.end() ? new QTreeWidgetItem(m_pTree) : new QTreeWidgetItem(parent->second);
        pItem->setText(0, Qs(Korvane::CDetailReport::SectionTitle(nSection)));
        pItem->setData(0, kSectionRole, nSection);
        items[nSection] = pItem;
    }
    m_pTree->expandAll();
    if (const auto whole = items.find(Korvane::SECTION_DEVICE); whole != items.end()) {
        m_pTree->setCurrentItem(whole->second);
    }
}

bool DetailInfoDialog::ShowSection(int nSection) {
    for (QTreeWidgetItemIterator it(m_pTree); *it != nullptr; ++it) {
        if ((*it)->data(0, kSectionRole).toInt() == nSection) {
            const QSignalBlocker blocker(m_pTree);
            m_pTree->setCurrentItem(*it);
            ShowSelectedSection();
            return true;
        }
    }
    return false;
}

int DetailInfoDialog::SelectedSection() const {
    const QTreeWidgetItem* pItem = m_pTree->currentItem();
    return pItem == nullptr ? -1 : pItem->data(0, kSectionRole).toInt();
}

void DetailInfoDialog::ShowSelectedSection() {
    const int nSection = SelectedSection();
    if (nSection >= 0) {
        m_pView->setPlainText(Shown(m_report.SectionText(nSection)));
    }
}

} // namespace KorvaneApp
