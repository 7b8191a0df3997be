#include "SortMarkStyle.h"

#include <QHeaderView>
#include <QStyleOption>

namespace KorvaneApp {

QStyle::PrimitiveElement SortMarkStyle::MarkOf(Qt::SortOrder order) {
    return order == Qt::DescendingOrder ? PE_IndicatorArrowDown : PE_IndicatorArrowUp;
}

void SortMarkStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* pOption, QPainter* pPainter,
                                  const QWidget* pWidget) const {
    const auto* pHeader = qobject_cast<const QHeaderView*>(pWidget);
    if (element == PE_IndicatorHeaderArrow && pHeader != nullptr) {
        QProxyStyle::drawPrimitive(MarkOf(pHeader->sortIndicatorOrder()), pOption, pPainter, pWidget);
        return;
    }
    QProxyStyle::drawPrimitive(element, pOption, pPainter, pWidget);
}

} // namespace KorvaneApp
