#include "SentenceText.h"

namespace sentencetext {

namespace {
bool isBreak(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator;
}
}  // namespace

QString paragraph(const QString& text)
{
    qsizetype end = text.size();
    if (end > 0 && text.at(end - 1) == QLatin1Char('\n'))
        --end;
    if (end > 0 && text.at(end - 1) == QLatin1Char('\r'))
        --end;
    if (end == text.size() && end > 0 && isBreak(text.at(end - 1)))
        --end;
    QString out;
    out.reserve(end);
    for (qsizetype i = 0; i < end; ++i) {
        const QChar c = text.at(i);
        if (!isBreak(c)) {
            out.append(c);
            continue;
        }
        // "\r\n" is one break.
        if (c == QLatin1Char('\r') && i + 1 < end && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        out.append(QChar::LineSeparator);
    }
    return out;
}

QString firstLine(const QString& paragraphText)
{
    for (qsizetype i = 0; i < paragraphText.size(); ++i) {
        if (isBreak(paragraphText.at(i)))
            return paragraphText.left(i);
    }
    return paragraphText;
}

QString plainSelection(const QString& selected)
{
    QString out = selected;
    for (QChar& c : out) {
        if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char('\n');
    }
    return out;
}

}  // namespace sentencetext
