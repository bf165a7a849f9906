#include "debuglogbox.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>

#include "debuglog.h"

namespace zam {

void OpenDebugLogInBox(QPlainTextEdit* box) {
  OpenDebugLog([guarded = QPointer<QPlainTextEdit>(box)](const QString& line) {
    if (!guarded) return;
    // Newest on top; inserting at the start keeps a long log cheap.
    QTextCursor cursor(guarded->document());
    cursor.movePosition(QTextCursor::Start);
    cursor.insertText(line + '\n');
  });
}

}  // namespace zam
