#include "DelConfirm.h"

#include "DialogButtons.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>

DelConfirm::DelConfirm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DelConfirm"));
    setWindowTitle(QStringLiteral("确认删除"));
    resize(313, 151);
    mainLO = new QGridLayout(this);
    mainLO->setObjectName(QStringLiteral("mainLO"));

    label = new QLabel(this);
    label->setObjectName(QStringLiteral("label"));
    chkKeepFile = new QCheckBox(QStringLiteral("同时将文件从硬盘删除"), this);
    chkKeepFile->setObjectName(QStringLiteral("chkKeepFile"));
    chkKeepFile->setChecked(true);

    mainLO->addWidget(label, 0, 0, 1, 2);
    mainLO->addWidget(chkKeepFile, 1, 0, 1, 2);
    const DialogButtons buttons = addDialogButtons(this, mainLO, 2, QStringLiteral("删除"));
    btnConfirm = buttons.confirm;
    btnCancel = buttons.cancel;
}

void DelConfirm::setText(const QString& text) { label->setText(text); }

bool DelConfirm::keepFile() const { return !chkKeepFile->isChecked(); }
