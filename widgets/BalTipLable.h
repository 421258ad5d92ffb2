#pragma once
// BalTipLable: the balloon tool tip, placed with the middle of its pointer on an anchor.
// One exists at a time: showing another deletes the previous one; hiding keeps it.
// GUI thread only.
#include <QLabel>
#include <QPixmap>

class BalTipLable : public QLabel {
    Q_OBJECT
public:
    BalTipLable(const QString& text, QPoint anchor, QWidget* parent);
    ~BalTipLable() override;
    static void showTip(QPoint anchor, const QString& text, QWidget* parent);
    static void hideTip();
    static BalTipLable* current();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap balloon;
};
