#pragma once
// ChromeTabs: a tab bar painted from sheets of tab pictures (rows: normal, hover, selected,
// and a fourth row that is kept but not drawn). Tabs may have sheets of their own. Tool tips
// show in the balloon label. GUI thread only.
#include <QMap>
#include <QMargins>
#include <QPixmap>
#include <QPoint>
#include <QTabBar>

class ChromeTabs : public QTabBar {
    Q_OBJECT
public:
    // How strongly a bar disabled as a whole draws its tabs: faded, not hidden.
    static constexpr qreal kFadedOpacity = 0.45;

    explicit ChromeTabs(QWidget* parent = nullptr);
    // The pictures shared by all tabs; they set the tab size.
    void setTabImages(const QPixmap& sheet);
    // The pictures of one tab; a wider picture paints that tab wider than its slot.
    void setTabImages(int index, const QPixmap& sheet);
    void setOuterMargins(const QMargins& margins);
    void setTabMargins(const QMargins& margins);
    void setFirstTabIndent(const QPoint& indent);  // only x is used
    void setTabOffset(const QPoint& offset);
    QPoint tabOffset() const { return offset; }

    // Where tab `index` takes presses and moves: its layout rectangle with the margins, the
    // first tab's indent, the last tab's 200-pixel reserve and the offset applied.
    QRect tabHitRect(int index) const;
    // Where tab `index` is painted: the hit rectangle, widened by its own picture's extra width.
    QRect tabPaintRect(int index) const;

    static constexpr int kLastTabReserve = 200;

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    QSize tabSizeHint(int index) const override;

private:
    enum Row { RowNormal, RowSelected, RowHover, RowFourth, RowCount };
    struct Pictures {
        QPixmap rows[RowCount];
    };
    static Pictures cut(const QPixmap& sheet);
    const Pictures& picturesOf(int index) const;

    Pictures shared;
    QMap<int, Pictures> own;
    int pictureWidth = -1;
    int rowHeight = -1;
    int firstIndent = 0;
    int firstIndentY = 0;  // kept with the indent, not used
    QMargins outer;
    QMargins inner;
    QPoint offset;
};
