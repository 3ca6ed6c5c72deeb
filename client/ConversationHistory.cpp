#include "client/ConversationHistory.h"

#include "platform/MessageBoxService.h"

#include <QDateTime>

#include <utility>

ConversationHistory::ConversationHistory(IMessageBoxService& boxes, StoreOpener open)
    : m_boxes(boxes), m_open(std::move(open))
{
}

ConversationHistory::~ConversationHistory() = default;

void ConversationHistory::SetKeeping(bool on)
{
    if (!on) {
        m_store.reset();
        return;
    }
    if (m_store)
        return;
    history::Error error;
    m_store = m_open(error);
    if (!m_store)
        Fail(error.isEmpty() ? QStringLiteral("unknown") : error);
}

void ConversationHistory::Shown(const history::Conversation& conversation, const QString& address,
                                const QString& nickname, int16_t state, const QString& shown,
                                int textStart)
{
    if (!m_store)
        return;
    const history::Error error = m_store->Append({conversation,
                                                  QDateTime::currentMSecsSinceEpoch(), address,
                                                  nickname, state, shown, textStart});
    if (!error.isEmpty())
        Fail(error);
}

std::vector<history::Line> ConversationHistory::Earlier(const history::Conversation& conversation)
{
    if (!m_store)
        return {};
    return m_store->Recent(conversation, QDateTime::currentMSecsSinceEpoch() - EarlierSpanMs,
                           EarlierLines);
}

bool ConversationHistory::RemoveMember(const QString& address)
{
    const history::Error error = m_store ? m_store->RemoveMember(address) : history::Error();
    if (!error.isEmpty())
        Fail(error);
    return error.isEmpty();
}

bool ConversationHistory::RemoveAll()
{
    const history::Error error = m_store ? m_store->RemoveAll() : history::Error();
    if (!error.isEmpty())
        Fail(error);
    return error.isEmpty();
}

void ConversationHistory::Fail(const history::Error& error)
{
    // Dropped before the box: events that run while it is up store nothing more, and
    // cannot raise a second one.
    m_store.reset();
    m_boxes.Show(nullptr, {QStringLiteral("会話の履歴を読み書きできないため、履歴を保存せずに続けます。\n(")
                               + error + QStringLiteral(")"),
                           QStringLiteral("エラー"), MessageBoxIcon::Error, MessageBoxButtons::Ok});
}
