#pragma once
// OctImgBtn: a check box painted from a sheet of up to eight state pictures (normal, hover,
// pressed and disabled, each unchecked and checked) with a caption per check state.
// GUI thread only.
#include <QCheckBox>
#include <QPixmap>

class OctImgBtn : public QCheckBox {
    Q_OBJECT
public:
    enum Look { Normal = 0, Pressed = 1, Hover = 2, Disabled = 3 };

    // Not checkable at construction (unlike a QCheckBox): call setCheckable(true) for a toggle.
    explicit OctImgBtn(QWidget* parent = nullptr);
    // Cuts the sheet: rows of equal height (normal, hover, pressed, disabled, top to bottom),
    // two columns (unchecked, checked) when the button is checkable, else one. The button
    // takes the size of one cell, so make it checkable first.
    void setImages(const QPixmap& sheet, int rows);
    void setTexts(const QString& unchecked, const QString& checked);
    QString uncheckedText() const { return textOff; }
    QString checkedText() const { return textOn; }

    QPixmap picture(bool checked, Look look) const { return pictures[(checked ? 4 : 0) + look]; }
    // The look painted now: disabled wins over pressed, pressed over hover.
    Look currentLook() const;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool hovered = false;
    QPixmap pictures[8];
    QString textOff;
    QString textOn;
};
