#pragma once

#include <QWidget>

namespace KorvaneApp {

// The band at the top of the main window: the background stretched over it, the logo at its
// top-left corner at the display scale.
class LogoBand : public QWidget {
    Q_OBJECT
public:
    LogoBand(double dScaleX, double dScaleY, QWidget* pParent = nullptr);

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    double m_dScaleX;
    double m_dScaleY;
};

} // namespace KorvaneApp
