#include "ChatWindowLimit.h"

#include "client/ClientLog.h"
#include "client/IChatForm.h"
#include "client/ParkedWindows.h"

bool ChatWindowLimit::Full() const
{
    // Parked windows are all on screen: a parked window the user closes is deleted.
    int shown = m_parked.ChatWindowCount();
    for (const IChatForm* form : m_recordWindows)
        shown += form->IsShown() ? 1 : 0;
    return shown >= MaxWindows;
}

bool ChatWindowLimit::Hold(const QString& address, HeldLine line)
{
    if (m_heldLines >= MaxHeldLines) {
        qCDebug(lcClient) << "held lines full: a line from" << address << "dropped";
        return false;
    }
    std::vector<HeldLine>& lines = m_held[address];
    if (lines.empty())
        m_waiting << address;
    lines.push_back(std::move(line));
    ++m_heldLines;
    return true;
}

std::vector<ChatWindowLimit::HeldLine> ChatWindowLimit::Take(const QString& address)
{
    std::vector<HeldLine> lines = m_held.take(address);
    if (!lines.empty())
        m_waiting.removeOne(address);
    m_heldLines -= static_cast<int>(lines.size());
    return lines;
}
