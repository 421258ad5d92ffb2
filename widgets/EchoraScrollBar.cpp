#include "EchoraScrollBar.h"

EchoraScrollBar::EchoraScrollBar(QWidget* parent) : QScrollBar(Qt::Vertical, parent) {}
