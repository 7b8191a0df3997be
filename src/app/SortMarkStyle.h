#pragma once

#include <QProxyStyle>

namespace KorvaneApp {

// The list's header draws the mark of its order itself: the down mark for descending, the up
// mark for ascending, whichever arrow the platform's style would draw for Qt's order value.
class SortMarkStyle : public QProxyStyle {
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    // The arrow shown for an order.
    static PrimitiveElement MarkOf(Qt::SortOrder order);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* pOption, QPainter* pPainter,
                       const QWidget* pWidget = nullptr) const override;
};

} // namespace KorvaneApp
