// Renders the waveform strips and the control panel to PNG files in the build folder for
// a person to look at: the three rows of a practice (whole material with its sentences,
// one sentence, a recording) from real speech, the caption states and the panel.
#include "PanelView.h"
#include "PlotView.h"
#include "Ploter.h"
#include "TestSupport.h"
#include "WaveImage.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QPainter>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>
#include <set>

namespace {
// Cue start times of a subtitle file, in seconds: the material's sentence timeline.
std::vector<float> cueStarts(const QString& path)
{
    std::vector<float> times;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return times;
    static const QRegularExpression cue(QStringLiteral("^(\\d+):(\\d+):(\\d+)[,.](\\d+)\\s+-->"));
    while (!file.atEnd()) {
        const QRegularExpressionMatch m = cue.match(QString::fromUtf8(file.readLine()));
        if (m.hasMatch())
            times.push_back(float(m.captured(1).toInt() * 3600 + m.captured(2).toInt() * 60 +
                                  m.captured(3).toInt()) +
                            float(m.captured(4).toInt()) / 1000.0f);
    }
    return times;
}

bool waitFor(Ploter& ploter, const PlotIdentifier& id)
{
    QSignalSpy spy(&ploter, &Ploter::sigPlotDone);
    ploter.doPlot(id);
    QDeadlineTimer deadline(60000);
    while (!ploter.pixmap(id)) {
        if (deadline.hasExpired())
            return false;
        spy.wait(100);
    }
    return true;
}

// The strips stacked with the main window's spacing on a dark ground.
QImage stack(const std::vector<QWidget*>& views, int spacing)
{
    const int w = 482 + 16;
    const int h = int(views.size()) * (26 + spacing) + spacing;
    QImage sheet(w, h, QImage::Format_RGB32);
    sheet.fill(QColor(24, 60, 84));
    QPainter painter(&sheet);
    int y = spacing;
    for (QWidget* view : views) {
        painter.drawImage(8, y, view->grab().toImage());
        y += 26 + spacing;
    }
    return sheet;
}
}  // namespace

class TestPlotPictures : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void practiceRows();
    void captions();
    void panel();
};

void TestPlotPictures::practiceRows()
{
    const QString data = testsupport::testDataDir();
    const QString material = data + QStringLiteral("/speech/sonnet001.mp3");
    const QString recording = data + QStringLiteral("/speech/jfk.wav");
    if (data.isEmpty() || !QFile::exists(material) || !QFile::exists(recording))
        QSKIP("no shared speech recordings");
    const std::vector<float> times = cueStarts(data + QStringLiteral("/speech/sonnet001.srt"));
    QVERIFY(times.size() > 5);

    Ploter ploter;
    const PlotIdentifier whole{material, -1, -1};
    const PlotIdentifier sentence{material, times[3], times[4]};
    const PlotIdentifier voice{recording, -1, -1};
    QVERIFY(waitFor(ploter, whole));
    QVERIFY(waitFor(ploter, sentence));
    QVERIFY(waitFor(ploter, voice));
    const float duration = ploter.duration(whole);
    QVERIFY(duration > times.back());

    PlotView ori(nullptr);
    ori.setSentenceTimes(&times);
    ori.setDuration(duration);
    ori.setCurrentSentence(3);
    ori.setPixmap(ploter.pixmap(whole));
    ori.setProgress(times[3] / duration + 0.01f);
    PlotView pce(nullptr);
    pce.setPixmap(ploter.pixmap(sentence));
    pce.setProgress(0.4f);
    PlotView rec(nullptr);
    rec.setPixmap(ploter.pixmap(voice));
    rec.setProgress(0.3f);
    const QImage sheet = stack({&ori, &pce, &rec}, 22);
    QVERIFY(sheet.save(QStringLiteral("plot-rows.png")));

    // Speech fills most of the columns, with bars of many heights.
    for (const PlotIdentifier& id : {whole, sentence, voice}) {
        const QImage& picture = *ploter.pixmap(id);
        const int lit = waveimage::countLit(waveimage::litColumns(picture), 0, 560);
        QVERIFY2(lit > 280, qPrintable(QString::number(lit)));
        std::set<int> heights;
        for (int c = 0; c < 561; ++c)
            heights.insert(waveimage::barHeightAt(picture, c));
        QVERIFY(heights.count(-1) == 0);
        QVERIFY2(heights.size() > 10, qPrintable(QString::number(heights.size())));
    }
}

void TestPlotPictures::captions()
{
    PlotView fetching(nullptr);
    fetching.setFetching(true);
    fetching.doPlotting();
    fetching.doPlotting();
    PlotView recording(nullptr);
    recording.setRecording(true);
    for (int i = 0; i < 4; ++i)
        recording.doPlotting();
    PlotView none(nullptr);
    none.setCaption(QStringLiteral("你还没有录音"));
    PlotView material(nullptr);
    material.setCaption(QStringLiteral("请选择练习材料"));
    const QImage sheet = stack({&fetching, &recording, &none, &material}, 10);
    QVERIFY(sheet.save(QStringLiteral("plot-captions.png")));
    QCOMPARE(recording.shownCaption(), QStringLiteral("正在录音...."));
}

void TestPlotPictures::panel()
{
    for (bool filled : {false, true}) {
        PanelView panel(nullptr);
        panel.resize(666, 90);
        panel.setCornerFilled(filled);
        QImage image(666, 90, QImage::Format_ARGB32);
        image.fill(Qt::white);  // what shows through the translucent parts
        QPainter painter(&image);
        painter.drawImage(0, 0, panel.grab().toImage());
        painter.end();
        const QString name =
            filled ? QStringLiteral("panel-filled.png") : QStringLiteral("panel-help.png");
        QVERIFY(image.save(name));
        if (!QFile::exists(QStringLiteral(":/images/bg-float-control.png")))
            continue;
        QVERIFY(panel.hasPictures());
        // The left cap is the compiled-in picture itself.
        const QImage left(QStringLiteral(":/images/bg-float-control-left.png"));
        const QImage grabbed = panel.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(grabbed.pixelColor(5, 45).rgb(),
                 left.convertToFormat(QImage::Format_ARGB32).pixelColor(5, 45).rgb());
    }
}

QTEST_MAIN(TestPlotPictures)
#include "tst_plotpictures.moc"
