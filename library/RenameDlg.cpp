#include "RenameDlg.h"

#include "DialogButtons.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

RenameDlg::RenameDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RenameDlg"));
    setWindowTitle(QStringLiteral("重命名"));
    resize(220, 87);
    mainLO = new QGridLayout(this);
    mainLO->setObjectName(QStringLiteral("mainLO"));

    label = new QLabel(QStringLiteral("重命名："), this);
    label->setObjectName(QStringLiteral("label"));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);
    lineEdit = new QLineEdit(this);
    lineEdit->setObjectName(QStringLiteral("lineEdit"));

    mainLO->addWidget(label, 0, 0, 1, 2);
    mainLO->addWidget(lineEdit, 1, 0, 1, 2);
    const DialogButtons buttons = addDialogButtons(this, mainLO, 2, QStringLiteral("重命名"));
    btnConfirm = buttons.confirm;
    btnCancel = buttons.cancel;
}

void RenameDlg::setPrompt(const QString& text) { label->setText(text); }

QString RenameDlg::text() const { return lineEdit->text(); }
