#pragma once
// WeiboNote: a count badge shown while its count is non-zero. GUI thread only.
//
// Minimal stand-in: keeps the count and shows it as text.
#include <QLabel>

class WeiboNote : public QLabel {
    Q_OBJECT
public:
    explicit WeiboNote(QWidget* parent = nullptr);
    void addCount(int n);
    void clearCount();
    int count() const { return number; }

private:
    int number = 0;
};
