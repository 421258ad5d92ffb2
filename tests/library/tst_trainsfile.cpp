// Reading and writing trains files: the rows the reader makes, the errors it reports, and the
// exact bytes the writer produces. Every test runs in a fresh temporary working directory.
#include "ModalDriver.h"
#include "TestSupport.h"
#include "TrainsWriter.h"
#include "XmlHandler.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

#include <unistd.h>

namespace {
using testsupport::readBytes;
using testsupport::writeBytes;

const QByteArray header = "<?xml version='1.0' encoding='UTF-8'?>\n<!DOCTYPE parlino>\n";

// A list's bytes with the attributes of each element in name order: the writer keeps no
// particular order among the attributes of one element.
QByteArray attributesSorted(const QByteArray& bytes)
{
    static const QRegularExpression tag(QStringLiteral("<(\\w+)((?: \\w+=\"[^\"]*\")+)(/?)>"));
    static const QRegularExpression attribute(QStringLiteral(" \\w+=\"[^\"]*\""));
    QString text = QString::fromUtf8(bytes);
    QString out;
    qsizetype last = 0;
    for (const QRegularExpressionMatch& m : tag.globalMatch(text)) {
        QStringList attributes;
        for (const QRegularExpressionMatch& a : attribute.globalMatch(m.captured(2)))
            attributes << a.captured(0);
        attributes.sort();
        out += text.mid(last, m.capturedStart() - last);
        out += QLatin1Char('<') + m.captured(1) + attributes.join(QString()) + m.captured(3) +
               QLatin1Char('>');
        last = m.capturedEnd();
    }
    out += text.mid(last);
    return out.toUtf8();
}
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

    void internalSubsetIsRefused()
    {
        // An entity declared once and used many times would expand far beyond the file; lists
        // never declare entities, so a document type with an internal subset is refused.
        const QByteArray entity(10000, 'x');
        QByteArray uses;
        for (int i = 0; i < 200; ++i)
            uses += "&big;";
        ModalDriver driver;
        driver.answerNext(&ModalDriver::accept);
        QVERIFY(!read("<?xml version='1.0' encoding='UTF-8'?>\n"
                      "<!DOCTYPE parlino [\n<!ENTITY big \"" +
                      entity +
                      "\">\n]>\n"
                      "<parlino><train><title>T</title><case url=\"a.mp3\"><title>" +
                      uses + "</title></case></train></parlino>\n"));
        QVERIFY(driver.shown());
        QCOMPARE(driver.title(), QStringLiteral("parlino trains"));
        QVERIFY2(driver.text().startsWith(QStringLiteral("Parse error at line 2, column ")),
                 qPrintable(driver.text()));
        QVERIFY2(
            driver.text().endsWith(QStringLiteral(":\nThe file is not a parlino trains file.")),
            qPrintable(driver.text()));
        QCOMPARE(tree->topLevelItemCount(), 0);

        // The same through a device, and a subset holding nothing but a comment.
        QByteArray bytes = "<!DOCTYPE parlino [ <!-- ] --> ]><parlino/>";
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QString error;
        QVERIFY(!XmlHandler::readDevice(tree.get(), &buffer, false, &error));
        QVERIFY2(error.endsWith(QStringLiteral(":\nThe file is not a parlino trains file.")),
                 qPrintable(error));

        // A document type without a subset, quoted brackets included, still reads.
        QVERIFY(read("<!-- [ --><!DOCTYPE parlino SYSTEM \"a[b].dtd\">"
                     "<parlino><train><title>[T]</title></train></parlino>"));
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("[T]"));
    }

    void oversizedListIsRefused()
    {
        // What a list may hold is bounded: far beyond any list of materials, it is refused.
        QByteArray big = header + "<parlino><train><title>";
        big += QByteArray(9 * 1024 * 1024, 'x');
        big += "</title></train></parlino>\n";
        ModalDriver driver;
        driver.answerNext(&ModalDriver::accept);
        QVERIFY(!read(big));
        QVERIFY(driver.shown());
        QVERIFY2(
            driver.text().endsWith(QStringLiteral(":\nThe file is not a parlino trains file.")),
            qPrintable(driver.text()));
        QCOMPARE(tree->topLevelItemCount(), 0);
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
        group->setExpanded(true);
        QVERIFY(TrainsWriter::saveTree(&source, QStringLiteral("out.xml")));
        const QByteArray expected = header + "<parlino version=\"1.0\">\n"
                                             "    <train folded=\"no\">\n"
                                             "        <title>初级 · 寓言</title>\n"
                                             "        <case url=\"a &quot;1&quot;.mp3\">\n"
                                             "            <title>A &amp; B</title>\n"
                                             "        </case>\n"
                                             "        <train folded=\"yes\">\n"
                                             "            <title>Inner</title>\n"
                                             "            <case url=\"b.mp3\">\n"
                                             "                <title>B</title>\n"
                                             "            </case>\n"
                                             "        </train>\n"
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
        QCOMPARE(tree->topLevelItemCount(), 4);
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("abc"));
        QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), QStringLiteral("xy"));
        QCOMPARE(tree->topLevelItem(0)->child(0)->text(3), QStringLiteral("u.mp3"));
        QCOMPARE(tree->topLevelItem(1)->text(0), QStringLiteral("After"));
        QTreeWidgetItem* g = tree->topLevelItem(2);
        QCOMPARE(g->text(0), QStringLiteral("gh"));
        QCOMPARE(g->childCount(), 1);
        QCOMPARE(g->child(0)->text(0), QString::fromUtf16(u"t\tab😀"));
        QCOMPARE(g->child(0)->text(3), QStringLiteral("f.mp3"));
        QTreeWidgetItem* untitled = tree->topLevelItem(3);  // its only character left out
        QCOMPARE(untitled->text(0), QString());
        QCOMPARE(untitled->childCount(), 1);
        QCOMPARE(untitled->child(0)->text(3), QStringLiteral("orphan.mp3"));
    }

    void roundTripKeepsEveryRowAndAttribute()
    {
        // Nested groups, folded and open groups, learned materials, separators at both levels
        // and a material outside any group: written back exactly as they were read.
        QVERIFY(QDir().mkpath(QStringLiteral("workspace/train/done")));
        const QByteArray list = header + "<parlino version=\"1.0\">\n"
                                         "    <train folded=\"yes\">\n"
                                         "        <title>Outer</title>\n"
                                         "        <case url=\"a.mp3\" learned=\"done\">\n"
                                         "            <title> A </title>\n"
                                         "        </case>\n"
                                         "        <separator/>\n"
                                         "        <train folded=\"no\">\n"
                                         "            <title>Inner</title>\n"
                                         "            <case url=\"b.mp3\" learned=\"later\">\n"
                                         "                <title>B</title>\n"
                                         "            </case>\n"
                                         "        </train>\n"
                                         "        <case url=\"c.mp3\">\n"
                                         "            <title>C</title>\n"
                                         "        </case>\n"
                                         "    </train>\n"
                                         "    <separator/>\n"
                                         "    <case url=\"top.mp3\">\n"
                                         "        <title>Top</title>\n"
                                         "    </case>\n"
                                         "    <train folded=\"no\">\n"
                                         "        <title>Empty</title>\n"
                                         "    </train>\n"
                                         "</parlino>\n";
        QVERIFY(read(list));
        QVERIFY(!tree->topLevelItem(0)->isExpanded());
        QCOMPARE(tree->topLevelItem(0)->child(0)->text(2), QStringLiteral("复习"));
        QVERIFY(TrainsWriter::saveTree(tree.get(), QStringLiteral("out.xml")));
        QCOMPARE(attributesSorted(readBytes(QStringLiteral("out.xml"))), attributesSorted(list));

        // What the learner changes in the tree is what is written: a group opened, a
        // separator removed.
        tree->topLevelItem(0)->setExpanded(true);
        delete tree->topLevelItem(1);
        QVERIFY(TrainsWriter::saveTree(tree.get(), QStringLiteral("out.xml")));
        QByteArray changed = list;
        changed.replace("<train folded=\"yes\">", "<train folded=\"no\">");
        changed.replace("    <separator/>\n    <case url=\"top", "    <case url=\"top");
        QCOMPARE(attributesSorted(readBytes(QStringLiteral("out.xml"))), attributesSorted(changed));
    }

    void rowsOutsideGroupsStayWhereTheyAre()
    {
        // A material at top level, and a group without a title, are written where they are.
        QTreeWidget source;
        auto* loose = new QTreeWidgetItem(&source);
        loose->setText(0, QStringLiteral("Loose"));
        loose->setText(3, QStringLiteral("loose.mp3"));
        auto* untitled = new QTreeWidgetItem(&source);
        auto* early = new QTreeWidgetItem(untitled);
        early->setText(0, QStringLiteral("Early"));
        early->setText(3, QStringLiteral("early.mp3"));
        auto* group = new QTreeWidgetItem(&source, {QStringLiteral("G")});
        auto* inGroup = new QTreeWidgetItem(group);
        inGroup->setText(0, QStringLiteral("In"));
        inGroup->setText(3, QStringLiteral("in.mp3"));
        QVERIFY(TrainsWriter::saveTree(&source, QStringLiteral("out.xml")));

        QVERIFY(read(readBytes(QStringLiteral("out.xml"))));
        QCOMPARE(tree->topLevelItemCount(), 3);
        QCOMPARE(tree->topLevelItem(0)->text(3), QStringLiteral("loose.mp3"));
        QCOMPARE(tree->topLevelItem(1)->text(0), QString());
        QCOMPARE(tree->topLevelItem(1)->child(0)->text(3), QStringLiteral("early.mp3"));
        QCOMPARE(tree->topLevelItem(2)->text(0), QStringLiteral("G"));
        QCOMPARE(tree->topLevelItem(2)->child(0)->text(3), QStringLiteral("in.mp3"));
        QVERIFY(TrainsWriter::saveTree(tree.get(), QStringLiteral("again.xml")));
        QCOMPARE(readBytes(QStringLiteral("again.xml")), readBytes(QStringLiteral("out.xml")));
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
