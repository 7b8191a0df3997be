#pragma once

#include <QMessageBox>

namespace KorvaneApp {

// A message box that shows its text as it is. QMessageBox takes a text that looks like markup for
// rich text, and a message that names a device carries whatever the device reported as its name.
class PlainMessageBox {
public:
    // Shows the box modally; the button that closed it.
    static QMessageBox::StandardButton
    Exec(QWidget* pParent, QMessageBox::Icon icon, const QString& title, const QString& text,
         QMessageBox::StandardButtons buttons = QMessageBox::Ok,
         QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
};

} // namespace KorvaneApp
