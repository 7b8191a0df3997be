#include "ModalAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>

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
        m_texts << pBox->text();
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
