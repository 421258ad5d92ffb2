// Renders the pitch contours over a sentence's waveform row for a person to look at
// (pitch-overlay.png, and pitch-overlay-2x.png enlarged): a sentence of real speech from the
// shared test data, the same words spoken by espeak-ng as the learner, and the recording row
// with its score; below them a silent take's row. Checks that both contours are drawn in
// their colours over the bars and that the score is on the recording row.
#include "PitchScorer.h"
#include "PlotView.h"
#include "Ploter.h"
#include "TestSupport.h"

#include <QDeadlineTimer>
#include <QPainter>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QColor kTint(27, 177, 255, 82);  // the practice controller's tint of every row

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

bool scoreWith(PitchScorer& scorer, const PlotIdentifier& model, const QString& recording)
{
    QSignalSpy spy(&scorer, &PitchScorer::sigScoreDone);
    scorer.doScore(model, recording);
    return spy.wait(60000);
}

int countPixels(const QImage& image, const std::function<bool(QColor)>& wanted)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += wanted(image.pixelColor(x, y)) ? 1 : 0;
    return n;
}

bool isMagenta(QColor c) { return c.red() > 200 && c.green() < 90 && c.blue() > 200; }
bool isWhite(QColor c) { return c.red() > 230 && c.green() > 230 && c.blue() > 230; }

QImage stack(const std::vector<QWidget*>& views, int spacing)
{
    const int h = int(views.size()) * (26 + spacing) + spacing;
    QImage sheet(482 + 16, h, QImage::Format_RGB32);
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

class TestPitchPicture : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void overlayOnRealSpeech()
    {
        const QString data = testsupport::testDataDir();
        const QString speech = data + QStringLiteral("/speech/jfk.wav");
        if (data.isEmpty() || !QFile::exists(speech))
            QSKIP("no shared speech recordings");
        if (QStandardPaths::findExecutable(QStringLiteral("espeak-ng")).isEmpty())
            QSKIP("espeak-ng is not installed");
        QTemporaryDir dir;
        const QString wav = dir.filePath(QStringLiteral("learner.wav"));
        const QString learner = dir.filePath(QStringLiteral("learner.mp3"));
        QVERIFY(
            testsupport::run(QStringLiteral("espeak-ng"),
                             {QStringLiteral("-v"), QStringLiteral("en-us"), QStringLiteral("-s"),
                              QStringLiteral("140"), QStringLiteral("-w"), wav,
                              QStringLiteral("Ask not what your country can do for you.")}));
        QVERIFY(
            testsupport::run(QStringLiteral("ffmpeg"),
                             {QStringLiteral("-nostdin"), QStringLiteral("-loglevel"),
                              QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-i"),
                              wav, QStringLiteral("-af"), QStringLiteral("adelay=400"),
                              QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), learner}));
        const QString silent = dir.filePath(QStringLiteral("silent.mp3"));
        QVERIFY(testsupport::makeAudio(silent, QStringLiteral("anullsrc=r=44100:cl=mono:d=3"),
                                       {QStringLiteral("-c:a"), QStringLiteral("libmp3lame")}));

        // "ask not what your country can do for you," runs from 3 s to 8 s.
        const PlotIdentifier sentence{speech, 3, 8};
        Ploter ploter;
        QVERIFY(waitFor(ploter, sentence));
        QVERIFY(waitFor(ploter, PlotIdentifier{learner, -1, -1}));
        QVERIFY(waitFor(ploter, PlotIdentifier{silent, -1, -1}));
        PitchScorer scorer;
        QVERIFY(scoreWith(scorer, sentence, learner));
        const ContourScore score = scorer.score();
        QVERIFY(score.scored());
        qInfo("intonation %d, rhythm %d", score.intonation, score.rhythm);

        PlotView pce(nullptr);
        pce.setTintColor(kTint);
        pce.setPixmap(ploter.pixmap(sentence));
        pce.setProgress(0.4f);
        PlotView bare(nullptr);
        bare.setTintColor(kTint);
        bare.setPixmap(ploter.pixmap(sentence));
        bare.setProgress(0.4f);
        pce.setPitchOverlay(PitchOverlay{score.modelLine, score.learnerLine});
        PlotView rec(nullptr);
        rec.setTintColor(kTint);
        rec.setPixmap(ploter.pixmap(PlotIdentifier{learner, -1, -1}));
        rec.setNote(QStringLiteral("语调 %1  节奏 %2").arg(score.intonation).arg(score.rhythm));
        PlotView quiet(nullptr);
        quiet.setTintColor(kTint);
        quiet.setPixmap(ploter.pixmap(PlotIdentifier{silent, -1, -1}));
        quiet.setNote(QStringLiteral("没有录到声音"));

        const QImage sheet = stack({&bare, &pce, &rec, &quiet}, 14);
        QVERIFY(sheet.save(QStringLiteral("pitch-overlay.png")));
        QVERIFY(sheet.scaled(sheet.size() * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .save(QStringLiteral("pitch-overlay-2x.png")));

        // Both contours are drawn in their own colours, over the tinted bars.
        const QImage drawn = pce.grab().toImage();
        const QImage plain = bare.grab().toImage();
        QVERIFY2(countPixels(drawn, isMagenta) > 60,
                 qPrintable(QString::number(countPixels(drawn, isMagenta))));
        QCOMPARE(countPixels(plain, isMagenta), 0);
        QVERIFY(countPixels(drawn, isWhite) > countPixels(plain, isWhite) + 60);
        // The score sits at the recording row's right end, white on a dark box.
        const QImage noted = rec.grab().toImage();
        const QImage right = noted.copy(noted.width() - 60, 0, 60, noted.height());
        QVERIFY(countPixels(right, isWhite) > 20);
    }
};

QTEST_MAIN(TestPitchPicture)
#include "tst_pitchpicture.moc"
