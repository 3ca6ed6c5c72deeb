#include "ChatDisplay.h"

#include "client/ChatLog.h"
#include "client/LogInfo.h"

#include <QApplication>
#include <QPalette>
#include <QScrollBar>
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
// line breaks of its own, so they are counted too), and no more text. Without an undo
// history: a read-only display needs none, and it would keep every line ever inserted.
static void KeepTail(QTextDocument& document)
{
    if (document.isUndoRedoEnabled())
        document.setUndoRedoEnabled(false);
    if (document.maximumBlockCount() != ChatLog::MaxLines)
        document.setMaximumBlockCount(ChatLog::MaxLines);
    if (document.characterCount() <= ChatLog::MaxChars)
        return;
    QTextCursor head(&document);
    while (document.characterCount() > ChatLog::MaxChars && document.blockCount() > 1) {
        head.movePosition(QTextCursor::Start);
        head.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
        head.removeSelectedText();
    }
}

void AppendNewLines(QTextEdit& display, ChatLog& log)
{
    KeepTail(*display.document());
    QTextCursor cursor(display.document());
    QString text;
    int16_t state = 0;
    while (!log.GetNext(text, state)) {
        cursor.movePosition(QTextCursor::End);
        QTextCharFormat format = cursor.charFormat();
        if (const QColor colour = LineColour(state); colour.isValid())
            format.setForeground(colour);
        // insertText takes the text as it is: "<b>" stays four characters.
        cursor.insertText(text + QStringLiteral("\r\n"), format);
    }
    KeepTail(*display.document());
    display.setTextCursor(QTextCursor(display.document()));
    display.moveCursor(QTextCursor::End);
    display.ensureCursorVisible();
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
