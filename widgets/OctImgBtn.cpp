#include "OctImgBtn.h"

#include <QPainter>

OctImgBtn::OctImgBtn(QWidget* parent) : QCheckBox(parent)
{
    setCheckable(false);  // a plain button unless made a toggle
}

void OctImgBtn::setImages(const QPixmap& sheet, int rows)
{
    if (rows < 1)
        return;
    const int rowH = sheet.height() / rows;
    const int cellW = isCheckable() ? sheet.width() / 2 : sheet.width();
    // Sheet rows run normal, hover, pressed, disabled; the pictures are kept as Look orders them.
    const Look rowLook[4] = {Normal, Hover, Pressed, Disabled};
    for (QPixmap& p : pictures)
        p = QPixmap();
    for (int col = 0; col < (isCheckable() ? 2 : 1); ++col) {
        for (int row = 0; row < qMin(rows, 4); ++row)
            pictures[col * 4 + rowLook[row]] = sheet.copy(col * cellW, row * rowH, cellW, rowH);
    }
    setFixedSize(cellW, rowH);
    update();
}

void OctImgBtn::setTexts(const QString& unchecked, const QString& checked)
{
    textOff = unchecked;
    textOn = checked;
    update();
}

OctImgBtn::Look OctImgBtn::currentLook() const
{
    if (!isEnabled())
        return Disabled;
    if (isDown())
        return Pressed;
    return hovered ? Hover : Normal;
}

void OctImgBtn::enterEvent(QEnterEvent* event)
{
    hovered = true;
    update();
    QCheckBox::enterEvent(event);
}

void OctImgBtn::leaveEvent(QEvent* event)
{
    hovered = false;
    update();
    QCheckBox::leaveEvent(event);
}

bool OctImgBtn::hitButton(const QPoint& pos) const { return rect().contains(pos); }

void OctImgBtn::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool on = isChecked();
    const QPixmap& pic = picture(on, currentLook());
    if (!pic.isNull())
        painter.drawPixmap(0, 0, pic);
    painter.drawText(rect(), Qt::AlignCenter, on ? textOn : textOff);
}
