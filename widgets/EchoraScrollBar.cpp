#include "EchoraScrollBar.h"

#include "Picture.h"

#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionSlider>

#include <algorithm>

namespace {
// The handle of a bar described by `option`: top (in the bar's coordinates) and length. The
// length follows the share of the page in the whole, but not below the minimum; the top moves
// over the track that the handle leaves free.
QPair<int, int> handleOf(const QStyleOptionSlider& option)
{
    const int height = option.rect.height();
    const qint64 range = qint64(option.pageStep) + option.maximum - option.minimum;
    if (range <= 0 || height <= 0)
        return {0, 0};
    const int share = int(qint64(height) * option.pageStep / range);
    const int length = std::min(height, std::max(share, EchoraScrollBar::minimumHandle));
    const qint64 travel = qint64(option.maximum) - option.minimum;
    const qint64 offset = std::clamp(qint64(option.sliderPosition) - option.minimum, qint64(0),
                                     std::max(travel, qint64(0)));
    const int top = travel > 0 ? int(qint64(height - length) * offset / travel) : 0;
    return {option.rect.top() + top, length};
}

// Gives the bar's mouse handling the painted geometry: the groove is the whole bar, there are
// no arrow buttons, and the slider is the painted handle.
class HandleStyle : public QProxyStyle {
public:
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget) const override
    {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (control != CC_ScrollBar || !bar)
            return QProxyStyle::subControlRect(control, option, part, widget);
        const QRect r = bar->rect;
        const auto [top, length] = handleOf(*bar);
        switch (part) {
        case SC_ScrollBarGroove:
            return r;
        case SC_ScrollBarSlider:
            return length > 0 ? QRect(r.left(), top, r.width(), length) : QRect();
        case SC_ScrollBarSubPage:
            return QRect(r.left(), r.top(), r.width(), top - r.top());
        case SC_ScrollBarAddPage:
            return QRect(r.left(), top + length, r.width(), r.bottom() + 1 - (top + length));
        default:
            return QRect();
        }
    }
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override
    {
        if (metric == PM_ScrollBarSliderMin)
            return EchoraScrollBar::minimumHandle;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};
}  // namespace

EchoraScrollBar::EchoraScrollBar(QWidget* parent)
    : QScrollBar(Qt::Vertical, parent),
      trackTop(Picture::pixmap(QStringLiteral(":/images/bg-echorascrollbar-begin.png"))),
      trackMid(Picture::pixmap(QStringLiteral(":/images/bg-echorascrollbar-mid.png"))),
      trackEnd(Picture::pixmap(QStringLiteral(":/images/bg-echorascrollbar-end.png"))),
      handleTop(Picture::pixmap(QStringLiteral(":/images/bg-echorascrollbar-btnbegin.png"))),
      handleMid(Picture::pixmap(QStringLiteral(":/images/bg-echorascrollbar-btnmid.png"))),
      handleEnd(Picture::pixmap(QStringLiteral(":/images/bg-echorascrollbar-btnend.png"))),
      hint(trackMid.width(), height())
{
    auto* style = new HandleStyle;
    style->setParent(this);
    setStyle(style);
}

QSize EchoraScrollBar::sizeHint() const { return hint; }

QPair<int, int> EchoraScrollBar::handleSpan() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return handleOf(option);
}

void EchoraScrollBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), Qt::white);
    painter.drawPixmap(0, 0, trackTop);
    painter.drawPixmap(QRect(0, trackTop.height(), w, h - trackTop.height() - trackEnd.height()),
                       trackMid);
    painter.drawPixmap(0, h - trackEnd.height(), trackEnd);

    const auto [top, length] = handleSpan();
    if (length <= 0)
        return;
    painter.drawPixmap(0, top, handleTop);
    painter.drawPixmap(
        QRect(0, top + handleTop.height(), w, length - handleTop.height() - handleEnd.height()),
        handleMid);
    painter.drawPixmap(0, top + length - handleEnd.height(), handleEnd);
}
