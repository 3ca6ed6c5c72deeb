#include "platform/history/SqliteHistoryStore.h"

#include "platform/history/BigramTokenizer.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <limits>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace history
{
namespace
{
constexpr int SchemaVersion = 1;
// How many rows of each kind the store remembers before it forgets them all.
constexpr qsizetype CacheLimit = 4096;
// Lines appended between two turns of the store's own thread (merging, pruning and
// copying the write-ahead log into the database); quiet talk gets a turn every 2 s.
constexpr int LinesPerTurn = 64;
// The index's merging: pages written by one step, and steps in one turn (a turn ends
// early when there is nothing left to merge).
constexpr int MergePages = 1;
constexpr int MaxMergeSteps = 4096;
// The newest lines a one-character search looks through.
constexpr int ScanLines = 20000;
// Lines deleted in one step when the store is past its size.
constexpr int PruneLines = 100;
// How long a call waits for the file. The store's own maintenance holds it for one short
// step at a time; a foreign process that holds it longer makes the call fail rather than
// freeze the window.
constexpr int BusyMilliseconds = 250;

constexpr const char* Schema = R"(
CREATE TABLE IF NOT EXISTS conversation(
  id INTEGER PRIMARY KEY, is_group INTEGER NOT NULL, name TEXT NOT NULL,
  UNIQUE(is_group, name));
CREATE TABLE IF NOT EXISTS speaker(
  id INTEGER PRIMARY KEY, address TEXT NOT NULL, nickname TEXT NOT NULL, prefix TEXT NOT NULL,
  UNIQUE(address, nickname, prefix));
CREATE TABLE IF NOT EXISTS line(
  id INTEGER PRIMARY KEY, conversation INTEGER NOT NULL, speaker INTEGER NOT NULL,
  time INTEGER NOT NULL, state INTEGER NOT NULL, text TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS line_by_conversation ON line(conversation, id);
CREATE VIRTUAL TABLE IF NOT EXISTS line_text USING fts5(
  text, content='', tokenize='palavo_bigram');
INSERT INTO line_text(line_text, rank) VALUES ('automerge', 0);
INSERT INTO line_text(line_text, rank) VALUES ('crisismerge', 64);
CREATE TRIGGER IF NOT EXISTS line_added AFTER INSERT ON line BEGIN
  INSERT INTO line_text(rowid, text) VALUES (new.id, new.text);
END;
CREATE TRIGGER IF NOT EXISTS line_removed AFTER DELETE ON line BEGIN
  INSERT INTO line_text(line_text, rowid, text) VALUES ('delete', old.id, old.text);
END;
)";

QString Column(sqlite3_stmt* statement, int column)
{
    const auto* text = static_cast<const char16_t*>(sqlite3_column_text16(statement, column));
    return QString::fromUtf16(text, sqlite3_column_bytes16(statement, column) / 2);
}

void Bind(sqlite3_stmt* statement, int index, const QString& text)
{
    sqlite3_bind_text16(statement, index, text.utf16(), static_cast<int>(text.size() * 2),
                        SQLITE_TRANSIENT);
}

// Resets a statement when the scope ends, so that an early return leaves no read open.
struct Reset {
    sqlite3_stmt* statement;
    ~Reset()
    {
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
    }
};

// Rows of (id, time, is_group, name, address, nickname, prefix, state, text).
std::vector<Hit> ReadHits(sqlite3_stmt* statement)
{
    std::vector<Hit> hits;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        Hit hit{sqlite3_column_int64(statement, 0), {}};
        Line& line = hit.line;
        line.time = sqlite3_column_int64(statement, 1);
        line.conversation = {sqlite3_column_int(statement, 2) != 0, Column(statement, 3)};
        line.address = Column(statement, 4);
        line.nickname = Column(statement, 5);
        const QString prefix = Column(statement, 6);
        line.state = static_cast<int16_t>(sqlite3_column_int(statement, 7));
        line.shown = prefix + Column(statement, 8);
        line.textStart = static_cast<int>(prefix.size());
        hits.push_back(std::move(hit));
    }
    return hits;
}

// The window's thread's turn to write: announced first, so that the maintainer lets it in
// before its next step.
class WriteTurn
{
public:
    WriteTurn(std::mutex& writing, std::atomic<int>& waiting) : m_writing(writing)
    {
        ++waiting;
        m_writing.lock();
        --waiting;
    }
    ~WriteTurn() { m_writing.unlock(); }
    WriteTurn(const WriteTurn&) = delete;
    WriteTurn& operator=(const WriteTurn&) = delete;

private:
    std::mutex& m_writing;
};

int CodePoints(const QString& text)
{
    return static_cast<int>(std::count_if(text.cbegin(), text.cend(),
                                          [](QChar c) { return !c.isLowSurrogate(); }));
}
} // namespace

// Keeps the file in shape on a thread of its own, with a connection of its own, so that
// the window's thread only ever appends.
//
// The full-text index adds a small segment with every line. Merging segments is left
// to this thread (the index's own merging is off: at times it would rewrite a large part
// of the index inside one line's commit, a second or more on a big history), in steps of
// a few pages, each its own short transaction, so that a line waits for one step at
// most. After the merging, the write-ahead log is copied into the database: the only
// place where the disk is synced.
class Maintainer
{
public:
    // `writing` is held by whoever writes, on either connection: SQLite's own lock would
    // make a waiting line poll, and lose to the next merge step. `linesWaiting` counts
    // the window's calls that want it: no step begins while one does.
    Maintainer(sqlite3* db, qint64 maxBytes, std::mutex& writing,
               const std::atomic<int>& linesWaiting)
        : m_db(db), m_maxBytes(maxBytes), m_writing(writing), m_linesWaiting(linesWaiting),
          m_thread([this] { Run(); })
    {
    }
    ~Maintainer()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        m_thread.join();
        sqlite3_close(m_db);
    }
    void LineAppended()
    {
        {
            std::lock_guard lock(m_mutex);
            if (++m_pending < LinesPerTurn)
                return;
            m_pending = 0;
            m_due = true;
        }
        m_wake.notify_one();
    }

private:
    void Run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            // Lines that come slowly are merged and synced a little later.
            m_wake.wait_for(lock, std::chrono::seconds(2), [this] { return m_due || m_stop; });
            if (m_stop)
                return;
            const bool work = m_due || m_pending > 0;
            m_due = false;
            m_pending = 0;
            if (!work)
                continue;
            lock.unlock();
            Merge();
            Prune();
            sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
            lock.lock();
        }
    }
    void Merge()
    {
        // Each step writes about MergePages pages; a step that changes nothing means the
        // segments are as few as the index wants them.
        const QByteArray step = "INSERT INTO line_text(line_text, rank) VALUES('merge', "
            + QByteArray::number(MergePages) + ")";
        for (int i = 0; i < MaxMergeSteps && !Stopping(); ++i) {
            // A line waiting to be stored goes first.
            while (m_linesWaiting.load() > 0)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            std::lock_guard writing(m_writing);
            const int before = sqlite3_total_changes(m_db);
            if (sqlite3_exec(m_db, step.constData(), nullptr, nullptr, nullptr) != SQLITE_OK
                || sqlite3_total_changes(m_db) - before <= 1)
                return;
        }
    }
    // Past the store's size the oldest lines go, so that no amount of talk (a peer that
    // floods) fills the disk: what a flood takes is the oldest history, never the new.
    // Pages freed by deleting are used again, and the index only shrinks as it is merged
    // afterwards, so each turn deletes about as many lines as the excess holds and
    // leaves the rest to later turns.
    void Prune()
    {
        const auto number = [this](const char* sql) {
            sqlite3_stmt* statement = nullptr;
            qint64 value = 0;
            if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) == SQLITE_OK
                && sqlite3_step(statement) == SQLITE_ROW)
                value = sqlite3_column_int64(statement, 0);
            sqlite3_finalize(statement);
            return value;
        };
        const qint64 used = (number("PRAGMA page_count") - number("PRAGMA freelist_count"))
            * number("PRAGMA page_size");
        if (used <= m_maxBytes)
            return;
        const qint64 lines = number("SELECT count(*) FROM line");
        if (lines == 0)
            return;
        qint64 excess = std::max<qint64>(1, (used - m_maxBytes) / std::max<qint64>(1, used / lines));
        const QByteArray step = "DELETE FROM line WHERE id IN (SELECT id FROM line ORDER BY id LIMIT "
            + QByteArray::number(PruneLines) + ")";
        for (; excess > 0 && !Stopping(); excess -= PruneLines) {
            while (m_linesWaiting.load() > 0)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            std::lock_guard writing(m_writing);
            if (sqlite3_exec(m_db, step.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
                return;
        }
    }
    bool Stopping()
    {
        std::lock_guard lock(m_mutex);
        return m_stop;
    }

    sqlite3* m_db; // owned
    const qint64 m_maxBytes;
    std::mutex& m_writing;
    const std::atomic<int>& m_linesWaiting;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_pending = 0;
    bool m_due = false;
    bool m_stop = false;
    std::thread m_thread;
};

std::unique_ptr<SqliteHistoryStore> SqliteHistoryStore::Open(const QString& path, Error& error,
                                                             qint64 maxBytes)
{
    const QByteArray file = path.toUtf8();
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.constData(), &db, flags, nullptr) != SQLITE_OK) {
        error = QString::fromUtf8(db != nullptr ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<SqliteHistoryStore> store(new SqliteHistoryStore(db));
    error = store->Prepare();
    if (!error.isEmpty())
        return nullptr;
    sqlite3* maintenance = nullptr;
    if (sqlite3_open_v2(file.constData(), &maintenance, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK
        || RegisterBigramTokenizer(maintenance) != SQLITE_OK) {
        error = QString::fromUtf8(sqlite3_errmsg(maintenance));
        sqlite3_close(maintenance);
        return nullptr;
    }
    sqlite3_busy_timeout(maintenance, 1000);
    store->m_maintainer =
        std::make_unique<Maintainer>(maintenance, maxBytes, store->m_writing, store->m_writersWaiting);
    return store;
}

SqliteHistoryStore::SqliteHistoryStore(sqlite3* db)
    : m_db(db)
{
}

SqliteHistoryStore::~SqliteHistoryStore()
{
    m_maintainer.reset();
    for (sqlite3_stmt* statement : {m_insertLine, m_findConversation, m_insertConversation,
                                    m_findSpeaker, m_insertSpeaker, m_recent, m_search})
        sqlite3_finalize(statement);
    // The last connection to close copies the log into the database and removes it.
    sqlite3_close(m_db);
}

Error SqliteHistoryStore::LastError(const char* doing) const
{
    return QString::fromLatin1(doing) + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(m_db));
}

Error SqliteHistoryStore::Prepare()
{
    sqlite3_busy_timeout(m_db, BusyMilliseconds);
    sqlite3_stmt* mode = nullptr;
    if (sqlite3_prepare_v2(m_db, "PRAGMA journal_mode=WAL", -1, &mode, nullptr) != SQLITE_OK)
        return LastError("open");
    const bool wal = sqlite3_step(mode) == SQLITE_ROW
        && qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(mode, 0)), "wal") == 0;
    sqlite3_finalize(mode);
    if (!wal)
        return LastError("open");
    if (RegisterBigramTokenizer(m_db) != SQLITE_OK)
        return LastError("full-text index");
    // NORMAL: a commit is in the log without a sync; checkpoints sync, on their thread.
    const char* setUp = "PRAGMA synchronous=NORMAL; PRAGMA wal_autocheckpoint=0;";
    if (sqlite3_exec(m_db, setUp, nullptr, nullptr, nullptr) != SQLITE_OK)
        return LastError("open");
    sqlite3_stmt* version = nullptr;
    sqlite3_prepare_v2(m_db, "PRAGMA user_version", -1, &version, nullptr);
    const int found = sqlite3_step(version) == SQLITE_ROW ? sqlite3_column_int(version, 0) : -1;
    sqlite3_finalize(version);
    if (found > SchemaVersion)
        return QStringLiteral("open: written by a newer version of the program");
    const QByteArray create = QByteArray("BEGIN;") + Schema
        + "PRAGMA user_version=" + QByteArray::number(SchemaVersion) + "; COMMIT;";
    if (sqlite3_exec(m_db, create.constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        const Error error = LastError("open");
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return error;
    }
    const std::pair<sqlite3_stmt**, const char*> statements[] = {
        {&m_insertLine,
         "INSERT INTO line(conversation, speaker, time, state, text) VALUES (?1, ?2, ?3, ?4, ?5)"},
        {&m_findConversation, "SELECT id FROM conversation WHERE is_group = ?1 AND name = ?2"},
        {&m_insertConversation, "INSERT INTO conversation(is_group, name) VALUES (?1, ?2)"},
        {&m_findSpeaker,
         "SELECT id FROM speaker WHERE address = ?1 AND nickname = ?2 AND prefix = ?3"},
        {&m_insertSpeaker, "INSERT INTO speaker(address, nickname, prefix) VALUES (?1, ?2, ?3)"},
        {&m_recent,
         "SELECT l.time, s.address, s.nickname, s.prefix, l.state, l.text FROM line l"
         " JOIN speaker s ON s.id = l.speaker WHERE l.conversation = ?1"
         " ORDER BY l.id DESC LIMIT ?2"},
        {&m_search,
         "SELECT l.id, l.time, c.is_group, c.name, s.address, s.nickname, s.prefix, l.state,"
         " l.text FROM line_text JOIN line l ON l.id = line_text.rowid"
         " JOIN conversation c ON c.id = l.conversation JOIN speaker s ON s.id = l.speaker"
         " WHERE line_text MATCH ?1 AND line_text.rowid < ?2"
         " ORDER BY line_text.rowid DESC LIMIT ?3"},
    };
    for (const auto& [statement, sql] : statements)
        if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, statement, nullptr)
            != SQLITE_OK)
            return LastError("open");
    return {};
}

qint64 SqliteHistoryStore::ConversationId(const Conversation& conversation, bool create)
{
    const QString key = (conversation.group ? QLatin1Char('g') : QLatin1Char('m')) + conversation.name;
    if (const auto found = m_conversations.constFind(key); found != m_conversations.cend())
        return *found;
    qint64 id = 0;
    {
        Reset reset{m_findConversation};
        sqlite3_bind_int(m_findConversation, 1, conversation.group ? 1 : 0);
        Bind(m_findConversation, 2, conversation.name);
        if (sqlite3_step(m_findConversation) == SQLITE_ROW)
            id = sqlite3_column_int64(m_findConversation, 0);
    }
    if (id == 0 && !create)
        return 0;
    if (id == 0) {
        Reset reset{m_insertConversation};
        sqlite3_bind_int(m_insertConversation, 1, conversation.group ? 1 : 0);
        Bind(m_insertConversation, 2, conversation.name);
        if (sqlite3_step(m_insertConversation) != SQLITE_DONE)
            return 0;
        id = sqlite3_last_insert_rowid(m_db);
    }
    if (m_conversations.size() >= CacheLimit)
        m_conversations.clear();
    m_conversations.insert(key, id);
    return id;
}

qint64 SqliteHistoryStore::SpeakerId(const QString& address, const QString& nickname,
                                     const QString& prefix)
{
    const QString key = address + QChar(0) + nickname + QChar(0) + prefix;
    if (const auto found = m_speakers.constFind(key); found != m_speakers.cend())
        return *found;
    qint64 id = 0;
    for (sqlite3_stmt* statement : {m_findSpeaker, m_insertSpeaker}) {
        Reset reset{statement};
        Bind(statement, 1, address);
        Bind(statement, 2, nickname);
        Bind(statement, 3, prefix);
        const int result = sqlite3_step(statement);
        if (statement == m_findSpeaker && result == SQLITE_ROW) {
            id = sqlite3_column_int64(statement, 0);
            break;
        }
        if (statement == m_insertSpeaker && result == SQLITE_DONE)
            id = sqlite3_last_insert_rowid(m_db);
    }
    if (id == 0)
        return 0;
    if (m_speakers.size() >= CacheLimit)
        m_speakers.clear();
    m_speakers.insert(key, id);
    return id;
}

Error SqliteHistoryStore::Append(const Line& line)
{
    const WriteTurn turn(m_writing, m_writersWaiting);
    const qint64 conversation = ConversationId(line.conversation, true);
    const int start = std::clamp(line.textStart, 0, static_cast<int>(line.shown.size()));
    const qint64 speaker = conversation == 0
        ? 0 : SpeakerId(line.address, line.nickname, line.shown.left(start));
    if (speaker == 0)
        return LastError("store");
    Reset reset{m_insertLine};
    sqlite3_bind_int64(m_insertLine, 1, conversation);
    sqlite3_bind_int64(m_insertLine, 2, speaker);
    sqlite3_bind_int64(m_insertLine, 3, line.time);
    sqlite3_bind_int(m_insertLine, 4, line.state);
    Bind(m_insertLine, 5, line.shown.mid(start));
    if (sqlite3_step(m_insertLine) != SQLITE_DONE)
        return LastError("store");
    m_maintainer->LineAppended();
    return {};
}

std::vector<Line> SqliteHistoryStore::Recent(const Conversation& conversation, qint64 since,
                                             int limit)
{
    std::vector<Line> lines;
    const qint64 id = ConversationId(conversation, false);
    if (id == 0 || limit <= 0)
        return lines;
    Reset reset{m_recent};
    sqlite3_bind_int64(m_recent, 1, id);
    sqlite3_bind_int(m_recent, 2, limit);
    while (sqlite3_step(m_recent) == SQLITE_ROW) {
        const qint64 time = sqlite3_column_int64(m_recent, 0);
        // Lines come newest first; the first one too old ends the day's talk.
        if (time < since)
            break;
        const QString prefix = Column(m_recent, 3);
        lines.push_back({conversation, time, Column(m_recent, 1), Column(m_recent, 2),
                         static_cast<int16_t>(sqlite3_column_int(m_recent, 4)),
                         prefix + Column(m_recent, 5), static_cast<int>(prefix.size())});
    }
    std::reverse(lines.begin(), lines.end());
    return lines;
}

std::vector<Hit> SqliteHistoryStore::Search(const QString& text, int limit, qint64 before)
{
    if (limit <= 0 || text.isEmpty())
        return {};
    if (before <= 0)
        before = std::numeric_limits<qint64>::max();
    // A single character has no bigram: it is looked for line by line, among the newest
    // ScanLines lines only, so that the window never waits for the whole history.
    if (CodePoints(text) < 2)
        return ScanForText(text, limit, before);
    Reset reset{m_search};
    // One quoted phrase: its bigrams must follow each other, which is the text itself.
    Bind(m_search, 1, QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\""))
                          + QLatin1Char('"'));
    sqlite3_bind_int64(m_search, 2, before);
    sqlite3_bind_int(m_search, 3, limit);
    return ReadHits(m_search);
}

std::vector<Hit> SqliteHistoryStore::ScanForText(const QString& text, int limit, qint64 before)
{
    // lower() folds ASCII only, like the index.
    static constexpr const char* sql =
        "SELECT l.id, l.time, c.is_group, c.name, s.address, s.nickname, s.prefix, l.state,"
        " l.text FROM line l JOIN conversation c ON c.id = l.conversation"
        " JOIN speaker s ON s.id = l.speaker"
        " WHERE l.id < ?2 AND l.id > (SELECT max(id) FROM line) - ?4"
        " AND instr(lower(l.text), lower(?1)) > 0 ORDER BY l.id DESC LIMIT ?3";
    sqlite3_stmt* scan = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &scan, nullptr) != SQLITE_OK)
        return {};
    Bind(scan, 1, text);
    sqlite3_bind_int64(scan, 2, before);
    sqlite3_bind_int(scan, 4, ScanLines);
    sqlite3_bind_int(scan, 3, limit);
    std::vector<Hit> hits = ReadHits(scan);
    sqlite3_finalize(scan);
    return hits;
}

Error SqliteHistoryStore::RemoveMember(const QString& address)
{
    const WriteTurn turn(m_writing, m_writersWaiting);
    const qint64 id = ConversationId({false, address}, false);
    if (id == 0)
        return {}; // nothing was ever stored
    sqlite3_stmt* remove = nullptr;
    const char* sql = "DELETE FROM line WHERE conversation = ?1";
    if (sqlite3_prepare_v2(m_db, sql, -1, &remove, nullptr) != SQLITE_OK)
        return LastError("remove");
    sqlite3_bind_int64(remove, 1, id);
    const int result = sqlite3_step(remove);
    sqlite3_finalize(remove);
    return result == SQLITE_DONE ? Error() : LastError("remove");
}

Error SqliteHistoryStore::RemoveAll()
{
    const WriteTurn turn(m_writing, m_writersWaiting);
    // Dropping the tables spares the index a delete for every line.
    const QByteArray sql = QByteArray("BEGIN;"
                                      "DROP TABLE IF EXISTS line_text; DROP TABLE IF EXISTS line;"
                                      "DROP TABLE IF EXISTS speaker; DROP TABLE IF EXISTS conversation;")
        + Schema + "COMMIT;";
    m_conversations.clear();
    m_speakers.clear();
    if (sqlite3_exec(m_db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK)
        return {};
    const Error error = LastError("remove");
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    return error;
}

} // namespace history
