#include "TabsCtrl.h"

#include "OctImgBtn.h"
#include "Picture.h"
#include "WeiboNote.h"

#include <QGridLayout>
#include <QPalette>

TabsCtrl::TabsCtrl(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabsCtrl"));
    setWindowTitle(QStringLiteral("Form"));
    resize(400, 300);
    setMinimumSize(0, 50);
    ctrlLO = new QGridLayout(this);
    ctrlLO->setObjectName(QStringLiteral("ctrlLO"));

    btnImport = new OctImgBtn(this);
    btnImport->setObjectName(QStringLiteral("btnImport"));
    btnImport->setCheckable(false);
    btnImport->setImages(Picture::pixmap(QStringLiteral(":/images/btn-import-press.png")), 4);
    btnImport->setTexts(QString(), QString());
    btnImport->setToolTip(QStringLiteral("导入"));

    btnOnline = new OctImgBtn(this);
    btnOnline->setObjectName(QStringLiteral("btnOnline"));
    btnOnline->setCheckable(true);
    btnOnline->setImages(Picture::pixmap(QStringLiteral(":/images/btn-download-check.png")), 4);
    btnOnline->setTexts(QString(), QString());
    btnOnline->setToolTip(QStringLiteral("在线列表"));

    noteLabel = new WeiboNote(this);
    noteLabel->setObjectName(QStringLiteral("noteLabel"));
    noteLabel->setLayoutDirection(Qt::RightToLeft);
    noteLabel->setPixmap(Picture::pixmap(QStringLiteral(":/images/bg-matnum.png")));
    QPalette palette = noteLabel->palette();
    palette.setColor(QPalette::Active, QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(118, 116, 108));
    noteLabel->setPalette(palette);
    noteLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    noteLabel->hide();

    ctrlLO->addWidget(btnImport, 0, 0);
    ctrlLO->addWidget(btnOnline, 0, 1);
    ctrlLO->addWidget(noteLabel, 0, 1);

    connect(btnImport, &OctImgBtn::clicked, this, &TabsCtrl::on_btnImport_clicked);
    connect(btnOnline, &OctImgBtn::toggled, this, &TabsCtrl::on_btnOnline_toggled);
}

int TabsCtrl::shownCount() const { return noteLabel->count(); }

void TabsCtrl::doShowNum(int delta) { noteLabel->addCount(delta); }

void TabsCtrl::on_btnImport_clicked() { Q_EMIT sigImport(); }

void TabsCtrl::on_btnOnline_toggled(bool checked)
{
    if (!checked)
        noteLabel->clearCount();
    Q_EMIT sigOnline(checked);
}
