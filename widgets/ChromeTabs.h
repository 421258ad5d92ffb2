#pragma once
// ChromeTabs: a tab bar drawn from sheets of tab pictures. GUI thread only.
//
// Minimal stand-in: a plain tab bar that stores the geometry settings.
#include <QMargins>
#include <QPixmap>
#include <QPoint>
#include <QTabBar>

class ChromeTabs : public QTabBar {
    Q_OBJECT
public:
    explicit ChromeTabs(QWidget* parent = nullptr);
    void setTabImages(const QPixmap& sheet);
    void setTabImages(int index, const QPixmap& sheet);
    void setOuterMargins(const QMargins& margins);
    void setTabMargins(const QMargins& margins);
    void setFirstTabIndent(const QPoint& indent);
    void setTabOffset(const QPoint& offset);
    QPoint tabOffset() const { return offset; }

private:
    QMargins outer;
    QMargins inner;
    QPoint indent;
    QPoint offset;
};
