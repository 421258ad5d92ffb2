#pragma once
// What the cells of a library row hold; one place for the list reader, the trees and the
// online view. A row has a title, a spacer, a state cell (the word the learner may click:
// export, download, retry…) and a hidden cell with the row's media file name (local lists) or
// address (online lists), which groups and separators leave empty.
#include <QString>
#include <QTreeWidgetItem>

namespace LibraryRow {
enum Column : int { Title = 0, Spacer = 1, State = 2, File = 3 };
// The columns the trees show; the file cell is data the row item holds beyond them.
inline constexpr int kShownColumns = 3;

// A material row (a case), as against a group or a separator.
inline bool isCase(const QTreeWidgetItem* row) { return !row->text(File).isEmpty(); }

// The state cell's words.
inline const QString stateExport = QStringLiteral("导出");
inline const QString stateReview = QStringLiteral("复习");
inline const QString stateFetch = QStringLiteral("点击下载");
inline const QString stateFetching = QStringLiteral("下载中…");
inline const QString stateCached = QStringLiteral("已下载");
inline const QString stateRetry = QStringLiteral("重试");
}  // namespace LibraryRow
