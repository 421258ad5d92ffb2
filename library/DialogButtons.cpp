#include "DialogButtons.h"

#include "OctImgBtn.h"
#include "Picture.h"

#include <QDialog>
#include <QGridLayout>

namespace {
OctImgBtn* makeButton(QDialog* dialog, const char* name, const QString& caption)
{
    const QPixmap sheet = Picture::pixmap(QStringLiteral(":/images/btn-popdlg.png"));
    auto* button = new OctImgBtn(dialog);
    button->setObjectName(QLatin1String(name));
    button->setCheckable(false);
    button->setImages(sheet, 4);
    button->setTexts(caption, caption);
    return button;
}
}  // namespace

DialogButtons addDialogButtons(QDialog* dialog, QGridLayout* layout, int row,
                               const QString& confirmText)
{
    DialogButtons buttons{makeButton(dialog, "btnConfirm", confirmText),
                          makeButton(dialog, "btnCancel", QStringLiteral("取消"))};
    buttons.cancel->setLayoutDirection(Qt::RightToLeft);
    layout->addWidget(buttons.confirm, row, 0);
    layout->addWidget(buttons.cancel, row, 1);
    QObject::connect(buttons.confirm, &OctImgBtn::clicked, dialog, &QDialog::accept);
    QObject::connect(buttons.cancel, &OctImgBtn::clicked, dialog, &QDialog::reject);
    return buttons;
}
