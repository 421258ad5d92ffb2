#include "DelConfirm.h"

#include "OctImgBtn.h"

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

    const QPixmap sheet(QStringLiteral(":/images/btn-popdlg.png"));
    btnConfirm = new OctImgBtn(this);
    btnConfirm->setObjectName(QStringLiteral("btnConfirm"));
    btnConfirm->setCheckable(false);
    btnConfirm->setImages(sheet, 4);
    btnConfirm->setTexts(QStringLiteral("删除"), QStringLiteral("删除"));
    btnCancel = new OctImgBtn(this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setCheckable(false);
    btnCancel->setLayoutDirection(Qt::RightToLeft);
    btnCancel->setImages(sheet, 4);
    btnCancel->setTexts(QStringLiteral("取消"), QStringLiteral("取消"));

    mainLO->addWidget(label, 0, 0, 1, 2);
    mainLO->addWidget(chkKeepFile, 1, 0, 1, 2);
    mainLO->addWidget(btnConfirm, 2, 0);
    mainLO->addWidget(btnCancel, 2, 1);
    connect(btnConfirm, &OctImgBtn::clicked, this, &QDialog::accept);
    connect(btnCancel, &OctImgBtn::clicked, this, &QDialog::reject);
}

void DelConfirm::setText(const QString& text) { label->setText(text); }

bool DelConfirm::keepFile() const { return !chkKeepFile->isChecked(); }
