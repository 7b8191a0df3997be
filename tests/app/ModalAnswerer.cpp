#include "ModalAnswerer.h"

#include "support/Language.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTextDocument>

namespace AppTesting {

ModalAnswerer::ModalAnswerer(QMessageBox::StandardButton answer) : m_answer(answer) {
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::Answer);
    m_timer.start(20);
}

void ModalAnswerer::Answer() {
    QWidget* pModal = QApplication::activeModalWidget();
    if (pModal == nullptr || !pModal->isVisible()) {
        return;
    }
    if (auto* pBox = qobject_cast<QMessageBox*>(pModal)) {
        m_texts << ShownText(pBox->text(), pBox->textFormat());
        QStringList buttons;
        for (const QAbstractButton* pButton : pBox->buttons()) {
            buttons << pButton->text();
        }
        m_buttonTexts << buttons.join(QLatin1Char('|'));
        m_icons << pBox->icon();
        QAbstractButton* pButton = pBox->button(m_answer);
        if (pButton == nullptr) {
            pButton = pBox->buttons().value(0);
        }
        pButton->click();
    } else if (m_handler) {
        m_handler(pModal);
    } else if (auto* pDialog = qobject_cast<QDialog*>(pModal)) {
        pDialog->reject();
    }
}

QString ShownText(const QString& text, Qt::TextFormat format) {
    const bool bRich = format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(text));
    if (!bRich) {
        return text;
    }
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

QString InLanguage(const char* pszJapanese, const char* pszEnglish) {
    return QString::fromUtf8(Zelt::CLanguage::Current() == Zelt::Language::Japanese ? pszJapanese
                                                                                    : pszEnglish);
}

bool WaitUntil(const std::function<bool()>& condition, int nMilliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > nMilliseconds) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

} // namespace AppTesting
