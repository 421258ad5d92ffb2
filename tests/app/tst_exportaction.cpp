// The main window's export action: the library's export request opens the export dialog over
// the window for the open material, and what the learner accepts there is written.
#include "Dialog.h"
#include "DialogForm.h"
#include "Echora.h"
#include "Exporter.h"
#include "OctImgBtn.h"
#include "TestSupport.h"
#include "TreesView.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QtTest>
#include <memory>

class TestExportAction : public QObject {
    Q_OBJECT
    std::unique_ptr<testsupport::RuntimeFolder> root;

private Q_SLOTS:
    void initTestCase()
    {
        root = std::make_unique<testsupport::RuntimeFolder>(
            testsupport::RuntimeFolder::Contents::Bare);
        QVERIFY(root->isValid());
        QDir().mkpath(QStringLiteral("out"));
        QVERIFY(testsupport::makeAudio(QStringLiteral("workspace/talk.mp3"),
                                       QStringLiteral("sine=frequency=440:duration=3")));
        QFile lrc(QStringLiteral("workspace/talk.lrc"));
        QVERIFY(lrc.open(QIODevice::WriteOnly));
        lrc.write("[00:00.00]One.\n[00:01.50]Two.\n");
    }

    void cleanupTestCase() { root.reset(); }

    void theExportCellExportsTheOpenMaterial()
    {
        Dialog window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QString material = QStringLiteral("./workspace/talk.mp3");
        Q_EMIT window.form().tabWidget->switchSig(material);
        const QString take = window.controller()->practiceFolder() +
                             QStringLiteral("/imitatepieces/the-only-one.mp3");
        QVERIFY(testsupport::makeAudio(take, QStringLiteral("sine=frequency=660:duration=1")));
        const QString out = QDir(QStringLiteral("out")).absolutePath();

        // Fills in the dialog as the learner would, then answers the notice.
        QPoint dialogAt, expectedAt;
        QString notice;
        QTimer driver;
        connect(&driver, &QTimer::timeout, &window, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                notice = box->text();
                box->accept();
                return;
            }
            auto* exporter = qobject_cast<Exporter*>(modal);
            if (!exporter || !exporter->isVisible() || !dialogAt.isNull())
                return;
            dialogAt = exporter->pos();
            expectedAt = window.mapToGlobal(QPoint((window.width() - exporter->width()) / 2,
                                                   (window.height() - exporter->height()) / 2));
            exporter->findChild<QLineEdit*>(QStringLiteral("expPath"))->setText(out);
            exporter->refresh();
            exporter->findChild<OctImgBtn*>(QStringLiteral("btnExport"))->click();
        });
        driver.start(10);
        Q_EMIT window.form().tabWidget->exportSig(material);
        driver.stop();

        QCOMPARE(dialogAt, expectedAt);
        QCOMPARE(notice, QStringLiteral("导出成功"));
        QFile source(take), exported(out + QStringLiteral("/全文模仿.mp3"));
        QVERIFY(source.open(QIODevice::ReadOnly) && exported.open(QIODevice::ReadOnly));
        QCOMPARE(exported.readAll(), source.readAll());
        QVERIFY(window.findChildren<Exporter*>().isEmpty());  // gone after the export
    }
};

QTEST_MAIN(TestExportAction)
#include "tst_exportaction.moc"
