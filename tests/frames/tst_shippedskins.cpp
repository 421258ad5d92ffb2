// The skins that ship with the program, as the windows use them: the main window's skin (three
// buttons, and close-hides without title for its library window) and the dialogs' skin on a
// plain dialog. Each window is also rendered to PNG for a person to look at.
#include "QSkinObject.h"
#include "QSkinWidgetResizeHandler.h"
#include "SkinFixture.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTest>
#include <QTextEdit>
#include <QVBoxLayout>

using namespace skinfixture;

namespace {
const QString kMainSkin = QStringLiteral("./skin/main.ini");
const QString kExporterSkin = QStringLiteral("./skin/exporter.ini");

QString pictureDir()
{
    const QString dir = qEnvironmentVariableIsSet("ECHORA_SKIN_PICTURES")
                            ? qEnvironmentVariable("ECHORA_SKIN_PICTURES")
                            : QStringLiteral("skin-pictures");
    QDir().mkpath(dir);
    return dir;
}

// The window as the X server shows it, with a margin of whatever lies around it.
bool savePicture(const QWidget* window, const QString& name)
{
    return onScreen(window, 8).save(pictureDir() + QLatin1Char('/') + name);
}

QSize elementSize(QSvgRenderer& svg, const QString& id)
{
    return svg.transformForElement(id).mapRect(svg.boundsOnElement(id)).toRect().size();
}

// A window icon, drawn here: the frames library has no pictures of its own.
QIcon roundIcon()
{
    QPixmap p(32, 32);
    p.fill(Qt::transparent);
    QPainter painter(&p);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0xff, 0xb0, 0x30));
    painter.setPen(Qt::white);
    painter.drawEllipse(2, 2, 28, 28);
    return QIcon(p);
}
}  // namespace

class TestShippedSkins : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hasEveryElement_data()
    {
        QTest::addColumn<QString>("svg");
        QTest::newRow("main") << QStringLiteral("/skin/main.svg");
        QTest::newRow("exporter") << QStringLiteral("/skin/exporter.svg");
    }
    void hasEveryElement()
    {
        QFETCH(QString, svg);
        QSvgRenderer renderer(QCoreApplication::applicationDirPath() + svg);
        QVERIFY(renderer.isValid());
        QStringList ids = {"border_topleft",    "border_top",         "border_topright",
                           "border_right",      "border_bottomright", "border_bottom",
                           "border_bottomleft", "border_left"};
        for (const char* kind : {"minimize", "maximize", "close"})
            for (const char* state : {"normal", "hover", "pressed"})
                ids << QStringLiteral("%1_button_%2")
                           .arg(QLatin1String(kind), QLatin1String(state));
        for (const QString& id : ids) {
            QVERIFY2(renderer.elementExists(id), qPrintable(id));
            QVERIFY2(!elementSize(renderer, id).isEmpty(), qPrintable(id));
        }
        // The buttons fit in the top border, and the top-right piece holds the three.
        const int top = elementSize(renderer, QStringLiteral("border_top")).height();
        for (const char* kind : {"minimize", "maximize", "close"}) {
            const QSize normal =
                elementSize(renderer, QStringLiteral("%1_button_normal").arg(QLatin1String(kind)));
            QVERIFY(normal.height() < top);
            for (const char* state : {"hover", "pressed"})
                QCOMPARE(elementSize(renderer, QStringLiteral("%1_button_%2")
                                                   .arg(QLatin1String(kind), QLatin1String(state))),
                         normal);
        }
    }

    void settingsLoad_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::newRow("main") << kMainSkin;
        QTest::newRow("exporter") << kExporterSkin;
    }
    void settingsLoad()
    {
        QFETCH(QString, settings);
        QWidget w;
        QSkinObject s(&w, QSkinObject::MinMaxClose);
        s.setSkinFile(settings);
        QVERIFY(s.loadSkin());
        QCOMPARE(s.titleColor(), QColor(Qt::white));
        QCOMPARE(s.alphaValue(), 1.0);
        QVERIFY(s.titleFont().bold());
        QVERIFY(s.backgroundColor().lightness() > 200);
        QVERIFY(QFileInfo(s.svgFile()).isFile());
    }

    // The main window's skin on a window like the main window: margins from the SVG, the
    // rounded outline, the three buttons drawn; pictures of it plain, hovered and pressed.
    void mainWindow()
    {
        QWidget w;
        w.setWindowTitle(QStringLiteral("声林口语训练软件"));
        w.setWindowIcon(roundIcon());
        auto* layout = new QVBoxLayout(&w);
        auto* text =
            new QTextEdit(QStringLiteral("The main window's content sits inside the frame."));
        layout->addWidget(text);
        w.setFixedSize(666, 480);
        w.move(100, 80);
        QSkinObject s(&w, QSkinObject::MinMaxClose, &w);
        s.setSkinFile(kMainSkin);
        s.startSkinning();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(s.isSkinning());
        QCOMPARE(w.pos(), QPoint(100, 80));

        QSvgRenderer svg(s.svgFile());
        const QMargins expected(elementSize(svg, QStringLiteral("border_left")).width(),
                                elementSize(svg, QStringLiteral("border_top")).height(),
                                elementSize(svg, QStringLiteral("border_right")).width(),
                                elementSize(svg, QStringLiteral("border_bottom")).height());
        QCOMPARE(w.contentsMargins(), expected);
        QVERIFY(expected.top() > expected.left());
        QVERIFY(!w.mask().contains(QPoint(0, 0)));
        QVERIFY(!w.mask().contains(QPoint(665, 0)));
        QVERIFY(w.mask().contains(QPoint(333, 0)));
        QVERIFY(text->geometry().top() >= expected.top());

        const QRect close = s.buttonRect(QSkinObject::Close);
        const QRect max = s.buttonRect(QSkinObject::Maximize);
        QVERIFY(!s.buttonRect(QSkinObject::Minimize).isEmpty());
        QVERIFY(close.bottom() < expected.top());
        const QImage plain = w.grab().toImage();
        QTRY_VERIFY(savePicture(&w, QStringLiteral("main-window.png")));

        mouse(&w, QEvent::MouseMove, w.pos() + close.center());
        const QImage hovered = w.grab().toImage();
        QVERIFY(hovered.pixelColor(close.topLeft() + QPoint(3, 3)) !=
                plain.pixelColor(close.topLeft() + QPoint(3, 3)));
        // The screen shows the hovered button before it is pictured.
        const QPoint inClose = close.topLeft() + QPoint(3, 3);
        QTRY_COMPARE(onScreen(&w).pixelColor(inClose), hovered.pixelColor(inClose));
        QTRY_VERIFY(savePicture(&w, QStringLiteral("main-window-close-hover.png")));
        mouse(&w, QEvent::MouseMove, w.pos() + QPoint(333, 300));
        mouse(&w, QEvent::MouseButtonPress, w.pos() + max.center(), Qt::LeftButton, Qt::LeftButton);
        const QImage pressed = w.grab().toImage();
        QVERIFY(pressed.pixelColor(max.topLeft() + QPoint(3, 3)) !=
                plain.pixelColor(max.topLeft() + QPoint(3, 3)));
        const QPoint inMax = max.topLeft() + QPoint(3, 3);
        QTRY_COMPARE(onScreen(&w).pixelColor(inMax), pressed.pixelColor(inMax));
        QTRY_VERIFY(savePicture(&w, QStringLiteral("main-window-maximize-pressed.png")));
        mouse(&w, QEvent::MouseButtonRelease, w.pos() + QPoint(333, 300), Qt::LeftButton);
    }

    // The library window's use: close hides, no title.
    void libraryWindow()
    {
        QWidget owner;
        auto* lib = new QWidget(&owner);
        lib->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
        auto* layout = new QVBoxLayout(lib);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new QTextEdit(QStringLiteral("Library")));
        lib->setFixedSize(294, 570);
        lib->move(780, 80);
        QSkinObject s(lib, QSkinObject::CloseHides | QSkinObject::NoTitle, lib);
        s.setSkinFile(kMainSkin);
        s.startSkinning();
        lib->setWindowTitle(QStringLiteral("not drawn"));
        lib->show();
        QVERIFY(QTest::qWaitForWindowExposed(lib));
        QVERIFY(s.isSkinning());
        QVERIFY(lib->windowFlags().testFlag(Qt::Tool));
        QVERIFY(lib->windowFlags() & Qt::FramelessWindowHint);
        QTRY_VERIFY(savePicture(lib, QStringLiteral("library-window.png")));
        click(lib, s.buttonRect(QSkinObject::Close).center());
        QVERIFY(lib->isHidden());
    }

    // The dialogs' skin on a plain dialog, as the export dialog will use it.
    void exporterDialog()
    {
        QDialog d;
        d.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
        d.setAttribute(Qt::WA_TranslucentBackground);
        d.setWindowTitle(QStringLiteral("导出录音"));
        d.setWindowIcon(roundIcon());
        auto* layout = new QVBoxLayout(&d);
        layout->addWidget(new QLabel(QStringLiteral("Export the recordings to a folder.")));
        auto* row = new QHBoxLayout;
        row->addStretch();
        row->addWidget(new QPushButton(QStringLiteral("Export")));
        layout->addLayout(row);
        d.resize(360, 180);
        d.move(300, 300);
        QSkinObject s(&d, QSkinObject::CloseOnly, &d);
        s.setSkinFile(kExporterSkin);
        s.startSkinning();
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QVERIFY(s.isSkinning());
        QVERIFY(d.windowFlags().testFlag(Qt::Tool));
        QVERIFY(d.testAttribute(Qt::WA_TranslucentBackground));
        QVERIFY(!d.mask().contains(QPoint(0, 0)));
        QVERIFY(!d.mask().contains(QPoint(359, 179)));
        QVERIFY(d.mask().contains(QPoint(180, 90)));
        QVERIFY(s.buttonRect(QSkinObject::Maximize).isEmpty());
        QTRY_VERIFY(savePicture(&d, QStringLiteral("exporter-dialog.png")));
        // It moves by its title bar.
        const QPoint from = d.pos() + QPoint(100, 10);
        drag(&d, from, from + QPoint(-40, 25));
        QTRY_COMPARE(d.pos(), QPoint(260, 325));
        // Its close button rejects the dialog.
        QSignalSpy finished(&d, &QDialog::finished);
        click(&d, s.buttonRect(QSkinObject::Close).center());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Rejected));
        QVERIFY(d.isHidden());
    }
};

QTEST_MAIN(TestShippedSkins)
#include "tst_shippedskins.moc"
