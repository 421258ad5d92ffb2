#pragma once
// SentenceText: how a sentence text from the timeline is turned into what the views show.
// Pure functions; any thread.
//
// A sentence text keeps the line break it had in the sentence file ("\n", "\r\n", or none for
// a last line without one); a line read from a file with bare carriage returns may even hold
// several lines. The views show one paragraph per sentence, so the trailing break is dropped
// and any break inside becomes a line separator (a soft break within the paragraph).
#include <QString>

namespace sentencetext {
// The text as one paragraph: trailing line break removed, inner breaks turned into
// QChar::LineSeparator.
QString paragraph(const QString& text);
// The first line of a paragraph made by paragraph(): everything before the first line
// separator or line break.
QString firstLine(const QString& paragraphText);
// Paragraph and line separators of a selection turned into "\n".
QString plainSelection(const QString& selected);
}  // namespace sentencetext
