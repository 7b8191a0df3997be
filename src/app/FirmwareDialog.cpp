#include "FirmwareDialog.h"

#include "AppText.h"
#include "ProgressDialog.h"
#include "operations/FirmwarePath.h"
#include "operations/OperationKind.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace KorvaneApp {
namespace {

// The local path of the first dropped item, or an empty text when it is no local file.
QString DroppedPath(const QMimeData* pData) {
    if (pData == nullptr || !pData->hasUrls() || pData->urls().isEmpty()) {
        return QString();
    }
    const QUrl first = pData->urls().front();
    return first.isLocalFile() ? first.toLocalFile() : QString();
}

} // namespace

DropEdit::DropEdit(QWidget* pParent) : QLineEdit(pParent) {
    setAcceptDrops(true);
}

void DropEdit::dragEnterEvent(QDragEnterEvent* pEvent) {
    if (!DroppedPath(pEvent->mimeData()).isEmpty()) {
        pEvent->acceptProposedAction();
        return;
    }
    QLineEdit::dragEnterEvent(pEvent);
}

void DropEdit::dragMoveEvent(QDragMoveEvent* pEvent) {
    if (!DroppedPath(pEvent->mimeData()).isEmpty()) {
        pEvent->acceptProposedAction();
        return;
    }
    QLineEdit::dragMoveEvent(pEvent);
}

// The whole path, however long: a shortened one would name another file or none.
void DropEdit::dropEvent(QDropEvent* pEvent) {
    const QString path = DroppedPath(pEvent->mimeData());
    if (path.isEmpty()) {
        QLineEdit::dropEvent(pEvent);
        return;
    }
    setText(path);
    pEvent->acceptProposedAction();
}

FirmwareDialog::FirmwareDialog(Korvane::CKorvaneAdminInfoMgr& manager, std::vector<std::string> targetMacs,
                               QWidget* pParent)
    : QDialog(pParent), m_manager(manager), m_targetMacs(std::move(targetMacs)), m_pPath(new DropEdit(this)),
      m_pBrowse(new QPushButton(Text(Zelt::Text::ButtonBrowse), this)),
      m_pOk(new QPushButton(Text(Zelt::Text::ButtonOk), this)) {
    setWindowTitle(DialogTitle(Text(Zelt::Text::TitleFirmware)));
    auto* pCancel = new QPushButton(Text(Zelt::Text::ButtonCancel), this);
    m_pOk->setDefault(true);
    m_pPath->setMinimumWidth(360);

    auto* pPathRow = new QHBoxLayout;
    pPathRow->addWidget(m_pPath, 1);
    pPathRow->addWidget(m_pBrowse);
    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch(1);
    pButtons->addWidget(m_pOk);
    pButtons->addWidget(pCancel);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(new QLabel(Text(Zelt::Text::FirmwareFilePrompt), this));
    pLayout->addLayout(pPathRow);
    pLayout->addLayout(pButtons);

    connect(m_pBrowse, &QPushButton::clicked, this, &FirmwareDialog::Browse);
    connect(m_pOk, &QPushButton::clicked, this, &FirmwareDialog::accept);
    connect(pCancel, &QPushButton::clicked, this, &FirmwareDialog::reject);
}

QString FirmwareDialog::FileDialogFilter(const QString& tableFilter) {
    const QStringList parts = tableFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        QString description = parts[i].trimmed();
        const QString& patterns = parts[i + 1];
        // The description usually repeats its patterns; they are written once, as used here.
        if (const QString repeated = QLatin1Char('(') + patterns + QLatin1Char(')');
            description.endsWith(repeated)) {
            description.chop(repeated.size());
            description = description.trimmed();
        }
        QStringList shown;
        for (const QString& pattern : patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            shown << (pattern == QStringLiteral("*.*") ? QStringLiteral("*") : pattern);
        }
        filters << description + QStringLiteral(" (") + shown.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

void FirmwareDialog::Browse() {
    QFileDialog dialog(this, Text(Zelt::Text::TitleOpenFile), QString(),
                       FileDialogFilter(Text(Zelt::Text::FirmwareFileFilter)));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        m_pPath->setText(dialog.selectedFiles().front());
    }
}

void FirmwareDialog::accept() {
    const std::string path = Std(m_pPath->text());
    if (const int nMessage = Korvane::CFirmwarePath::Check(path);
        nMessage != Korvane::CFirmwarePath::FIRMWARE_PATH_OK) {
        QMessageBox::information(this, QStringLiteral("KORVANE Admin"),
                                 Qs(Korvane::CFirmwarePath::MessageText(nMessage, path)));
        return;
    }
    ProgressDialog(m_manager, this).Run(Korvane::OPERATION_FIRMWARE_UPDATE, m_targetMacs, path);
    QDialog::accept();
}

} // namespace KorvaneApp
