#include "LogoBand.h"

#include <QPainter>
#include <QSvgRenderer>

namespace KorvaneApp {
namespace {

constexpr int kLogoWidth = 270;
constexpr int kLogoHeight = 45;

} // namespace

LogoBand::LogoBand(double dScaleX, double dScaleY, QWidget* pParent)
    : QWidget(pParent), m_dScaleX(dScaleX), m_dScaleY(dScaleY) {
    setFixedHeight(static_cast<int>(kLogoHeight * dScaleY));
}

void LogoBand::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QSvgRenderer(QStringLiteral(":/images/band.svg")).render(&painter, QRectF(rect()));
    QSvgRenderer(QStringLiteral(":/images/logo.svg"))
        .render(&painter, QRectF(0, 0, kLogoWidth * m_dScaleX, kLogoHeight * m_dScaleY));
}

} // namespace KorvaneApp
