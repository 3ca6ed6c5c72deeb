#include "ChatDisplay.h"

#include "client/ChatLog.h"
#include "client/LogInfo.h"

#include <QApplication>
#include <QPalette>
#include <QScrollBar>
#include <QTextCursor>
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

void AppendNewLines(QTextEdit& display, ChatLog& log)
{
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
    display.setTextCursor(cursor);
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

void AlertUnlessActive(QWidget& window)
{
    if (!window.isActiveWindow())
        QApplication::alert(&window);
}

} // namespace ChatDisplay
