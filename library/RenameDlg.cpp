#include "RenameDlg.h"

#include "OctImgBtn.h"

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

    const QPixmap sheet(QStringLiteral(":/images/btn-popdlg.png"));
    btnConfirm = new OctImgBtn(this);
    btnConfirm->setObjectName(QStringLiteral("btnConfirm"));
    btnConfirm->setCheckable(false);
    btnConfirm->setImages(sheet, 4);
    btnConfirm->setTexts(QStringLiteral("重命名"), QStringLiteral("重命名"));
    btnCancel = new OctImgBtn(this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setCheckable(false);
    btnCancel->setLayoutDirection(Qt::RightToLeft);
    btnCancel->setImages(sheet, 4);
    btnCancel->setTexts(QStringLiteral("取消"), QStringLiteral("取消"));

    mainLO->addWidget(label, 0, 0, 1, 2);
    mainLO->addWidget(lineEdit, 1, 0, 1, 2);
    mainLO->addWidget(btnConfirm, 2, 0);
    mainLO->addWidget(btnCancel, 2, 1);
    connect(btnConfirm, &OctImgBtn::clicked, this, &QDialog::accept);
    connect(btnCancel, &OctImgBtn::clicked, this, &QDialog::reject);
}

void RenameDlg::setPrompt(const QString& text) { label->setText(text); }

QString RenameDlg::text() const { return lineEdit->text(); }
