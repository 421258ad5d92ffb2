#pragma once
// EchoraScrollBar: a vertical scroll bar drawn from track and handle pictures. GUI thread only.
//
// Minimal stand-in: a plain vertical scroll bar.
#include <QScrollBar>

class EchoraScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit EchoraScrollBar(QWidget* parent = nullptr);
};
