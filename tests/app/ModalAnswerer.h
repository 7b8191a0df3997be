#pragma once

#include <functional>

#include <QMessageBox>
#include <QStringList>
#include <QTimer>

namespace AppTesting {

// Answers the modal message boxes that the code under test opens, as a user would: it notes
// each one's text as shown and presses the chosen button. Dialogs other than message boxes are given to
// the handler, if any, and otherwise rejected.
class ModalAnswerer : public QObject {
public:
    explicit ModalAnswerer(QMessageBox::StandardButton answer = QMessageBox::Yes);

    void SetAnswer(QMessageBox::StandardButton answer) { m_answer = answer; }
    void SetDialogHandler(std::function<void(QWidget*)> handler) { m_handler = std::move(handler); }
    const QStringList& Texts() const { return m_texts; }
    // Per message box, its buttons' texts joined by "|".
    const QStringList& ButtonTexts() const { return m_buttonTexts; }
    // Per message box, the icon it showed.
    const QList<QMessageBox::Icon>& Icons() const { return m_icons; }
    void Clear() {
        m_texts.clear();
        m_buttonTexts.clear();
        m_icons.clear();
    }

private:
    void Answer();

    QMessageBox::StandardButton m_answer;
    std::function<void(QWidget*)> m_handler;
    QStringList m_texts;
    QStringList m_buttonTexts;
    QList<QMessageBox::Icon> m_icons;
    QTimer m_timer;
};

// The text a user reads where a widget of this format (a label, a message box, a tooltip, which
// is Qt::AutoText) shows it: markup is rendered when the format takes it for rich text.
QString ShownText(const QString& text, Qt::TextFormat format = Qt::AutoText);

// The text of the language the test runs in (KORVANE_LANG, which ctest sets).
QString InLanguage(const char* pszJapanese, const char* pszEnglish);

// Runs the event loop until the condition holds or the time is over; whether it held.
bool WaitUntil(const std::function<bool()>& condition, int nMilliseconds = 10000);

} // namespace AppTesting
