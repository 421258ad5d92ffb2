#pragma once
// The confirm and cancel buttons of the library's small question dialogs: image buttons cut
// from the shared pop-up sheet, placed in the last row of the dialog's grid and wired to
// accept and reject. GUI thread only.
#include <QString>

class QDialog;
class QGridLayout;
class OctImgBtn;

struct DialogButtons {
    OctImgBtn* confirm;
    OctImgBtn* cancel;
};

// Adds "btnConfirm" (caption `confirmText`) and "btnCancel" ("取消") to `row` of `layout`.
DialogButtons addDialogButtons(QDialog* dialog, QGridLayout* layout, int row,
                               const QString& confirmText);
