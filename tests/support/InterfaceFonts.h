#pragma once
// The faces behind the font names the interface asks for. Text breaks into rows and fits its
// boxes as the tests expect only with the metric-compatible faces that scripts/deps.sh installs
// (fontconfig falls back to wider faces without them), so tests that measure text check this
// first and fail with the reason instead of with a row count. GUI thread, after the
// application object exists (initTestCase).
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QString>
#include <QStringList>

namespace testsupport {

// Empty when every name resolves to its face and a Chinese font is there for the captions;
// otherwise what is wrong, and the cure.
inline QString interfaceFontProblem()
{
    struct Face {
        const char* asked;
        const char* expected;
    };
    static constexpr Face faces[] = {{"Times New Roman", "Liberation Serif"},
                                     {"Arial", "Liberation Sans"}};
    QString problem;
    for (const Face& face : faces) {
        const QString got = QFontInfo(QFont(QString::fromLatin1(face.asked))).family();
        if (got != QLatin1String(face.expected))
            problem += QStringLiteral("\"%1\" resolves to \"%2\", not \"%3\"; ")
                           .arg(QLatin1String(face.asked), got, QLatin1String(face.expected));
    }
    if (QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty())
        problem += QStringLiteral("no font has Chinese characters; ");
    if (!problem.isEmpty())
        problem += QStringLiteral("install the fonts with scripts/deps.sh");
    return problem;
}

}  // namespace testsupport
