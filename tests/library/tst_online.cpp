// The online lists and downloads against a real web server on 127.0.0.1 that serves a
// catalogue made by the catalogue generator and misbehaves on purpose under some paths: the
// list turned into the "-net" files and online rows, downloads into "./respool/" with their
// temporary names, progress, failures that end cleanly and can be retried, unsafe names and
// schemes refused, and downloads joining the local lists when the view goes offline.
#include "MatTree.h"
#include "OnlineFixture.h"
#include "OnlineList.h"
#include "ResNetPool.h"
#include "ResourceGet.h"
#include "TrainsWriter.h"
#include "TreesView.h"

#include <QBuffer>
#include <QDomDocument>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

using namespace libfixture;
using namespace std::chrono_literals;

namespace {
constexpr auto testStall = 600ms;  // the trickle's pieces come every 50 ms
}

class TestOnline : public QObject {
    Q_OBJECT
    QTemporaryDir serverRoot;
    WebServer server;
    std::unique_ptr<WorkDir> work;
    std::unique_ptr<TreesView> view;
    int closedPort = 0;

    QString root(const QString& relative) const { return serverRoot.filePath(relative); }

    // Serves a list document under /name (the list server's base URL).
    QString serveList(const QString& name, const QByteArray& document)
    {
        QDir().mkpath(root(name + QStringLiteral("/inter")));
        writeBytes(root(name + QStringLiteral("/inter/imitate.php")), document);
        return server.url(name);
    }

    TreesView* openView(const QString& listServer)
    {
        view = std::make_unique<TreesView>();
        view->setListServer(listServer);
        view->setStallTimeout(testStall);
        view->show();
        return view.get();
    }

    // Presses the online toggle and waits for the list request to end.
    void goOnline(QSignalSpy& fetching)
    {
        view->on_actionOnline_toggled(true);
        QTRY_VERIFY_WITH_TIMEOUT(!fetching.isEmpty() && !fetching.last().first().toBool(), 20000);
    }

    MatTree* tree(int level) const { return view->tree(level); }

    // Saves a picture of the library beside the test, for a look at what the learner sees.
    void shoot(const char* name)
    {
        QVERIFY(view->grab().save(testsupport::screenshotDir() + QLatin1Char('/') +
                                  QLatin1String(name)));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!testsupport::run(QStringLiteral("python3"), {QStringLiteral("--version")}))
            QSKIP("python3 is needed for the test server and the catalogue generator");
        const QString source = root(QStringLiteral("source"));
        QVERIFY(makeToneMaterial(source + QStringLiteral("/basic"), QStringLiteral("tone_a")));
        QVERIFY(makeToneMaterial(source + QStringLiteral("/basic"), QStringLiteral("tone_b")));
        QVERIFY(makeToneMaterial(source + QStringLiteral("/advanced"), QStringLiteral("abc"), 4));
        QVERIFY(makeToneMaterial(source + QStringLiteral("/expert"), QStringLiteral("tone_c")));
        QVERIFY(writeBytes(source + QStringLiteral("/titles.txt"),
                           "tone_a.mp3\tTone A & <B>\ntone_b.mp3\tTone B\n"));
        QVERIFY(makeCatalogue(source, root(QStringLiteral("cat"))));
        // A material whose script is missing on the server.
        QDir().mkpath(root(QStringLiteral("noscript")));
        QVERIFY(QFile::copy(root(QStringLiteral("cat/basic/tone_a.mp3")),
                            root(QStringLiteral("noscript/lonely.mp3"))));
        QVERIFY(server.start(serverRoot.path()));
        QTcpServer probe;  // a port nobody listens on once the probe is closed
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
        probe.close();
    }

    void cleanupTestCase() { server.stop(); }

    void init() { work = std::make_unique<WorkDir>(); }

    void cleanup()
    {
        view.reset();
        work.reset();
    }

    // ---- the list ----

    void listBecomesOnlineTrees()
    {
        QVERIFY(writeBytes(QStringLiteral("respool/tone_b.mp3"), "cached before"));
        openView(server.url(QStringLiteral("cat")));
        QSignalSpy fetching(view.get(), &TreesView::fetchingSig);
        goOnline(fetching);
        QCOMPARE(fetching.size(), 2);
        QCOMPARE(fetching.first().first().toBool(), true);

        // Relative media URLs are resolved against the list's URL; titles keep their
        // escaped characters.
        const QString base = server.url(QStringLiteral("cat"));
        QCOMPARE(describe(*tree(0)), QStringList({QStringLiteral("声林在线材料||"),
                                                  QStringLiteral("  Tone A & <B>|点击下载|") +
                                                      base + QStringLiteral("/basic/tone_a.mp3"),
                                                  QStringLiteral("  Tone B|已下载|") + base +
                                                      QStringLiteral("/basic/tone_b.mp3")}));
        QCOMPARE(tree(1)->topLevelItem(0)->child(0)->text(0), QStringLiteral("abc"));
        QCOMPARE(tree(2)->topLevelItem(0)->child(0)->text(0), QStringLiteral("tone c"));
        const QByteArray net = readBytes(QStringLiteral("basic-net.xml"));
        QVERIFY(net.startsWith(listHeader));
        QVERIFY(net.contains("<title>Tone A &amp; &lt;B></title>"));
        QVERIFY(QFile::exists(QStringLiteral("advanced-net.xml")));
        QVERIFY(QFile::exists(QStringLiteral("expert-net.xml")));
        QVERIFY(tree(0)->isOnline());

        // Back offline the local lists return.
        view->on_actionOnline_toggled(false);
        QCOMPARE(tree(0)->topLevelItemCount(), 0);
        QVERIFY(!tree(0)->isOnline());
    }

    void listThroughRedirect()
    {
        openView(server.url(QStringLiteral("redirect/cat")));
        QSignalSpy fetching(view.get(), &TreesView::fetchingSig);
        goOnline(fetching);
        QVERIFY(findRow(tree(0), QStringLiteral("Tone B")));
    }

    void listFailureEndsMaskAndRetries_data()
    {
        QTest::addColumn<QString>("listServer");
        QTest::addColumn<QByteArray>("document");  // served at the list server, when given
        QTest::newRow("500") << server.url(QStringLiteral("status/500/x")) << QByteArray();
        QTest::newRow("404") << server.url(QStringLiteral("status/404/x")) << QByteArray();
        QTest::newRow("redirect loop") << server.url(QStringLiteral("loop/x")) << QByteArray();
        QTest::newRow("cut body") << server.url(QStringLiteral("cut/cat")) << QByteArray();
        QTest::newRow("stall") << server.url(QStringLiteral("stall/cat")) << QByteArray();
        QTest::newRow("unreachable")
            << QStringLiteral("http://127.0.0.1:%1/x").arg(closedPort) << QByteArray();
        QTest::newRow("over 16 MB") << server.url(QStringLiteral("big/17000000/x")) << QByteArray();
        QTest::newRow("missing folder")
            << QUrl::fromLocalFile(root(QStringLiteral("no/such/folder"))).toString()
            << QByteArray();
        QTest::newRow("not xml") << QString() << QByteArray("<rss><channel><item>");
        QTest::newRow("no channel") << QString() << QByteArray("<rss/>");
        QByteArray bomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE rss [\n<!ENTITY a \"aaaaaaaaaa\">\n";
        for (int i = 1; i < 10; ++i)
            bomb += QStringLiteral("<!ENTITY %1 \"%2\">\n")
                        .arg(QChar('a' + i))
                        .arg(QString(QStringLiteral("&%1;").arg(QChar('a' + i - 1))).repeated(10))
                        .toUtf8();
        bomb += "]>\n<rss><channel><item><title>&j;</title><audiourl>x.mp3</audiourl></item>"
                "</channel></rss>\n";
        QTest::newRow("entity expansion") << QString() << bomb;
        // Even a harmless internal subset is refused: no entity is ever declared by a list.
        QTest::newRow("internal subset")
            << QString()
            << QByteArray("<!DOCTYPE rss [<!ENTITY t \"Tone\">]>\n<rss><channel><item>"
                          "<title>&t;</title><audiourl>x.mp3</audiourl></item></channel></rss>");
    }

    void listFailureEndsMaskAndRetries()
    {
        QFETCH(QString, listServer);
        QFETCH(QByteArray, document);
        if (!document.isEmpty())
            listServer = serveList(QStringLiteral("doc_%1").arg(qHash(document)), document);
        openView(listServer);
        QSignalSpy fetching(view.get(), &TreesView::fetchingSig);
        goOnline(fetching);
        QCOMPARE(fetching.size(), 2);  // the mask came and went
        QVERIFY(!view->isFetchingList());
        for (int level = 0; level < 3; ++level) {
            QCOMPARE(tree(level)->topLevelItemCount(), 1);
            QCOMPARE(tree(level)->topLevelItem(0)->text(0), TreesView::listFailedText());
            QVERIFY(!tree(level)->topLevelItem(0)->toolTip(2).isEmpty());
        }
        QVERIFY(!QFile::exists(QStringLiteral("basic-net.xml")));
        if (QByteArray(QTest::currentDataTag()) == "404")
            shoot("online-list-failed.png");

        // A click on the message asks again.
        view->setListServer(server.url(QStringLiteral("cat")));
        clickRow(tree(0), tree(0)->topLevelItem(0));
        QTRY_VERIFY_WITH_TIMEOUT(findRow(tree(0), QStringLiteral("Tone B")), 20000);
        QCOMPARE(fetching.size(), 4);
        QVERIFY(!fetching.last().first().toBool());
    }

    void offlineBeforeListArrives()
    {
        openView(server.url(QStringLiteral("stall/cat")));
        QSignalSpy fetching(view.get(), &TreesView::fetchingSig);
        view->on_actionOnline_toggled(true);
        QVERIFY(view->isFetchingList());
        view->on_actionOnline_toggled(false);
        QVERIFY(!view->isFetchingList());
        QCOMPARE(fetching.size(), 2);
        QVERIFY(!fetching.last().first().toBool());
        QTest::qWait(int(testStall.count()) * 2);  // nothing comes late
        QVERIFY(!tree(0)->isOnline());
        QVERIFY(!QFile::exists(QStringLiteral("basic-net.xml")));
    }

    // ---- the pool ----

    void poolTemporaryAndFinalNames()
    {
        ResNetPool pool;
        QSignalSpy loaded(&pool, &ResNetPool::sigResLoaded);
        const QString lrcUrl = server.url(QStringLiteral("trickle/cat/advanced/abc.lrc"));
        const QString mp3Url = server.url(QStringLiteral("trickle/cat/advanced/abc.mp3"));
        QVERIFY(pool.fetch(lrcUrl, 1, QStringLiteral("./respool/abc.lrc")));
        QVERIFY(pool.fetch(mp3Url, 1, QStringLiteral("./respool/abc.mp3")));
        QVERIFY(QFile::exists(QStringLiteral("respool/abc.lrc.prl1")));
        QVERIFY(QFile::exists(QStringLiteral("respool/abc.mp3.prl1")));
        // Written as the bytes arrive.
        QTRY_VERIFY(QFileInfo(QStringLiteral("respool/abc.mp3.prl1")).size() > 0 &&
                    loaded.size() < 2);
        // No second transfer into the same files.
        QVERIFY(!pool.fetch(mp3Url, 1, QStringLiteral("./respool/abc.mp3")));
        QVERIFY(!pool.fetch(server.url(QStringLiteral("cat/advanced/abc.mp3")), 1,
                            QStringLiteral("./respool/abc.mp3")));
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 2, 20000);
        QStringList reported;
        for (const QList<QVariant>& args : loaded) {
            QCOMPARE(args.at(0).toInt(), 1);
            reported << args.at(1).toString();
        }
        reported.sort();
        QCOMPARE(reported, QStringList({QStringLiteral("./respool/abc.lrc"),
                                        QStringLiteral("./respool/abc.mp3")}));
        QCOMPARE(cacheFiles(), QStringList({QStringLiteral("abc.lrc"), QStringLiteral("abc.mp3")}));
        QCOMPARE(readBytes(QStringLiteral("respool/abc.mp3")),
                 readBytes(root(QStringLiteral("cat/advanced/abc.mp3"))));
    }

    void poolReplacesFinalFileOnlyWhenComplete()
    {
        ResNetPool pool;
        pool.setStallTimeout(testStall);
        QSignalSpy loaded(&pool, &ResNetPool::sigResLoaded);
        QSignalSpy failed(&pool, &ResNetPool::sigResFailed);
        QVERIFY(writeBytes(QStringLiteral("respool/tone_a.mp3"), "the old file"));
        QVERIFY(pool.fetch(server.url(QStringLiteral("cut/cat/basic/tone_a.mp3")), 0,
                           QStringLiteral("./respool/tone_a.mp3")));
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 20000);
        QCOMPARE(loaded.size(), 0);
        QCOMPARE(readBytes(QStringLiteral("respool/tone_a.mp3")), QByteArray("the old file"));
        QCOMPARE(cacheFiles(), QStringList({QStringLiteral("tone_a.mp3")}));

        QVERIFY(pool.fetch(server.url(QStringLiteral("cat/basic/tone_a.mp3")), 0,
                           QStringLiteral("./respool/tone_a.mp3")));
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 20000);
        QCOMPARE(readBytes(QStringLiteral("respool/tone_a.mp3")),
                 readBytes(root(QStringLiteral("cat/basic/tone_a.mp3"))));
        QCOMPARE(cacheFiles(), QStringList({QStringLiteral("tone_a.mp3")}));
    }

    void poolLargeFileStreamed()
    {
        ResNetPool pool;
        QSignalSpy loaded(&pool, &ResNetPool::sigResLoaded);
        constexpr qint64 size = 24 * 1024 * 1024 + 17;
        QVERIFY(pool.fetch(server.url(QStringLiteral("big/%1/large.bin").arg(size)), 2,
                           QStringLiteral("./respool/large.bin")));
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, 60000);
        QFile file(QStringLiteral("respool/large.bin"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.size(), size);
        for (const qint64 at : {qint64(0), qint64(255), size / 2, size - 1}) {
            QVERIFY(file.seek(at));
            QCOMPARE(quint8(file.read(1).at(0)), quint8(at % 256));
        }
    }

    // ---- downloads from the online trees ----

    void downloadProgressBadgeAndOffline()
    {
        const QString slow = serveList(
            QStringLiteral("slow"),
            listDocument(
                {{{QStringLiteral("Slow A"), QStringLiteral("/trickle/cat/basic/tone_a.mp3")},
                  {QStringLiteral("Fast B"), QStringLiteral("../../cat/basic/tone_b.mp3")}}}));
        openView(slow);
        QSignalSpy fetching(view.get(), &TreesView::fetchingSig);
        QSignalSpy badge(view.get(), &TreesView::showNumSig);
        goOnline(fetching);
        QTreeWidgetItem* slowRow = findRow(tree(0), QStringLiteral("Slow A"));
        QVERIFY(slowRow);
        clickRow(tree(0), slowRow);
        const QRegularExpression percent(QStringLiteral("^下载中 \\d{1,3}%$"));
        QTRY_VERIFY_WITH_TIMEOUT(percent.match(slowRow->text(2)).hasMatch(), 20000);
        shoot("online-progress.png");
        QTRY_COMPARE_WITH_TIMEOUT(slowRow->text(2), QStringLiteral("已下载"), 20000);
        QCOMPARE(badge.size(), 1);
        QTreeWidgetItem* fastRow = findRow(tree(0), QStringLiteral("Fast B"));
        clickRow(tree(0), fastRow);
        QTRY_COMPARE_WITH_TIMEOUT(fastRow->text(2), QStringLiteral("已下载"), 20000);
        QCOMPARE(badge.size(), 2);
        QCOMPARE(cacheFiles(),
                 QStringList({QStringLiteral("tone_a.lrc"), QStringLiteral("tone_a.mp3"),
                              QStringLiteral("tone_b.lrc"), QStringLiteral("tone_b.mp3")}));

        // Offline: both join the local list, oldest first (each new row goes on top).
        view->on_actionOnline_toggled(false);
        QTreeWidgetItem* group = findRow(tree(0), QStringLiteral("下载的材料"));
        QVERIFY(group);
        QCOMPARE(group->childCount(), 2);
        QCOMPARE(group->child(0)->text(0), QStringLiteral("Fast B"));
        QCOMPARE(group->child(1)->text(0), QStringLiteral("Slow A"));
        QVERIFY(QFile::exists(QStringLiteral("workspace/tone_a_0.mp3")));
        QVERIFY(QFile::exists(QStringLiteral("workspace/tone_a_0.lrc")));
        QVERIFY(readBytes(QStringLiteral("basicList.xml")).contains("tone_b_0.mp3"));
    }

    void downloadFailureEndsCleanlyAndRetries_data()
    {
        QTest::addColumn<QString>("url");
        QTest::newRow("404") << server.url(QStringLiteral("status/404/m.mp3"));
        QTest::newRow("500") << server.url(QStringLiteral("status/500/m.mp3"));
        QTest::newRow("redirect loop") << server.url(QStringLiteral("loop/m.mp3"));
        QTest::newRow("cut body") << server.url(QStringLiteral("cut/cat/basic/tone_a.mp3"));
        QTest::newRow("stall") << server.url(QStringLiteral("stall/cat/basic/tone_a.mp3"));
        QTest::newRow("unreachable") << QStringLiteral("http://127.0.0.1:%1/m.mp3").arg(closedPort);
    }

    void downloadFailureEndsCleanlyAndRetries()
    {
        QFETCH(QString, url);
        openView(
            serveList(QStringLiteral("one"), listDocument({{{QStringLiteral("Broken"), url}}})));
        QSignalSpy fetching(view.get(), &TreesView::fetchingSig);
        QSignalSpy requested(view.get(), &TreesView::loadresSig);
        goOnline(fetching);
        QTreeWidgetItem* row = findRow(tree(0), QStringLiteral("Broken"));
        QVERIFY(row);
        clickRow(tree(0), row);
        QCOMPARE(requested.size(), 1);
        QVERIFY(row->text(2).startsWith(QStringLiteral("下载中")));
        QTRY_COMPARE_WITH_TIMEOUT(row->text(2), QStringLiteral("点击下载"), 20000);
        QVERIFY2(row->toolTip(2).startsWith(QStringLiteral("下载失败：")),
                 qPrintable(row->toolTip(2)));
        if (QByteArray(QTest::currentDataTag()) == "404")
            shoot("online-download-failed.png");
        const QString name = QFileInfo(QUrl(url).path()).fileName();
        for (const QString& file : cacheFiles()) {
            QVERIFY2(!file.contains(QStringLiteral(".prl")), qPrintable(file));
            QVERIFY2(file != name, qPrintable(file));
        }
        // A click tries again.
        clickRow(tree(0), row);
        QCOMPARE(requested.size(), 2);
        QVERIFY(row->text(2).startsWith(QStringLiteral("下载中")));
        QTRY_COMPARE_WITH_TIMEOUT(row->text(2), QStringLiteral("点击下载"), 20000);
    }

    void unsafeItemsShownUnavailable()
    {
        const QString host = server.url(QString());
        const Items items = {
            {QStringLiteral("empty"), host + QStringLiteral("cat/basic/")},
            {QStringLiteral("dot dot"), host + QStringLiteral("cat/%2E%2E")},
            {QStringLiteral("slash"), host + QStringLiteral("cat/x%2Fy.mp3")},
            {QStringLiteral("backslash"), host + QStringLiteral("cat/x%5Cy.mp3")},
            {QStringLiteral("control"), host + QStringLiteral("cat/x%0Ay.mp3")},
            {QStringLiteral("long"),
             host + QString(201, QLatin1Char('a')) + QStringLiteral(".mp3")},
            {QStringLiteral("ftp"), QStringLiteral("ftp://127.0.0.1/x.mp3")},
            {QStringLiteral("file"),
             QUrl::fromLocalFile(root(QStringLiteral("cat/basic/tone_a.mp3"))).toString()},
            {QStringLiteral("fine"), QStringLiteral("../../cat/basic/tone_b.mp3")},
        };
        openView(serveList(QStringLiteral("unsafe"), listDocument({items})));
        QSignalSpy fetching(view.get(), &TreesView::fetchingSig);
        QSignalSpy requested(view.get(), &TreesView::loadresSig);
        QSignalSpy opened(view.get(), &TreesView::switchSig);
        goOnline(fetching);
        for (const auto& [title, url] : items) {
            QTreeWidgetItem* row = findRow(tree(0), title);
            QVERIFY2(row, qPrintable(title));
            if (title == QLatin1String("fine")) {
                QCOMPARE(row->text(2), QStringLiteral("点击下载"));
                continue;
            }
            QCOMPARE(row->text(2), TreesView::unavailableText());
            QVERIFY(!row->toolTip(2).isEmpty());
            if (title == QLatin1String("slash"))
                shoot("online-unavailable.png");
            clickRow(tree(0), row);
            tree(0)->refreshStates();
            QCOMPARE(row->text(2), TreesView::unavailableText());
        }
        QCOMPARE(requested.size(), 0);
        QCOMPARE(opened.size(), 0);
        QCOMPARE(cacheFiles(), QStringList());
        QCOMPARE(QDir(work->dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name),
                 QStringList({QStringLiteral("advancedList.xml"), QStringLiteral("basic-net.xml"),
                              QStringLiteral("basicList.xml"), QStringLiteral("expertList.xml")}));
    }

    void materialWaitsForItsScript()
    {
        openView(serveList(QStringLiteral("pair"),
                           listDocument({{{QStringLiteral("Slow script"),
                                           QStringLiteral("/slowscript/cat/basic/tone_a.mp3")},
                                          {QStringLiteral("No script"),
                                           QStringLiteral("/noscript/lonely.mp3")}}})));
        QSignalSpy fetching(view.get(), &TreesView::fetchingSig);
        goOnline(fetching);
        clickRow(tree(0), findRow(tree(0), QStringLiteral("Slow script")));
        clickRow(tree(0), findRow(tree(0), QStringLiteral("No script")));
        view->on_actionOnline_toggled(false);  // finished downloads now go straight in
        QTRY_VERIFY_WITH_TIMEOUT(findRow(tree(0), QStringLiteral("Slow script")) &&
                                     findRow(tree(0), QStringLiteral("No script")),
                                 20000);
        QVERIFY(QFile::exists(QStringLiteral("workspace/tone_a_0.mp3")));
        QVERIFY(QFile::exists(QStringLiteral("workspace/tone_a_0.lrc")));
        // A script the server does not have: the material comes without one.
        QVERIFY(QFile::exists(QStringLiteral("workspace/lonely_0.mp3")));
        QVERIFY(!QFile::exists(QStringLiteral("workspace/lonely_0.lrc")));
    }

    void secondRequestStartsNoSecondTransfer()
    {
        openView(serveList(QStringLiteral("twice"),
                           listDocument({{{QStringLiteral("Twice"),
                                           QStringLiteral("/trickle/cat/basic/tone_b.mp3")}}})));
        QSignalSpy fetching(view.get(), &TreesView::fetchingSig);
        QSignalSpy badge(view.get(), &TreesView::showNumSig);
        goOnline(fetching);
        QTreeWidgetItem* row = findRow(tree(0), QStringLiteral("Twice"));
        view->pas_LoadresSig(row->text(3));
        view->pas_LoadresSig(row->text(3));
        QTRY_COMPARE_WITH_TIMEOUT(row->text(2), QStringLiteral("已下载"), 20000);
        QTest::qWait(200);  // a second transfer would end soon after the first
        QCOMPARE(badge.size(), 1);
        QCOMPARE(readBytes(QStringLiteral("respool/tone_b.mp3")),
                 readBytes(root(QStringLiteral("cat/basic/tone_b.mp3"))));
    }

    void netListInTrainsWriterBytes()
    {
        const QByteArray document =
            "<rss><channel>"
            "<item><title>A &amp; &lt;b> ]]&gt; \"q\" 'x'</title>"
            "<audiourl>../m/a b.mp3</audiourl></item>"
            "<item><title>CR&#13;LF&#10;tab&#9;</title>"
            "<audiourl>http://h/x?y=\"1\"&amp;z=&lt;2>&#9;</audiourl></item>"
            "<item><title>plain</title><audiourl>../m/plain.mp3</audiourl></item>"
            "</channel></rss>";
        OnlineList list;
        QString error;
        QVERIFY(list.parse(QString::fromUtf8(document),
                           QUrl(QStringLiteral("http://h/cat/inter/imitate.php")), &error));
        QCOMPARE(list.channelCount(), 1);
        const QList<OnlineList::Item>& items = list.channel(0);
        QCOMPARE(items.at(0).url, QStringLiteral("http://h/cat/m/a%20b.mp3"));
        QCOMPARE(items.at(2).url, QStringLiteral("http://h/cat/m/plain.mp3"));

        // The same document built for the trains-file writer.
        QDomDocument dom;
        QDomElement root = dom.createElement(QStringLiteral("parlino"));
        root.setAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
        dom.appendChild(root);
        QDomElement train = dom.createElement(QStringLiteral("train"));
        train.setAttribute(QStringLiteral("folded"), QStringLiteral("no"));
        root.appendChild(train);
        auto titled = [&](QDomElement parent, const QString& text) {
            QDomElement title = dom.createElement(QStringLiteral("title"));
            title.appendChild(dom.createTextNode(text));
            parent.appendChild(title);
        };
        titled(train, QStringLiteral("声林在线材料"));
        for (const OnlineList::Item& item : items) {
            QDomElement material = dom.createElement(QStringLiteral("case"));
            material.setAttribute(QStringLiteral("url"), item.url);
            titled(material, item.title);
            train.appendChild(material);
        }
        QBuffer written;
        QVERIFY(written.open(QIODevice::WriteOnly));
        QVERIFY(TrainsWriter::write(dom, &written));
        QCOMPARE(list.netListBytes(0), written.data());
    }

    // ---- where the list comes from ----

    void listServerSetting()
    {
        TreesView plain(nullptr, TreesView::Lists::Later);
        QCOMPARE(plain.listServer(),
                 QUrl::fromLocalFile(QDir::current().absoluteFilePath(QStringLiteral("catalogue")))
                     .toString());
        {
            QSettings profile(QStringLiteral("profile.ini"), QSettings::IniFormat);
            profile.setValue(QStringLiteral("ListServer"), QStringLiteral("http://lists.example/"));
        }
        QCOMPARE(plain.listServer(), QStringLiteral("http://lists.example/"));
        plain.setListServer(QStringLiteral("https://teacher.example/class"));
        QCOMPARE(plain.listServer(), QStringLiteral("https://teacher.example/class"));
        QCOMPARE(OnlineList::listUrl(QStringLiteral("http://lists.example/")).toString(),
                 QStringLiteral("http://lists.example/inter/imitate.php"));
        QCOMPARE(OnlineList::listUrl(QStringLiteral(" 192.168.1.5:8000 ")).toString(),
                 QStringLiteral("http://192.168.1.5:8000/inter/imitate.php"));
        QCOMPARE(OnlineList::listUrl(QStringLiteral("/srv/my catalogue/")),
                 QUrl::fromLocalFile(QStringLiteral("/srv/my catalogue/inter/imitate.php")));
    }

    void partialFilesOfEarlierRunPurged()
    {
        QVERIFY(writeBytes(QStringLiteral("respool/a.mp3.prl0"), "partial"));
        QVERIFY(writeBytes(QStringLiteral("respool/a.mp3"), "finished"));
        TreesView fresh(nullptr, TreesView::Lists::Later);
        QCOMPARE(cacheFiles(), QStringList({QStringLiteral("a.mp3")}));
    }
};

QTEST_MAIN(TestOnline)
#include "tst_online.moc"
