#include "PlainMessageBox.h"

namespace KorvaneApp {

QMessageBox::StandardButton PlainMessageBox::Exec(QWidget* pParent, QMessageBox::Icon icon,
                                                  const QString& title, const QString& text,
                                                  QMessageBox::StandardButtons buttons,
                                                  QMessageBox::StandardButton defaultButton) {
    QMessageBox box(icon, title, text, buttons, pParent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace KorvaneApp
