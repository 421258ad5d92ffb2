// The gallery, a tool for the eye: every widget in every state, drawn from the compiled-in
// pictures, written as PNG sheets for a person to look at (see GalleryBoard::dir()). It fails
// only when a sheet cannot be made; what the widgets must show is checked by their tests.
#include "BalTipLable.h"
#include "ChromeTabs.h"
#include "EchoraScrollBar.h"
#include "GalleryBoard.h"
#include "OctImgBtn.h"
#include "PhaseTabs.h"
#include "VoicerImg.h"
#include "VolSlider.h"
#include "WeiboNote.h"
#include "WidgetTestKit.h"
#include "wikiSlider.h"

#include <QHoverEvent>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QTest>

namespace {
QPixmap pic(const QString& name) { return QPixmap(QStringLiteral(":/images/") + name); }

QImage shot(OctImgBtn& b, OctImgBtn::Look look)
{
    b.setEnabled(look != OctImgBtn::Disabled);
    b.setDown(look == OctImgBtn::Pressed);
    if (look == OctImgBtn::Hover)
        kit::enter(&b);
    QImage img = b.grab().toImage();
    b.setDown(false);
    kit::leave(&b);
    b.setEnabled(true);
    return img;
}

// The control panel's backdrop: left cap, tiled middle, right cap.
class PanelBackdrop : public QWidget {
public:
    explicit PanelBackdrop(QWidget* parent = nullptr) : QWidget(parent)
    {
        setAttribute(Qt::WA_TranslucentBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QPixmap left = pic(QStringLiteral("bg-float-control-left.png"));
        const QPixmap mid = pic(QStringLiteral("bg-float-control.png"));
        const QPixmap right = pic(QStringLiteral("bg-float-control-right.png"));
        p.drawPixmap(0, 0, left);
        p.drawTiledPixmap(QRect(17, 0, width() - 34, height()), mid);
        p.drawPixmap(width() - 17, 0, right);
    }
};

void setUpPhaseTabs(PhaseTabs& tabs)
{
    tabs.setUsesScrollButtons(false);
    tabs.setTabImages(pic(QStringLiteral("bg-tab-chrome.png")));
    tabs.setTabImages(2, pic(QStringLiteral("bg-tab-chrome-right.png")));
    tabs.setOuterMargins(QMargins(-13, 0, -13, 0));
    tabs.setTabMargins(QMargins(0, 0, 0, 0));
    tabs.setFirstTabIndent(QPoint(210, 0));
    tabs.addTab(QStringLiteral("Passage Imitation@全文模仿"));
    tabs.addTab(QStringLiteral("Listen & Repeat@跟读训练"));
    tabs.addTab(QStringLiteral("Retelling Exercise@复述练习"));
}

void hoverTab(QTabBar& bar, QPoint at)
{
    QHoverEvent e(QEvent::HoverMove, at, at, QPointF(-1, -1));
    QCoreApplication::sendEvent(&bar, &e);
}

QImage onBackground(const QImage& img, QColor bg)
{
    QImage out(img.size(), QImage::Format_ARGB32);
    out.fill(bg);
    QPainter p(&out);
    p.drawImage(0, 0, img);
    return out;
}
}  // namespace

class TestGallery : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void buttons();
    void slidersAndIcons();
    void tabBars();
    void labelsAndPictures();
    void controlPanel();
};

void TestGallery::buttons()
{
    struct Button {
        const char* label;
        const char* sheet;
        bool checkable;
        const char* off;
        const char* on;
    };
    const Button buttons[] = {
        {"recCtrl 录音", "btn-recctrl-check.png", true, "", ""},
        {"play (wikiPauser, oriPlay…)", "btn-wikipauser-check.png", true, "", ""},
        {"wikiStopper", "btn-wikistopper-press.png", false, "", ""},
        {"adjLrc 编辑", "btn-PlotCtrlView-check.png", true, "编辑", "编辑"},
        {"lrcSplit 截断", "btn-PlotCtrlView-press.png", false, "截断", ""},
        {"btnHelp", "btn-help-press.png", false, "", ""},
        {"matShow", "btn-matshow-press.png", false, "", ""},
        {"btnImport", "btn-import-press.png", false, "", ""},
        {"btnOnline", "btn-download-check.png", true, "", ""},
        {"DelConfirm 删除", "btn-popdlg.png", false, "删除", ""},
        {"btnExport", "btn-exporter-export.png", false, "", ""},
        {"btnCancel", "btn-exporter-cancel.png", false, "", ""},
        {"btnChoDir", "btn-exporter-scan.png", false, "", ""},
    };
    GalleryBoard board(
        QStringLiteral("Image buttons: normal, hover, pressed, disabled (unchecked | checked)"), 3);
    const QStringList names{QStringLiteral("normal"), QStringLiteral("pressed"),
                            QStringLiteral("hover"), QStringLiteral("disabled")};
    for (const Button& s : buttons) {
        OctImgBtn b;
        b.setCheckable(s.checkable);
        b.setImages(pic(QString::fromLatin1(s.sheet)), 4);
        b.setTexts(QString::fromUtf8(s.off), QString::fromUtf8(s.on));
        board.row(QString::fromUtf8(s.label));
        for (bool checked : {false, true}) {
            if (checked && !s.checkable)
                break;
            b.setChecked(checked);
            for (auto look :
                 {OctImgBtn::Normal, OctImgBtn::Hover, OctImgBtn::Pressed, OctImgBtn::Disabled}) {
                const QImage img = shot(b, look);
                QCOMPARE(img.size(), b.size());
                board.add(img, (checked ? QStringLiteral("on ") : QString()) + names[look]);
            }
        }
    }
    QVERIFY(!board.save(QStringLiteral("buttons.png")).isEmpty());
}

void TestGallery::slidersAndIcons()
{
    GalleryBoard board(QStringLiteral("Sliders and level icons"), 3);
    board.row(QStringLiteral("VolSlider 0..100"));
    VolSlider vol;
    vol.setRange(0, 100);
    vol.resize(110, 20);
    for (int v : {0, 25, 50, 75, 100}) {
        vol.setValue(v);
        board.add(vol.grab().toImage(), QString::number(v));
    }
    board.row(QStringLiteral("wikiSlider"));
    wikiSlider wiki;
    wiki.resize(260, 20);
    for (float f : {0.0f, 0.4f, 1.0f}) {
        wiki.setProgress(f);
        board.add(wiki.grab().toImage(), QString::number(f));
    }
    const char* levels[] = {"000", "025", "050", "075", "100"};
    board.row(QStringLiteral("VoicerImg volumer%1"));
    for (const char* l : levels)
        board.add(pic(QStringLiteral("volumer%1.png").arg(QLatin1String(l))).toImage(),
                  QLatin1String(l));
    board.row(QStringLiteral("recvol%1 (gain)"));
    for (const char* l : levels)
        board.add(pic(QStringLiteral("recvol%1.png").arg(QLatin1String(l))).toImage(),
                  QLatin1String(l));
    QVERIFY(!board.save(QStringLiteral("sliders.png")).isEmpty());
}

void TestGallery::tabBars()
{
    GalleryBoard board(QStringLiteral("Tab bars: phase tabs, library level tabs, text page dots"),
                       1);
    board.row(QStringLiteral("phase tabs, each selected"));
    PhaseTabs phases;
    setUpPhaseTabs(phases);
    phases.resize(666, phases.sizeHint().height());
    for (int i = 0; i < 3; ++i) {
        phases.setCurrentIndex(i);
        board.add(onBackground(phases.grab().toImage(), Qt::white),
                  QStringLiteral("selected %1").arg(i));
    }
    board.row(QStringLiteral("phase tabs: hover on 1, tab 2 disabled"));
    phases.setCurrentIndex(0);
    phases.setTabEnabled(2, false);
    hoverTab(phases, QPoint(420, 36));
    board.add(onBackground(phases.grab().toImage(), Qt::white), QStringLiteral("hover 1"));

    board.row(QStringLiteral("library levels"));
    ChromeTabs levels;
    levels.setUsesScrollButtons(false);  // the last tab's reserve would overflow the window
    levels.setTabImages(pic(QStringLiteral("bg-tab-mat.png")));
    for (int i = 0; i < 3; ++i) {
        levels.addTab(QString());
        levels.setTabImages(i, pic(QStringLiteral("bg-tab-mat%1.png").arg(i)));
    }
    levels.setTabMargins(QMargins(0, 0, 0, 0));
    levels.setOuterMargins(QMargins(0, -5, 0, -5));
    levels.setFirstTabIndent(QPoint(-2, 0));
    levels.resize(294, levels.sizeHint().height());
    for (int i = 0; i < 3; ++i) {
        levels.setCurrentIndex(i);
        board.add(onBackground(levels.grab().toImage(), Qt::white),
                  QStringLiteral("selected %1").arg(i));
    }
    levels.setCurrentIndex(0);
    hoverTab(levels, QPoint(140, 14));
    board.add(onBackground(levels.grab().toImage(), Qt::white), QStringLiteral("hover 1"));

    board.row(QStringLiteral("text page dots"));
    ChromeTabs dots;
    dots.setUsesScrollButtons(false);
    dots.setTabImages(pic(QStringLiteral("bg-tab-dot.png")));
    dots.setTabMargins(QMargins(5, 4, 5, 1));
    for (int i = 0; i < 3; ++i)
        dots.addTab(QString());
    dots.resize(dots.sizeHint().width() - 200, dots.sizeHint().height());
    for (int i = 0; i < 3; ++i) {
        dots.setCurrentIndex(i);
        hoverTab(dots, QPoint(i == 0 ? 45 : 15, 14));
        board.add(onBackground(dots.grab().toImage(), Qt::white),
                  QStringLiteral("selected %1").arg(i));
    }
    QVERIFY(!board.save(QStringLiteral("tabs.png")).isEmpty());
}

void TestGallery::labelsAndPictures()
{
    GalleryBoard board(QStringLiteral("Balloon, badge, scroll bar, pictures"), 2);
    board.row(QStringLiteral("balloon tip"));
    QWidget host;
    host.resize(120, 40);
    BalTipLable::showTip(QPoint(60, 35), QStringLiteral("材料全文"), &host);
    board.add(onBackground(host.grab().toImage(), Qt::white), QStringLiteral("材料全文"));

    board.row(QStringLiteral("library strip with badge"));
    QWidget strip;
    strip.resize(200, 34);
    auto* import = new OctImgBtn(&strip);
    import->setImages(pic(QStringLiteral("btn-import-press.png")), 4);
    import->move(4, 6);
    auto* online = new OctImgBtn(&strip);
    online->setCheckable(true);
    online->setImages(pic(QStringLiteral("btn-download-check.png")), 4);
    online->move(75, 6);
    auto* note = new WeiboNote(&strip);
    note->setPixmap(pic(QStringLiteral("bg-matnum.png")));
    note->setLayoutDirection(Qt::RightToLeft);
    QPalette pal = note->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    note->setPalette(pal);
    note->setGeometry(174, 0, 20, 32);
    online->setChecked(true);
    for (int n : {3, 9}) {
        note->clearCount();
        note->addCount(n);
        board.add(onBackground(strip.grab().toImage(), Qt::white), QStringLiteral("%1 new").arg(n));
    }

    board.row(QStringLiteral("scroll bar: top, middle, end"));
    EchoraScrollBar bar;
    bar.resize(11, 120);
    bar.setRange(0, 200);
    bar.setPageStep(100);
    for (int v : {0, 100, 200}) {
        bar.setValue(v);
        board.add(bar.grab().toImage(), QString::number(v));
    }

    board.row(QStringLiteral("program icon (ico sizes)"));
    QImageReader ico(QStringLiteral(":/images/Echora.ico"));
    for (int i = 0; i < ico.imageCount(); ++i) {
        ico.jumpToImage(i);
        const QImage img = ico.read();
        if (img.width() <= 64)
            board.add(onBackground(img, Qt::white), QString::number(img.width()));
    }
    board.row(QStringLiteral("export title, tree export mark"));
    board.add(onBackground(pic(QStringLiteral("bg-export-wndicon.png")).toImage(),
                           QColor(240, 240, 240)));
    board.add(onBackground(pic(QStringLiteral("bg-export-pointer.png")).toImage(), Qt::white));
    QVERIFY(!board.save(QStringLiteral("labels.png")).isEmpty());

    GalleryBoard mask(QStringLiteral("Loading overlay (frames 0, 3, 6)"), 1);
    QImageReader gif(QStringLiteral(":/images/loadingmask.gif"));
    mask.row(QString());
    for (int i = 0; i < 7; ++i) {
        const QImage frame = gif.read();
        if (i % 3 == 0)
            mask.add(frame, QString::number(i));
    }
    QVERIFY(!mask.save(QStringLiteral("loading.png")).isEmpty());
}

void TestGallery::controlPanel()
{
    // The panel as the main window could lay it out: phase tabs across the panel, the
    // recording controls in the first tab's indent, the small buttons in the second row.
    PanelBackdrop panel;
    panel.resize(666, 90);
    auto* tabs = new PhaseTabs(&panel);
    setUpPhaseTabs(*tabs);
    tabs->setGeometry(0, 4, 666, 48);
    auto* rec = new OctImgBtn(&panel);
    rec->setCheckable(true);
    rec->setImages(pic(QStringLiteral("btn-recctrl-check.png")), 4);
    rec->move(14, 16);
    auto* gainIcon = new QLabel(&panel);
    gainIcon->setPixmap(pic(QStringLiteral("recvol025.png")));
    gainIcon->setGeometry(108, 22, 20, 13);
    auto* gain = new VolSlider(&panel);
    gain->setRange(0, 100);
    gain->setValue(20);
    gain->setGeometry(130, 19, 62, 20);
    auto* edit = new OctImgBtn(&panel);
    edit->setCheckable(true);
    edit->setImages(pic(QStringLiteral("btn-PlotCtrlView-check.png")), 4);
    edit->setTexts(QStringLiteral("编辑"), QStringLiteral("编辑"));
    edit->move(14, 60);
    auto* split = new OctImgBtn(&panel);
    split->setImages(pic(QStringLiteral("btn-PlotCtrlView-press.png")), 4);
    split->setTexts(QStringLiteral("截断"), QString());
    split->move(53, 60);
    auto* help = new OctImgBtn(&panel);
    help->setImages(pic(QStringLiteral("btn-help-press.png")), 4);
    help->move(610, 62);
    auto* mat = new OctImgBtn(&panel);
    mat->setImages(pic(QStringLiteral("btn-matshow-press.png")), 4);
    mat->move(633, 62);

    GalleryBoard board(
        QStringLiteral("Control panel (mock layout): idle, and recording in phase 1"), 1);
    board.row(QStringLiteral("idle"));
    board.add(onBackground(panel.grab().toImage(), QColor(60, 70, 80)));
    board.row(QStringLiteral("recording, edit on"));
    tabs->setCurrentIndex(1);
    rec->setChecked(true);
    edit->setChecked(true);
    board.add(onBackground(panel.grab().toImage(), QColor(60, 70, 80)));
    QVERIFY(!board.save(QStringLiteral("panel.png")).isEmpty());
}

QTEST_MAIN(TestGallery)
#include "gallery.moc"
