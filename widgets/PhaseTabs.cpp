#include "PhaseTabs.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionTab>

namespace {
// The caption font: 10 points, demi-bold (the weight the original toolkit made of its value).
QFont captionFont()
{
    QFont font(QStringLiteral("Arial"), 10, QFont::DemiBold, false);
    return font;
}
}  // namespace

PhaseTabs::PhaseTabs(QWidget* parent) : ChromeTabs(parent) {}

void PhaseTabs::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    for (int i = 0; i < count(); ++i) {
        QRect lower = tabPaintRect(i);
        lower.setTop(lower.top() + lower.height() / 2);
        if (lower.contains(pos)) {
            ChromeTabs::mousePressEvent(event);
            return;
        }
    }
}

void PhaseTabs::mouseMoveEvent(QMouseEvent*) {}

void PhaseTabs::paintEvent(QPaintEvent* event)
{
    ChromeTabs::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(captionFont());
    // A bar disabled as a whole shows its captions faded, as its tabs are.
    const bool barEnabled = isEnabled();
    if (!barEnabled)
        painter.setOpacity(kFadedOpacity);
    for (int i = 0; i < count(); ++i) {
        QStyleOptionTab opt;
        initStyleOption(&opt, i);
        if (!isTabEnabled(i) || (barEnabled && !(opt.state & QStyle::State_Enabled)))
            continue;
        if (!barEnabled && i == currentIndex())
            opt.state |= QStyle::State_Selected;
        const QString text = tabText(i);
        const int at = text.indexOf(QLatin1Char('@'));
        const QString english = at < 0 ? text : text.left(at);
        const QString chinese = at < 0 ? text : text.mid(at + 1);
        const QRect r = tabPaintRect(i);
        const QRect upper(r.left(), r.top(), r.width(), r.height() / 2);
        const QRect lower(r.left(), r.top() + r.height() / 2, r.width(),
                          r.height() - r.height() / 2);
        if (opt.state & QStyle::State_Selected) {
            painter.setPen(Qt::white);
            painter.setFont(QFont(QStringLiteral("Arial"), 9));
            painter.drawText(upper, int(Qt::AlignHCenter | Qt::AlignBottom | Qt::AlignVCenter),
                             english);
            painter.setFont(captionFont());
            painter.drawText(lower, Qt::AlignCenter, chinese);
        } else {
            painter.setPen(QColor(7, 53, 77, 255));
            painter.drawText(lower, Qt::AlignCenter, chinese);
        }
    }
}
