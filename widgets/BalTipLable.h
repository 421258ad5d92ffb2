#pragma once
// BalTipLable: the balloon tool tip; one exists at a time. GUI thread only.
//
// Minimal stand-in: a plain label placed above the anchor.
#include <QLabel>

class BalTipLable : public QLabel {
    Q_OBJECT
public:
    BalTipLable(const QString& text, QPoint anchor, QWidget* parent);
    ~BalTipLable() override;
    static void showTip(QPoint anchor, const QString& text, QWidget* parent);
    static void hideTip();
    static BalTipLable* current();
};
