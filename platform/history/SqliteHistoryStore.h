#pragma once

#include "platform/history/HistoryStore.h"

#include <QHash>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

struct sqlite3;
struct sqlite3_stmt;

namespace history
{

class Maintainer;

// The history in one SQLite file, written in WAL mode.
//
// Each line is its own transaction: it is in the file's write-ahead log when Append
// returns, which a killed process cannot undo. The log is not synced on every line (a
// power cut may lose the last seconds; the process dying loses nothing); a thread of
// the store's own merges the index and copies the log into the database now and then,
// so the window never waits for the disk's sync or a large merge.
//
// Layout: `line` (conversation, speaker, time, state, text) with an index by
// conversation; the nickname, address and the prefix the window put before the text
// live once each in `speaker`, the conversation's kind and name in `conversation`;
// `line_text` is a contentless FTS5 index of bigrams of each text (BigramTokenizer),
// kept by triggers.
class SqliteHistoryStore final : public IHistoryStore
{
public:
    // Past this many bytes of pages in use, the oldest lines go (a year of a busy
    // office's talk takes about a quarter of it).
    static constexpr qint64 DefaultMaxBytes = 1024LL * 1024 * 1024;

    // Opens or creates the store at `path`, to hold about `maxBytes`. On failure (a file
    // that is not a database, a database another process holds locked, a folder that
    // cannot be written) returns nullptr and says why in `error`.
    static std::unique_ptr<SqliteHistoryStore> Open(const QString& path, Error& error,
                                                    qint64 maxBytes = DefaultMaxBytes);
    ~SqliteHistoryStore() override;

    Error Append(const Line& line) override;
    std::vector<Line> Recent(const Conversation& conversation, qint64 since, int limit) override;
    std::vector<Hit> Search(const QString& text, int limit, qint64 before = 0) override;
    Error RemoveMember(const QString& address) override;
    Error RemoveAll() override;

private:
    explicit SqliteHistoryStore(sqlite3* db);
    Error Prepare();
    Error LastError(const char* doing) const;
    // The row of a conversation or speaker, inserted when new (a conversation only when
    // `create`); 0 when there is none.
    qint64 ConversationId(const Conversation& conversation, bool create);
    qint64 SpeakerId(const QString& address, const QString& nickname, const QString& prefix);
    std::vector<Hit> ScanForText(const QString& text, int limit, qint64 before);

    sqlite3* m_db;
    sqlite3_stmt* m_insertLine = nullptr;
    sqlite3_stmt* m_findConversation = nullptr;
    sqlite3_stmt* m_insertConversation = nullptr;
    sqlite3_stmt* m_findSpeaker = nullptr;
    sqlite3_stmt* m_insertSpeaker = nullptr;
    sqlite3_stmt* m_recent = nullptr;
    sqlite3_stmt* m_search = nullptr;
    // Rows already known, so that a line costs one insert. A peer that changes its
    // nickname with every line would grow them without end: they are emptied when full.
    QHash<QString, qint64> m_conversations;
    QHash<QString, qint64> m_speakers;
    std::mutex m_writing;
    std::atomic<int> m_writersWaiting{0};
    // Made after the statements and gone before them: its thread writes through its own
    // connection, under m_writing.
    std::unique_ptr<Maintainer> m_maintainer;
};

} // namespace history
