#pragma once
// WeiboNote: a count badge over its picture, visible exactly while its count is non-zero;
// the count is written right-aligned with a trailing space. Transparent for the mouse.
// GUI thread only.
#include <QLabel>

class WeiboNote : public QLabel {
    Q_OBJECT
public:
    explicit WeiboNote(QWidget* parent = nullptr);
    void addCount(int n);
    void clearCount();
    int count() const { return number; }
    QString countText() const { return QStringLiteral("%1 ").arg(number); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool shown = false;
    int number = 0;
};
