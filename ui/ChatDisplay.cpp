#include "ChatDisplay.h"

#include "client/ChatLog.h"
#include "client/LogInfo.h"

#include <QApplication>
#include <QPalette>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QWidget>

namespace ChatDisplay
{

QColor LineColour(int16_t state)
{
    if (state == LogLocal)
        return QColor(0, 0, 255);
    if (state == LogReceived)
        return QColor(255, 0, 0);
    return {};
}

// The display keeps the tail its log keeps: as many lines (blocks: a message may hold
// line breaks of its own, so they are counted too), and no more text. Past either bound
// the oldest quarter goes in one edit: each edit lays the document out again, which for
// long lines costs far more than the text itself. No undo history: a read-only display
// needs none, and it would keep every line ever inserted.
static void KeepTail(QTextDocument& document)
{
    if (document.blockCount() <= ChatLog::MaxLines &&
        document.characterCount() <= ChatLog::MaxChars)
        return;
    int blocks = document.blockCount();
    qsizetype chars = document.characterCount();
    QTextBlock keep = document.begin();
    while (keep.next().isValid() &&
           (blocks > ChatLog::MaxLines * 3 / 4 || chars > ChatLog::MaxChars * 3 / 4)) {
        --blocks;
        chars -= keep.length();
        keep = keep.next();
    }
    QTextCursor head(&document);
    head.setPosition(keep.position(), QTextCursor::KeepAnchor);
    head.removeSelectedText();
}

static void AppendLine(QTextCursor& cursor, const QString& text, const QColor& colour)
{
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format = cursor.charFormat();
    if (colour.isValid())
        format.setForeground(colour);
    // insertText takes the text as it is: "<b>" stays four characters.
    cursor.insertText(text + QStringLiteral("\r\n"), format);
}

static void ShowNewest(QTextEdit& display)
{
    KeepTail(*display.document());
    display.setTextCursor(QTextCursor(display.document()));
    display.moveCursor(QTextCursor::End);
    display.ensureCursorVisible();
}

void AppendNewLines(QTextEdit& display, ChatLog& log)
{
    if (display.document()->isUndoRedoEnabled())
        display.document()->setUndoRedoEnabled(false);
    QTextCursor cursor(display.document());
    QString text;
    int16_t state = 0;
    while (!log.GetNext(text, state))
        AppendLine(cursor, text, LineColour(state));
    ShowNewest(display);
}

void AppendEarlier(QTextEdit& display, const std::vector<history::Line>& lines)
{
    if (lines.empty())
        return;
    if (display.document()->isUndoRedoEnabled())
        display.document()->setUndoRedoEnabled(false);
    QTextCursor cursor(display.document());
    for (const history::Line& line : lines)
        AppendLine(cursor, line.shown, LineColour(line.state));
    AppendLine(cursor, QStringLiteral("―――――― ここまでは以前の会話です ――――――"),
               QColor(128, 128, 128));
    ShowNewest(display);
}

void GreyOut(QWidget& widget)
{
    QPalette palette = widget.palette();
    const QColor grey(192, 192, 192);
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, grey);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

void Restore(QWidget& widget)
{
    widget.setPalette(QPalette());
    widget.setAutoFillBackground(false);
}

void AlertUnlessActive(QWidget& window)
{
    if (!window.isActiveWindow())
        QApplication::alert(&window);
}

} // namespace ChatDisplay
