#include "PhaseTabs.h"

PhaseTabs::PhaseTabs(QWidget* parent) : ChromeTabs(parent) {}
