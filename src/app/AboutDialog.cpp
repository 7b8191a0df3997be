#include "AboutDialog.h"

#include "AppText.h"
#include "CommandTable.h"
#include "admin/TextFormat.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

namespace KorvaneApp {

AboutDialog::AboutDialog(QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(DialogTitle(CommandTable::Tooltip(ID_APP_ABOUT)));
    auto* pIcon = new QLabel(this);
    pIcon->setPixmap(QIcon(QStringLiteral(":/images/korvane.svg")).pixmap(48, 48));
    auto* pTexts = new QVBoxLayout;
    pTexts->addWidget(new QLabel(QStringLiteral("KORVANE Admin Version 2.02"), this));
    pTexts->addWidget(
        new QLabel(Qs(Korvane::CTextFormat::FormatId(Zelt::Text::AboutPlatform, {qVersion()})), this));
    auto* pRow = new QHBoxLayout;
    pRow->addWidget(pIcon);
    pRow->addLayout(pTexts);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pRow);
    pLayout->addWidget(pButtons);
}

} // namespace KorvaneApp
