// Reading and writing trains files: the rows the reader makes, the errors it reports, and the
// exact bytes the writer produces. Every test runs in a fresh temporary working directory.
#include "ModalDriver.h"
#include "TrainsWriter.h"
#include "XmlHandler.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

#include <unistd.h>

namespace {
bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray header = "<?xml version='1.0' encoding='UTF-8'?>\n<!DOCTYPE parlino>\n";
}  // namespace

class TrainsFileTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<QTreeWidget> tree;

    // Reads `bytes` as "list.xml" into a fresh tree.
    bool read(const QByteArray& bytes, bool online = false)
    {
        if (!writeBytes(QStringLiteral("list.xml"), bytes)) {
            // Failed here, whatever the caller expects of the reading.
            QTest::qFail("cannot write list.xml", __FILE__, __LINE__);
            return false;
        }
        tree = std::make_unique<QTreeWidget>();
        tree->setColumnCount(3);
        return XmlHandler::readFile(tree.get(), QStringLiteral("list.xml"), online);
    }

private Q_SLOTS:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QVERIFY(QDir::setCurrent(dir->path()));
        QVERIFY(QDir().mkpath(QStringLiteral("workspace/train")));
    }
    void cleanup() { tree.reset(); }

    void readsGroupsCasesAndSeparators()
    {
        QVERIFY(read(header +
                     "<parlino version=\"1.0\">\n"
                     " <train folded=\"no\"><title>Fables</title>\n"
                     "  <case url=\"fox.mp3\"><title>The Fox</title></case>\n"
                     "  <separator/>\n"
                     "  <case url=\"lion.mp3\" learned=\"nobody\"><title>Lion</title></case>\n"
                     " </train>\n"
                     " <separator/>\n"
                     " <train><title>Speeches</title></train>\n"
                     "</parlino>\n"));
        QCOMPARE(tree->topLevelItemCount(), 3);
        QTreeWidgetItem* fables = tree->topLevelItem(0);
        QCOMPARE(fables->text(0), QStringLiteral("Fables"));
        QVERIFY(fables->text(3).isEmpty());
        QVERIFY(fables->isExpanded());
        QVERIFY(!fables->icon(0).isNull());
        QCOMPARE(fables->data(0, XmlHandler::ElementRole).toString(), QStringLiteral("train"));
        QCOMPARE(fables->childCount(), 3);
        QTreeWidgetItem* fox = fables->child(0);
        QCOMPARE(fox->text(0), QStringLiteral("The Fox"));
        QCOMPARE(fox->text(2), QStringLiteral("导出"));
        QCOMPARE(fox->text(3), QStringLiteral("fox.mp3"));
        QCOMPARE(fox->data(0, XmlHandler::ElementRole).toString(), QStringLiteral("case"));
        QVERIFY(!fox->icon(0).isNull());
        // Groups carry the style's folder icon, materials its file picture (both made once and
        // shared by every list read).
        QStyle* style = tree->style();
        QCOMPARE(fables->icon(0).pixmap(16).toImage(),
                 style->standardIcon(QStyle::SP_DirIcon).pixmap(16).toImage());
        QCOMPARE(fox->icon(0).pixmap(16).toImage(),
                 QIcon(style->standardPixmap(QStyle::SP_FileIcon)).pixmap(16).toImage());
        QVERIFY(fables->icon(0).pixmap(16).toImage() != fox->icon(0).pixmap(16).toImage());
        QTreeWidgetItem* line = fables->child(1);
        QCOMPARE(line->text(0), QString(30, QChar(0x00B7)));
        QVERIFY(!(line->flags() & Qt::ItemIsSelectable));
        QCOMPARE(line->data(0, XmlHandler::ElementRole).toString(), QStringLiteral("separator"));
        QCOMPARE(fables->child(2)->text(2), QStringLiteral("导出"));  // no such practice folder
        QCOMPARE(tree->topLevelItem(1)->text(0), XmlHandler::separatorText());
        QVERIFY(!tree->topLevelItem(2)->isExpanded());  // folded attribute absent
    }

    void placeholdersWithoutTitle()
    {
        QVERIFY(read(header + "<parlino><train><case url=\"x.mp3\"/></train></parlino>"));
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Train"));
        QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), QStringLiteral("Unknown title"));
    }

    void caseAtTopLevelClosesItsRow()
    {
        QVERIFY(read(header + "<parlino><case url=\"a.mp3\"><title>A</title></case>"
                              "<train folded=\"yes\"><title>T</title>"
                              "<train folded=\"no\"><title>Inner</title></train></train>"
                              "</parlino>"));
        QCOMPARE(tree->topLevelItemCount(), 2);
        QCOMPARE(tree->topLevelItem(0)->text(3), QStringLiteral("a.mp3"));
        QCOMPARE(tree->topLevelItem(0)->childCount(), 0);
        QTreeWidgetItem* outer = tree->topLevelItem(1);
        QCOMPARE(outer->text(0), QStringLiteral("T"));
        QVERIFY(!outer->isExpanded());
        QCOMPARE(outer->childCount(), 1);  // a train inside a train is accepted
        QCOMPARE(outer->child(0)->text(0), QStringLiteral("Inner"));
    }

    void versionAndRoot_data()
    {
        QTest::addColumn<QByteArray>("root");
        QTest::addColumn<QString>("message");  // empty: accepted
        QTest::newRow("no version") << QByteArray("<parlino>") << QString();
        QTest::newRow("1.0") << QByteArray("<parlino version=\"1.0\">") << QString();
        QTest::newRow("empty version") << QByteArray("<parlino version=\"\">") << QString();
        QTest::newRow("2.0") << QByteArray("<parlino version=\"2.0\">")
                             << QStringLiteral("The file is not a parlino trains file.");
        QTest::newRow("1.00") << QByteArray("<parlino version=\"1.00\">")
                              << QStringLiteral("The file is not a parlino trains file.");
        QTest::newRow("wrong root")
            << QByteArray("<Parlino>") << QStringLiteral("The file is not a parlino file.");
    }
    void versionAndRoot()
    {
        QFETCH(QByteArray, root);
        QFETCH(QString, message);
        QByteArray end = root.startsWith("<Parlino") ? "</Parlino>" : "</parlino>";
        ModalDriver driver;
        driver.answerNext(&ModalDriver::accept);
        const bool ok = read(header + root + "<train><title>T</title></train>" + end);
        if (message.isEmpty()) {
            QVERIFY(ok);
            QVERIFY(!driver.shown());
            QCOMPARE(tree->topLevelItemCount(), 1);
        } else {
            QVERIFY(!ok);
            QVERIFY(driver.shown());
            QCOMPARE(driver.title(), QStringLiteral("parlino trains"));
            QVERIFY2(driver.text().startsWith(QStringLiteral("Parse error at line 3, column ")),
                     qPrintable(driver.text()));
            QVERIFY2(driver.text().endsWith(QStringLiteral(":\n") + message),
                     qPrintable(driver.text()));
            QCOMPARE(tree->topLevelItemCount(), 0);
        }
    }

    void brokenFileKeepsRowsReadBeforeTheError()
    {
        ModalDriver driver;
        driver.answerNext(&ModalDriver::accept);
        QVERIFY(!read(header + "<parlino><train><title>T</title>"
                               "<case url=\"a.mp3\"><title>A</title></case>"
                               "<case url=\"b.mp3\"><title>B</tit"));
        QVERIFY(driver.shown());
        QVERIFY(driver.text().startsWith(QStringLiteral("Parse error at line ")));
        QCOMPARE(tree->topLevelItemCount(), 1);
        QVERIFY(tree->topLevelItem(0)->childCount() >= 1);
        QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), QStringLiteral("A"));
    }

    void missingFileIsAnEmptyListButAnEmptyFileIsReported()
    {
        tree = std::make_unique<QTreeWidget>();
        ModalDriver quiet;
        quiet.answerNext(&ModalDriver::accept);
        QVERIFY(XmlHandler::readFile(tree.get(), QStringLiteral("absent.xml"), false));
        QTest::qWait(50);
        QVERIFY(!quiet.shown());
        QCOMPARE(tree->topLevelItemCount(), 0);
        quiet.disarm();

        QVERIFY(writeBytes(QStringLiteral("empty.xml"), QByteArray()));
        ModalDriver driver;
        driver.answerNext(&ModalDriver::accept);
        QVERIFY(!XmlHandler::readFile(tree.get(), QStringLiteral("empty.xml"), false));
        QVERIFY(driver.shown());
        QCOMPARE(driver.title(), QStringLiteral("parlino trains"));
        QVERIFY(driver.text().startsWith(QStringLiteral("Parse error at line ")));
        QCOMPARE(tree->topLevelItemCount(), 0);
    }

    void deviceReadCollectsTheErrorInsteadOfShowingIt()
    {
        QByteArray bytes = header + "<parlino><train><title>T</title>"
                                    "<case url=\"a.mp3\"><title>A</title></case><case";
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        tree = std::make_unique<QTreeWidget>();
        ModalDriver driver;
        driver.answerNext(&ModalDriver::accept);
        QString error;
        QVERIFY(!XmlHandler::readDevice(tree.get(), &buffer, false, &error));
        QTest::qWait(50);
        QVERIFY(!driver.shown());
        QVERIFY2(error.startsWith(QStringLiteral("Parse error at line 3, column ")),
                 qPrintable(error));
        QCOMPARE(tree->topLevelItemCount(), 1);
        QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), QStringLiteral("A"));

        QByteArray wrongRoot = header + "<list/>";
        QBuffer second(&wrongRoot);
        QVERIFY(second.open(QIODevice::ReadOnly));
        QVERIFY(!XmlHandler::readDevice(tree.get(), &second, false, &error));
        QVERIFY2(error.endsWith(QStringLiteral(":\nThe file is not a parlino file.")),
                 qPrintable(error));

        QByteArray good = header + "<parlino><train><title>G</title></train></parlino>";
        QBuffer third(&good);
        QVERIFY(third.open(QIODevice::ReadOnly));
        error.clear();
        tree->clear();
        QVERIFY(XmlHandler::readDevice(tree.get(), &third, false, &error));
        QVERIFY(error.isEmpty());
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("G"));
    }

    void learnedFoldersShowReview_data()
    {
        QTest::addColumn<bool>("online");
        QTest::addColumn<QString>("unlearned");
        QTest::newRow("local") << false << QStringLiteral("导出");
        QTest::newRow("online") << true << QStringLiteral("点击下载");
    }
    void learnedFoldersShowReview()
    {
        QFETCH(bool, online);
        QFETCH(QString, unlearned);
        QVERIFY(QDir().mkpath(QStringLiteral("workspace/train/lesson1")));
        QVERIFY(read(header + "<parlino><train><title>T</title>"
                              "<case url=\"a.mp3\" learned=\"lesson1\"><title>A</title></case>"
                              "<case url=\"b.mp3\" learned=\"Lesson1\"><title>B</title></case>"
                              "<case url=\"c.mp3\"><title>C</title></case>"
                              "</train></parlino>",
                     online));
        QTreeWidgetItem* group = tree->topLevelItem(0);
        QCOMPARE(group->child(0)->text(2), QStringLiteral("复习"));
        QCOMPARE(group->child(1)->text(2), unlearned);  // names compare case-sensitively
        QCOMPARE(group->child(2)->text(2), unlearned);
    }

    void titlesKeepWhitespaceAndEntities()
    {
        QVERIFY(read(header + "<parlino><train><title>  Two\n lines </title>"
                              "<case url=\"a&amp;b.mp3\"><title>Q &amp; A &lt;1&gt;</title>"
                              "</case></train></parlino>"));
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("  Two\n lines "));
        QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), QStringLiteral("Q & A <1>"));
        QCOMPARE(tree->topLevelItem(0)->child(0)->text(3), QStringLiteral("a&b.mp3"));
    }

    // ---- writer ----

    void writesHeaderAndIndentationExactly()
    {
        QTreeWidget source;
        auto* group = new QTreeWidgetItem(&source, {QStringLiteral("初级 · 寓言")});
        auto* a = new QTreeWidgetItem(group);
        a->setText(0, QStringLiteral("A & B"));
        a->setText(2, QStringLiteral("导出"));
        a->setText(3, QStringLiteral("a \"1\".mp3"));
        auto* inner = new QTreeWidgetItem(group, {QStringLiteral("Inner")});
        auto* b = new QTreeWidgetItem(inner);
        b->setText(0, QStringLiteral("B"));
        b->setText(3, QStringLiteral("b.mp3"));
        QVERIFY(TrainsWriter::saveTree(&source, QStringLiteral("out.xml")));
        const QByteArray expected = header + "<parlino version=\"1.0\">\n"
                                             "    <train folded=\"no\">\n"
                                             "        <title>初级 · 寓言</title>\n"
                                             "        <case url=\"a &quot;1&quot;.mp3\">\n"
                                             "            <title>A &amp; B</title>\n"
                                             "        </case>\n"
                                             "    </train>\n"
                                             "    <train folded=\"no\">\n"
                                             "        <title>Inner</title>\n"
                                             "        <case url=\"b.mp3\">\n"
                                             "            <title>B</title>\n"
                                             "        </case>\n"
                                             "    </train>\n"
                                             "</parlino>\n";
        QCOMPARE(readBytes(QStringLiteral("out.xml")), expected);
    }

    void deviceAndFileGetTheSameBytes()
    {
        QTreeWidget source;
        auto* group = new QTreeWidgetItem(&source, {QStringLiteral("组 <1>")});
        auto* a = new QTreeWidgetItem(group);
        a->setText(0, QStringLiteral("A"));
        a->setText(3, QStringLiteral("a.mp3"));
        QVERIFY(TrainsWriter::saveTree(&source, QStringLiteral("out.xml")));
        QByteArray bytes;
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QVERIFY(TrainsWriter::write(TrainsWriter::document(&source), &buffer));
        QCOMPARE(bytes, readBytes(QStringLiteral("out.xml")));
        QVERIFY(bytes.contains("<title>组 &lt;1></title>"));

        QBuffer readOnly;
        QVERIFY(readOnly.open(QIODevice::ReadOnly));
        QVERIFY(!TrainsWriter::write(TrainsWriter::document(&source), &readOnly));
    }

    void charactersXmlCannotHoldAreLeftOutSoTheListStaysReadable()
    {
        // The reader lets these through as character references; written as they are, the
        // list would stop reading at the first of them and the rows behind it would be lost.
        QVERIFY(read(header + "<parlino><train><title>a&#xFFFE;b&#xFFFF;c</title>"
                              "<case url=\"u&#xD800;.mp3\"><title>x&#xDFFF;y</title></case>"
                              "</train><train><title>After</title></train></parlino>"));
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("a\uFFFEb\uFFFFc"));
        // Titles and file names from elsewhere (a pasted title, an odd file name) too.
        auto* group = new QTreeWidgetItem(tree.get(), {QString::fromUtf16(u"g\x01\x1fh")});
        auto* row = new QTreeWidgetItem(group);
        row->setText(0, QString::fromUtf16(u"t\tab\x0b😀") + QChar(0xD83D));
        row->setText(3, QString::fromUtf16(u"f\x02.mp3"));
        auto* onlyBad = new QTreeWidgetItem(tree.get(), {QString(QChar(0xFFFE))});
        new QTreeWidgetItem(onlyBad, {QStringLiteral("Orphan"), QString(), QString(),
                                      QStringLiteral("orphan.mp3")});
        QVERIFY(TrainsWriter::saveTree(tree.get(), QStringLiteral("out.xml")));

        ModalDriver driver;
        driver.answerNext(&ModalDriver::accept);
        QVERIFY(read(readBytes(QStringLiteral("out.xml"))));
        QVERIFY(!driver.shown());
        QCOMPARE(tree->topLevelItemCount(), 3);
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("abc"));
        QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), QStringLiteral("xy"));
        QCOMPARE(tree->topLevelItem(0)->child(0)->text(3), QStringLiteral("u.mp3"));
        QCOMPARE(tree->topLevelItem(1)->text(0), QStringLiteral("After"));
        QTreeWidgetItem* g = tree->topLevelItem(2);
        QCOMPARE(g->text(0), QStringLiteral("gh"));
        QCOMPARE(g->childCount(), 2);  // the untitled group's case joins the group before it
        QCOMPARE(g->child(0)->text(0), QString::fromUtf16(u"t\tab😀"));
        QCOMPARE(g->child(0)->text(3), QStringLiteral("f.mp3"));
        QCOMPARE(g->child(1)->text(3), QStringLiteral("orphan.mp3"));
    }

    void roundTripFlattens()
    {
        QVERIFY(QDir().mkpath(QStringLiteral("workspace/train/done")));
        QVERIFY(read(header + "<parlino version=\"1.0\">"
                              "<train folded=\"yes\"><title>Outer</title>"
                              "<case url=\"a.mp3\" learned=\"done\"><title> A </title></case>"
                              "<separator/>"
                              "<train><title>Inner</title>"
                              "<case url=\"b.mp3\"><title>B</title></case></train>"
                              "<case url=\"c.mp3\"><title>C</title></case>"
                              "</train></parlino>"));
        QVERIFY(TrainsWriter::saveTree(tree.get(), QStringLiteral("out.xml")));
        const QByteArray dots = XmlHandler::separatorText().toUtf8();
        const QByteArray expected = header +
                                    "<parlino version=\"1.0\">\n"
                                    "    <train folded=\"no\">\n"
                                    "        <title>Outer</title>\n"
                                    "        <case url=\"a.mp3\">\n"
                                    "            <title> A </title>\n"
                                    "        </case>\n"
                                    "    </train>\n"
                                    "    <train folded=\"no\">\n"
                                    "        <title>" +
                                    dots +
                                    "</title>\n"
                                    "    </train>\n"
                                    "    <train folded=\"no\">\n"
                                    "        <title>Inner</title>\n"
                                    "        <case url=\"b.mp3\">\n"
                                    "            <title>B</title>\n"
                                    "        </case>\n"
                                    "        <case url=\"c.mp3\">\n"
                                    "            <title>C</title>\n"
                                    "        </case>\n"
                                    "    </train>\n"
                                    "</parlino>\n";
        QCOMPARE(readBytes(QStringLiteral("out.xml")), expected);

        // Written once, the list reads back to the same bytes.
        QVERIFY(read(readBytes(QStringLiteral("out.xml"))));
        QVERIFY(TrainsWriter::saveTree(tree.get(), QStringLiteral("again.xml")));
        QCOMPARE(readBytes(QStringLiteral("again.xml")), expected);
    }

    void casesWithoutTrainGoToImportedGroup()
    {
        // A case at top level, and one before any group, would have nowhere to go.
        QTreeWidget source;
        auto* loose = new QTreeWidgetItem(&source);
        loose->setText(0, QStringLiteral("Loose"));
        loose->setText(3, QStringLiteral("loose.mp3"));
        auto* untitled = new QTreeWidgetItem(&source);  // a group with no title writes nothing
        auto* early = new QTreeWidgetItem(untitled);
        early->setText(0, QStringLiteral("Early"));
        early->setText(3, QStringLiteral("early.mp3"));
        auto* group = new QTreeWidgetItem(&source, {QStringLiteral("G")});
        auto* inGroup = new QTreeWidgetItem(group);
        inGroup->setText(0, QStringLiteral("In"));
        inGroup->setText(3, QStringLiteral("in.mp3"));
        auto* late = new QTreeWidgetItem(&source);
        late->setText(0, QStringLiteral("Late"));
        late->setText(3, QStringLiteral("late.mp3"));
        QVERIFY(TrainsWriter::saveTree(&source, QStringLiteral("out.xml")));

        QVERIFY(read(readBytes(QStringLiteral("out.xml"))));
        QCOMPARE(tree->topLevelItemCount(), 2);
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("G"));
        QCOMPARE(tree->topLevelItem(0)->childCount(), 1);
        QTreeWidgetItem* imported = tree->topLevelItem(1);
        QCOMPARE(imported->text(0), QStringLiteral("导入的材料"));
        QCOMPARE(imported->childCount(), 3);
        QCOMPARE(imported->child(0)->text(3), QStringLiteral("loose.mp3"));
        QCOMPARE(imported->child(1)->text(3), QStringLiteral("early.mp3"));
        QCOMPARE(imported->child(2)->text(3), QStringLiteral("late.mp3"));

        // With a group of that title already there, they join it instead of a second one.
        auto* own = new QTreeWidgetItem(&source, {QStringLiteral("导入的材料")});
        auto* ownCase = new QTreeWidgetItem(own);
        ownCase->setText(0, QStringLiteral("Own"));
        ownCase->setText(3, QStringLiteral("own.mp3"));
        QVERIFY(TrainsWriter::saveTree(&source, QStringLiteral("out.xml")));
        QVERIFY(read(readBytes(QStringLiteral("out.xml"))));
        QCOMPARE(tree->topLevelItemCount(), 2);
        QCOMPARE(tree->topLevelItem(1)->childCount(), 4);
        QCOMPARE(tree->topLevelItem(1)->child(0)->text(3), QStringLiteral("own.mp3"));
    }

    void untitledGroupCasesJoinThePreviousTrain()
    {
        QTreeWidget source;
        auto* first = new QTreeWidgetItem(&source, {QStringLiteral("First")});
        auto* a = new QTreeWidgetItem(first);
        a->setText(0, QStringLiteral("A"));
        a->setText(3, QStringLiteral("a.mp3"));
        auto* untitled = new QTreeWidgetItem(&source);
        auto* b = new QTreeWidgetItem(untitled);
        b->setText(0, QStringLiteral("B"));
        b->setText(3, QStringLiteral("b.mp3"));
        QVERIFY(TrainsWriter::saveTree(&source, QStringLiteral("out.xml")));
        QVERIFY(read(readBytes(QStringLiteral("out.xml"))));
        QCOMPARE(tree->topLevelItemCount(), 1);
        QCOMPARE(tree->topLevelItem(0)->childCount(), 2);
        QCOMPARE(tree->topLevelItem(0)->child(1)->text(3), QStringLiteral("b.mp3"));
    }

    void saveReplacesTheFileInsteadOfTruncatingIt()
    {
        // A second name for the old file sees whether the old bytes were overwritten in place:
        // a save that is cut short must never leave the learner with half a list.
        const QByteArray old = header + "<parlino version=\"1.0\"/>\n";
        QVERIFY(writeBytes(QStringLiteral("basicList.xml"), old));
        QVERIFY(::link("basicList.xml", "hardlink.xml") == 0);
        QTreeWidget source;
        new QTreeWidgetItem(&source, {QStringLiteral("New")});
        QVERIFY(TrainsWriter::saveTree(&source, QStringLiteral("basicList.xml")));
        QVERIFY(readBytes(QStringLiteral("basicList.xml")).contains("<title>New</title>"));
        QCOMPARE(readBytes(QStringLiteral("hardlink.xml")), old);
    }

    void unwritableTargetReportsFailure()
    {
        QTreeWidget source;
        new QTreeWidgetItem(&source, {QStringLiteral("New")});
        QVERIFY(QDir().mkpath(QStringLiteral("adir.xml")));
        QVERIFY(!TrainsWriter::saveTree(&source, QStringLiteral("adir.xml")));
        QVERIFY(!TrainsWriter::saveTree(&source, QStringLiteral("no/such/folder/list.xml")));
        QVERIFY(!QFile::exists(QStringLiteral("no/such/folder/list.xml")));
    }
};

QTEST_MAIN(TrainsFileTest)
#include "tst_trainsfile.moc"
