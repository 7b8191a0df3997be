#include "ButtonBand.h"

#include "AppText.h"
#include "CommandTable.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace KorvaneApp {

ButtonBand::ButtonBand(QWidget* pParent) : QWidget(pParent), m_pState(new QLabel(this)) {
    auto* pLayout = new QHBoxLayout(this);
    pLayout->setContentsMargins(6, 2, 6, 2);
    AddButton(ID_FIND, QStringLiteral(":/images/find.svg"), CommandTable::Tooltip(ID_FIND));
    AddButton(ID_ADD, QStringLiteral(":/images/add.svg"), CommandTable::Tooltip(ID_ADD));
    AddButton(ID_REFRESH, QStringLiteral(":/images/update.svg"), CommandTable::Tooltip(ID_REFRESH));
    pLayout->addStretch(1);
    pLayout->addWidget(new QLabel(Text(Zelt::Text::LastMonitoredTime), this));
    m_pState->setObjectName(QStringLiteral("updateState"));
    m_pState->setTextFormat(Qt::PlainText);
    m_pState->setMinimumWidth(160);
    pLayout->addWidget(m_pState);
}

void ButtonBand::AddButton(int nCommand, const QString& image, const QString& caption) {
    auto* pButton = new QToolButton(this);
    pButton->setIcon(QIcon(image));
    pButton->setIconSize(QSize(32, 32));
    pButton->setText(caption);
    pButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    pButton->setAutoRaise(true);
    pButton->setToolTip(CommandTable::Tooltip(nCommand));
    pButton->setStatusTip(CommandTable::Description(nCommand));
    pButton->setObjectName(QStringLiteral("command%1").arg(nCommand));
    connect(pButton, &QToolButton::clicked, this, [this, nCommand] { emit Command(nCommand); });
    layout()->addWidget(pButton);
}

} // namespace KorvaneApp
