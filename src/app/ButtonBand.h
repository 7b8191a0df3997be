#pragma once

#include <QLabel>
#include <QWidget>

namespace KorvaneApp {

// The band of the three picture buttons (search, add, refresh) with their captions, and the
// state of the periodic update.
class ButtonBand : public QWidget {
    Q_OBJECT
public:
    explicit ButtonBand(QWidget* pParent = nullptr);

    // "Updating ..." while an update runs, then the time it completed.
    void SetUpdateState(const QString& text) { m_pState->setText(text); }
    QString UpdateState() const { return m_pState->text(); }

signals:
    void Command(int nCommand);

private:
    void AddButton(int nCommand, const QString& image, const QString& caption);

    QLabel* m_pState;
};

} // namespace KorvaneApp
