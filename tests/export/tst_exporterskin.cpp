// The export dialog in its skinned frame: the dialogs' skin beside the program gives it a frame
// with a close button only, which cancels the export; without the skin it keeps the system's
// frame.
#include "Exporter.h"
#include "QSkinObject.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

class TestExporterSkin : public QObject {
    Q_OBJECT

    static QSkinObject* skinOf(const Exporter& d) { return d.findChild<QSkinObject*>(); }

private Q_SLOTS:
    void skinnedWithACloseButtonOnly()
    {
        Exporter d;
        QSkinObject* skin = skinOf(d);
        QVERIFY(skin);
        QVERIFY(skin->isSkinning());
        QCOMPARE(skin->skinFile(), QStringLiteral("./skin/exporter.ini"));
        QVERIFY(d.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(d.testAttribute(Qt::WA_TranslucentBackground));
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QVERIFY(skin->buttonRect(QSkinObject::Maximize).isEmpty());
        QVERIFY(skin->buttonRect(QSkinObject::Minimize).isEmpty());
        const QRect close = skin->buttonRect(QSkinObject::Close);
        QVERIFY(!close.isEmpty());
        // The close button cancels, as the cancel button does.
        QSignalSpy finished(&d, &QDialog::finished);
        QTest::mousePress(&d, Qt::LeftButton, Qt::NoModifier, close.center());
        QTest::mouseRelease(&d, Qt::LeftButton, Qt::NoModifier, close.center());
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Rejected));
    }

    void withoutTheSkinTheSystemFrameStays()
    {
        const QString skinDir = QCoreApplication::applicationDirPath() + QStringLiteral("/skin");
        const QString hidden = skinDir + QStringLiteral("-hidden");
        QVERIFY(QDir().rename(skinDir, hidden));
        Exporter d;
        QVERIFY(QDir().rename(hidden, skinDir));
        QSkinObject* skin = skinOf(d);
        QVERIFY(skin);
        QVERIFY(!skin->isSkinning());
        QVERIFY(!d.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(!d.testAttribute(Qt::WA_TranslucentBackground));
    }
};

QTEST_MAIN(TestExporterSkin)
#include "tst_exporterskin.moc"
