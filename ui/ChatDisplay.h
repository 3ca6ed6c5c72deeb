#pragma once

#include "platform/history/HistoryStore.h"

#include <QColor>

#include <cstdint>
#include <vector>

class ChatLog;
class QTextEdit;
class QWidget;

// The conversation display the two chat windows share: lines taken from the window's
// ChatLog, each once, as plain text in the colour of its side.
namespace ChatDisplay
{
// Pure blue for the local side, pure red for received lines; invalid for any other
// state, which keeps the colour the display had.
QColor LineColour(int16_t state);
// Appends every line of `log` not yet shown (the log's read position moves past them)
// followed by CR LF, and scrolls to the newest. The text is never read as markup: it
// comes from the network. Like the log, the display keeps only the newest lines
// (ChatLog::MaxLines blocks, ChatLog::MaxChars characters).
void AppendNewLines(QTextEdit& display, ChatLog& log);
// A conversation's earlier lines from the history, each in the colour of its side, then
// a grey line that sets them apart from the new ones. Nothing for no lines.
void AppendEarlier(QTextEdit& display, const std::vector<history::Line>& lines);
// The light grey background of a window whose member or group has gone.
void GreyOut(QWidget& widget);
// The background of the style again: the member or group is back.
void Restore(QWidget& widget);
// Asks the desktop to draw the user's eye to `window` unless it is the active one, so a
// line arriving behind other windows is not missed.
void AlertUnlessActive(QWidget& window);
} // namespace ChatDisplay
