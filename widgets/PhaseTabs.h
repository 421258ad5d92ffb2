#pragma once
// PhaseTabs: the tab bar of the three practice phases. GUI thread only.
//
// Minimal stand-in: a ChromeTabs.
#include "ChromeTabs.h"

class PhaseTabs : public ChromeTabs {
    Q_OBJECT
public:
    explicit PhaseTabs(QWidget* parent = nullptr);
};
