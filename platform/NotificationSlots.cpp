#include "NotificationSlots.h"

#include <algorithm>
#include <utility>

namespace
{

// The first line, at most `maxChars` characters, not ending inside a surrogate pair.
QString FirstLine(const QString& text, int maxChars)
{
    qsizetype end = text.size();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\n' || c == u'\r' || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator) {
            end = i;
            break;
        }
    }
    if (end > maxChars) {
        end = maxChars;
        if (text.at(end - 1).isHighSurrogate())
            --end;
    }
    return text.left(end);
}

} // namespace

QString NotificationBody(const QString& text, bool serverReadsMarkup)
{
    QString line = FirstLine(text, NotificationSlots::MaxBodyChars);
    if (!serverReadsMarkup)
        return line;
    QString escaped;
    escaped.reserve(line.size());
    for (const QChar c : std::as_const(line)) {
        if (c == u'&')
            escaped += QStringLiteral("&amp;");
        else if (c == u'<')
            escaped += QStringLiteral("&lt;");
        else if (c == u'>')
            escaped += QStringLiteral("&gt;");
        else
            escaped += c;
    }
    return escaped;
}

QString NotificationSummary(const QString& text)
{
    return FirstLine(text, NotificationSlots::MaxSummaryChars);
}

void NotificationSlots::Notify(const DesktopNotification& notification, QObject* target,
                               std::function<void()> activated)
{
    Slot& slot = SlotFor(notification.Key);
    slot.Withdrawn = false;
    slot.Touched = ++m_clock;
    slot.Summary = notification.Summary;
    slot.Text = notification.Text;
    slot.Target = target;
    slot.Activated = std::move(activated);
    Send(slot);
}

NotificationSlots::Slot& NotificationSlots::SlotFor(const QString& key)
{
    for (Slot& slot : m_slots)
        if (slot.Key == key)
            return slot;
    if (static_cast<int>(m_slots.size()) < MaxSlots) {
        Slot& slot = m_slots.emplace_back();
        slot.Serial = ++m_clock;
        slot.Key = key;
        return slot;
    }
    // The desktop holds as many of ours as it should: the notification updated longest
    // ago now tells of this key (the server replaces it), and activating it no longer
    // reaches the old one's window.
    Slot& oldest =
        *std::min_element(m_slots.begin(), m_slots.end(),
                          [](const Slot& a, const Slot& b) { return a.Touched < b.Touched; });
    oldest.Key = key;
    return oldest;
}

NotificationSlots::Slot* NotificationSlots::FindSerial(uint64_t serial)
{
    for (Slot& slot : m_slots)
        if (slot.Serial == serial)
            return &slot;
    return nullptr;
}

NotificationSlots::Slot* NotificationSlots::FindId(uint32_t id)
{
    if (id == 0)
        return nullptr;
    for (Slot& slot : m_slots)
        if (slot.Id == id)
            return &slot;
    return nullptr;
}

void NotificationSlots::Send(Slot& slot)
{
    // Without the server's id for it, a second request would show a second notification:
    // wait for the first answer and send the newest then.
    if (slot.InFlight) {
        slot.Pending = true;
        return;
    }
    slot.InFlight = true;
    slot.Pending = false;
    const uint64_t serial = slot.Serial;
    // The server may answer at once, so nothing of `slot` is used after this call.
    m_server.Send(slot.Id, slot.Summary, slot.Text,
                  [this, serial](uint32_t id) { Shown(serial, id); });
}

void NotificationSlots::Shown(uint64_t serial, uint32_t id)
{
    Slot* slot = FindSerial(serial);
    if (slot == nullptr)
        return;
    slot->InFlight = false;
    slot->Id = id;
    if (slot->Withdrawn) {
        if (id != 0)
            m_server.Close(id);
        Erase(*slot);
        return;
    }
    if (id == 0 && !slot->Pending) {
        // No server, or it refused: nothing of ours is on the desktop for this key.
        Erase(*slot);
        return;
    }
    if (slot->Pending)
        Send(*slot);
}

void NotificationSlots::OnActivated(uint32_t id)
{
    Slot* slot = FindId(id);
    if (slot == nullptr || slot->Target.isNull() || !slot->Activated)
        return;
    // The window may notify again while it comes up, which may move the slots.
    const std::function<void()> activated = slot->Activated;
    activated();
}

void NotificationSlots::OnClosed(uint32_t id)
{
    Slot* slot = FindId(id);
    if (slot == nullptr)
        return;
    // A replacement on its way makes a new notification; the slot waits for its id.
    if (slot->InFlight) {
        slot->Id = 0;
        return;
    }
    Erase(*slot);
}

void NotificationSlots::Withdraw(const QString& key)
{
    const auto found = std::find_if(m_slots.begin(), m_slots.end(),
                                    [&](const Slot& slot) { return slot.Key == key; });
    if (found == m_slots.end())
        return;
    // The server's id is not known yet: the notification goes when it is.
    if (found->InFlight) {
        found->Withdrawn = true;
        found->Pending = false;
        return;
    }
    if (found->Id != 0)
        m_server.Close(found->Id);
    m_slots.erase(found);
}

void NotificationSlots::Erase(Slot& slot)
{
    m_slots.erase(m_slots.begin() + (&slot - m_slots.data()));
}
