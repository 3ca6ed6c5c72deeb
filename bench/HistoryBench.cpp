// The conversation history at the size of a year in a busy office: 1,000,000 lines across
// 1,000 members. Reports what a user feels: the cost of storing one line on the window's
// thread (median and worst), opening a conversation with its earlier lines, a
// two-character Japanese search to its first page, and the file's bytes per line.
//
//   bench_history [DIR]    the database is built in DIR (default /tmp/palavo-history-bench)
//                          once, and reused by later runs
#include "platform/history/SqliteHistoryStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

using namespace history;

namespace
{
constexpr int Members = 1000;
constexpr int Lines = 1000000;
constexpr int DayOfTalk = 500;
constexpr int Paced = 5000;

// Lines of ordinary office talk: 3 to 12 words of a small vocabulary.
QString Sentence(std::mt19937& random)
{
    static const QStringList words = {
        QStringLiteral("お疲れさまです"), QStringLiteral("会議"), QStringLiteral("資料"),
        QStringLiteral("確認"), QStringLiteral("お願いします"), QStringLiteral("明日"),
        QStringLiteral("午後"), QStringLiteral("の件ですが"), QStringLiteral("了解です"),
        QStringLiteral("ありがとうございます"), QStringLiteral("見積もり"), QStringLiteral("送りました"),
        QStringLiteral("少し遅れます"), QStringLiteral("サーバー"), QStringLiteral("再起動"),
        QStringLiteral("今どちらですか"), QStringLiteral("打ち合わせ"), QStringLiteral("完了"),
        QStringLiteral("release"), QStringLiteral("OK"), QStringLiteral("、"), QStringLiteral("。")};
    QString text;
    const int count = 3 + static_cast<int>(random() % 10);
    for (int i = 0; i < count; ++i)
        text += words[static_cast<qsizetype>(random() % words.size())];
    return text;
}

Line MakeLine(std::mt19937& random, int index)
{
    const int member = static_cast<int>(random() % Members);
    const QString address = QStringLiteral("10.%1.%2.%3").arg(member / 250).arg(member % 250).arg(7);
    const QString nickname = QStringLiteral("社員%1").arg(member);
    const bool mine = random() % 2 == 0;
    const QString prefix = nickname + (mine ? QStringLiteral(" <=\t") : QStringLiteral(" =>\t"));
    return {{false, address}, 1'700'000'000'000 + index * 1000LL, address, nickname,
            static_cast<int16_t>(mine ? 1 : 2), prefix + Sentence(random),
            static_cast<int>(prefix.size())};
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                 : QStringLiteral("/tmp/palavo-history-bench");
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/history.db");
    const bool built = QFileInfo::exists(dir + QStringLiteral("/complete"));
    if (!built)
        QFile::remove(path);
    Error error;
    auto store = SqliteHistoryStore::Open(path, error);
    if (!store) {
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(path), qPrintable(error));
        return 1;
    }
    std::mt19937 random(42);
    QElapsedTimer clock;
    clock.start();
    qint64 stored = 0;
    QFile count(dir + QStringLiteral("/complete"));
    if (built && count.open(QIODevice::ReadOnly))
        stored = count.readAll().trimmed().toLongLong();
    count.close();
    // The history of a year, stored as fast as it goes (not measured).
    for (; stored < Lines; ++stored) {
        if (const Error failed = store->Append(MakeLine(random, static_cast<int>(stored)));
            !failed.isEmpty()) {
            std::fprintf(stderr, "append: %s\n", qPrintable(failed));
            return 1;
        }
        if (stored % 100000 == 99999)
            std::fprintf(stderr, "%lld lines stored\n", stored + 1);
    }
    // Then lines as a window stores them: one at a time, at a pace far above any talk
    // (one every 2 ms), each timed on its own.
    std::vector<double> appendMicros;
    for (int i = 0; i < Paced; ++i) {
        const Line line = MakeLine(random, static_cast<int>(stored++));
        const qint64 start = clock.nsecsElapsed();
        if (const Error failed = store->Append(line); !failed.isEmpty()) {
            std::fprintf(stderr, "append: %s\n", qPrintable(failed));
            return 1;
        }
        appendMicros.push_back((clock.nsecsElapsed() - start) / 1000.0);
        QThread::usleep(2000);
    }
    if (count.open(QIODevice::WriteOnly))
        count.write(QByteArray::number(stored));
    count.close();
    std::sort(appendMicros.begin(), appendMicros.end());
    std::printf("store a line (%lld stored): median %.1f us, 99.9%% %.1f us, worst %.2f ms"
                " (%zu lines)\n",
                stored, appendMicros[appendMicros.size() / 2],
                appendMicros[appendMicros.size() * 999 / 1000], appendMicros.back() / 1000,
                appendMicros.size());

    std::vector<double> open;
    for (int member = 0; member < 200; member += 7) {
        const QString address = QStringLiteral("10.%1.%2.7").arg(member / 250).arg(member % 250);
        const qint64 start = clock.nsecsElapsed();
        const auto lines = store->Recent({false, address}, 0, DayOfTalk);
        open.push_back((clock.nsecsElapsed() - start) / 1e6);
        if (lines.empty())
            return 1;
    }
    std::printf("open a conversation with its last %d lines: median %.2f ms\n", DayOfTalk,
                Median(open));

    for (const QString& text : {QStringLiteral("会議"), QStringLiteral("再起"),
                                QStringLiteral("議資"), QStringLiteral("了解で"),
                                QStringLiteral("※")}) {
        std::vector<double> search;
        size_t hits = 0;
        for (int i = 0; i < 7; ++i) {
            const qint64 start = clock.nsecsElapsed();
            hits = store->Search(text, 100).size();
            search.push_back((clock.nsecsElapsed() - start) / 1e6);
        }
        std::printf("search \"%s\" to its first page (%zu hits): median %.2f ms\n",
                    qPrintable(text), hits, Median(search));
    }
    store.reset(); // the log is copied into the file on close
    const qint64 bytes = QFileInfo(path).size();
    std::printf("database: %.1f MB, %.0f bytes per line\n", bytes / 1e6,
                static_cast<double>(bytes) / stored);
    return 0;
}
