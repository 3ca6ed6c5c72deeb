#pragma once

#include "platform/history/HistoryStore.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class IMessageBoxService;

// The chat client's side of the conversation history ("会話の履歴を保存する"): whether
// lines are kept, the store they go to, and the one box the user sees when the store
// cannot be used. The chat windows hand it each line as they show it and ask it for a
// conversation's earlier lines when they open; the search and delete commands reach the
// store through it.
//
// A store that cannot be opened or written (a damaged file, one another program holds)
// is reported once and dropped: chat goes on without history until the user turns the
// option on again.
class ConversationHistory
{
public:
    // Opens the store when keeping begins; null with the reason on failure.
    using StoreOpener = std::function<std::unique_ptr<history::IHistoryStore>(history::Error&)>;

    // A day's talk: what a conversation shows of its earlier lines when its window opens.
    static constexpr qint64 EarlierSpanMs = 24LL * 60 * 60 * 1000;
    static constexpr int EarlierLines = 500;

    ConversationHistory(IMessageBoxService& boxes, StoreOpener open);
    ~ConversationHistory();

    // The option: on opens the store (a failure shows its box), off closes it.
    void SetKeeping(bool on);
    // Whether lines are being kept now.
    bool Keeping() const { return m_store != nullptr; }

    // A line a window has just shown: `shown` is the whole line, its text from
    // `textStart`. `address` and `nickname` name the member it is about.
    void Shown(const history::Conversation& conversation, const QString& address,
               const QString& nickname, int16_t state, const QString& shown, int textStart);
    // The conversation's lines of the last day, oldest first (at most EarlierLines).
    std::vector<history::Line> Earlier(const history::Conversation& conversation);

    // The store for the search window; null while nothing is kept.
    history::IHistoryStore* Store() const { return m_store.get(); }
    // "履歴を削除": one member's talk, or all of it. False (after the box) on failure.
    bool RemoveMember(const QString& address);
    bool RemoveAll();

private:
    void Fail(const history::Error& error);

    IMessageBoxService& m_boxes;
    StoreOpener m_open;
    std::unique_ptr<history::IHistoryStore> m_store;
};
