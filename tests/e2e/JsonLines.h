#pragma once

#include "support/EventWaiter.h"

#include <QJsonObject>

#include <algorithm>
#include <functional>
#include <vector>

// Waits, running the event loop, until a line of `lines` from index `from` on matches
// (the lines a program printed, one JSON object each, as they keep arriving); the
// line's index, or -1 on timeout or once `ended` says no more lines will come.
template <class Line>
int WaitForJsonLine(const std::vector<Line>& lines,
                    const std::function<bool(const QJsonObject&)>& match, int timeoutMs,
                    size_t from, const std::function<bool()>& ended)
{
    int found = -1;
    WaitUntil(
        [&] {
            for (size_t i = from; i < lines.size(); ++i)
                if (match(lines[i].Json)) {
                    found = static_cast<int>(i);
                    return true;
                }
            from = std::max(from, lines.size());
            return ended();
        },
        timeoutMs);
    return found;
}
