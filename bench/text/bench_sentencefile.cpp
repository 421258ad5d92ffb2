// Reading a 10,000-line GB18030 sentence file (the encoding most Chinese-made sentence files
// use), against the same lines written in UTF-8, which the reader takes without guessing.
//   bench_sentencefile [runs]
#include "BenchSupport.h"
#include "SentenceFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <cstdio>

namespace {
constexpr int kLines = 10000;
constexpr double kTargetMs = 30;

QString lines()
{
    QString text;
    for (int i = 0; i < kLines; ++i) {
        const double t = i * 3.2;
        text += QStringLiteral("[%1:%2]第%3句：我们每天练习英语口语，Practice makes perfect.\r\n")
                    .arg(int(t / 60), 2, 10, QLatin1Char('0'))
                    .arg(t - 60 * int(t / 60), 5, 'f', 2, QLatin1Char('0'))
                    .arg(i + 1);
    }
    return text;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

bool readsAll(const QString& path, const char* encoding)
{
    const SentenceTimeline t = readSentenceFile(path);
    return t.times.size() == size_t(kLines) && t.encoding == QLatin1String(encoding);
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(5, atoi(argv[1])) : 9;
    QTemporaryDir dir;
    const QString text = lines();
    QStringEncoder toGb("GB18030");
    const QString gb = dir.filePath(QStringLiteral("gb18030.lrc"));
    const QString utf8 = dir.filePath(QStringLiteral("utf8.lrc"));
    if (!writeFile(gb, toGb.encode(text)) || !writeFile(utf8, text.toUtf8())) {
        std::fprintf(stderr, "cannot write the inputs\n");
        return 1;
    }
    const auto [gbMs, utf8Ms] = bench::medianPair(
        runs, [&] { return readsAll(gb, "GB18030"); }, [&] { return readsAll(utf8, "UTF-8"); });
    if (gbMs < 0 || utf8Ms < 0) {
        std::fprintf(stderr, "a file did not read as expected\n");
        return 1;
    }
    bench::row(QStringLiteral("10,000-line GB18030 sentence file read"), bench::amount(gbMs, "ms"),
               bench::amount(utf8Ms, "ms") + QStringLiteral(" (same lines, UTF-8)"), gbMs / utf8Ms,
               QStringLiteral("≤ 30 ms"), gbMs <= kTargetMs);
    return 0;
}
