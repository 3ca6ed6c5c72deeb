// Files between real copies on the virtual LAN: whole transfers in the paced and the
// fast mode and across them, each way a transfer can end early, and a stranger who
// reaches the transfer port before the receiver does.
#include "LanTest.h"

#include "support/EventWaiter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <array>
#include <cerrno>
#include <functional>
#include <optional>

namespace
{

const QString SendWindow = QStringLiteral("FileSendWindow");
const QString ReceiveWindow = QStringLiteral("FileReceiveWindow");
const QString Save = QStringLiteral("受信・保存");
const QString Refuse = QStringLiteral("受信拒否");
const QString Close = QStringLiteral("閉じる");
const QString Open = QStringLiteral("ファイルを開く");
const QString Stop = QStringLiteral("転送中止");
constexpr int TransferPortNo = 2426; // the chat port + 1
// One 4096-byte chunk per 30 ms pass sending, one per 20 ms poll receiving.
constexpr double PacedSendRate = 4096 / 0.030;
constexpr double PacedReceiveRate = 4096 / 0.020;
// Odd sizes, so that the last chunk is a partial one.
constexpr qsizetype OneMB = 1'000'003;
constexpr qsizetype TenMB = 10'000'019;

QJsonObject BoxLine(const char* text, const char* caption, const char* icon)
{
    return {{"messageBox", QJsonObject{{"text", text}, {"caption", caption}, {"icon", icon}}}};
}

QJsonObject BeepLine(int frequency, int duration)
{
    return {{"beep", QJsonObject{{"frequency", frequency}, {"duration", duration}}}};
}

const QJsonObject Completed = BoxLine("ファイル転送が完了しました", "ファイル転送", "information");
const QJsonObject Refused = BoxLine("ファイルの受信を拒否されました", "通知", "none");
const QJsonObject Interrupted =
    BoxLine("ファイル転送(受信)が途中で中断されました", "ファイル受信", "error");

QJsonObject StateOf(const QJsonObject& line, const QString& window)
{
    return line.value("window").toString() == window ? line.value("state").toObject()
                                                     : QJsonObject{};
}

// The receive window's buttons as one word: "OSRC" with '-' for each disabled one, in
// the order ファイルを開く, 受信・保存, 受信拒否, 閉じる.
std::string ReceiveButtons(const QJsonObject& state)
{
    const QJsonObject b = state.value("buttons").toObject();
    return QStringLiteral("%1%2%3%4")
        .arg(b.value(Open).toBool() ? 'O' : '-')
        .arg(b.value(Save).toBool() ? 'S' : '-')
        .arg(b.value(Refuse).toBool() ? 'R' : '-')
        .arg(b.value(Close).toBool() ? 'C' : '-')
        .toStdString();
}

// A text field of a state, printable by the test framework.
std::string Field(const QJsonObject& state, const char* name)
{
    return state.value(QLatin1String(name)).toString().toStdString();
}

std::string Full(qsizetype size)
{
    return QStringLiteral("%1バイト中、%1バイト受信 (100％)").arg(size).toStdString();
}

// "%dバイト中、%dバイト受信 (%02d％)" read back: total, done, percent.
std::optional<std::array<qint64, 3>> ReadProgress(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral(R"(^(\d+)バイト中、(\d+)バイト受信 \((\d+)％\)$)"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return std::array<qint64, 3>{m.captured(1).toLongLong(), m.captured(2).toLongLong(),
                                 m.captured(3).toLongLong()};
}

QByteArray Sha256(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return hash.result().toHex();
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class Transfer : public LanTest
{
protected:
    // A copy on `host`, with the fast workers when `fast`: the mode comes from Palavo.ini
    // in the copy's home and is read once at start, so the file is there first (the last
    // --home wins).
    CliPeer& StartCopy(int host, bool fast)
    {
        if (!fast)
            return Start(host);
        m_homes.push_back(std::make_unique<QTemporaryDir>());
        const QString home = m_homes.back()->path();
        QFile ini(QDir(home).filePath(QStringLiteral("Palavo.ini")));
        EXPECT_TRUE(ini.open(QIODevice::WriteOnly) && ini.write("[OPTION]\nfastTransfer=1\n") > 0);
        ini.close();
        return Start(host, {QStringLiteral("--home"), home});
    }

    QString FilePath(const QString& name) const { return QDir(m_files.path()).filePath(name); }

    // A file of random bytes (the seed is the size, so a failure repeats).
    QString MakeFile(const QString& name, qsizetype size)
    {
        QByteArray bytes(size + 3, Qt::Uninitialized);
        QRandomGenerator random(static_cast<quint32>(size));
        random.fillRange(reinterpret_cast<quint32*>(bytes.data()), (size + 3) / 4);
        bytes.truncate(size);
        const QString path = FilePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == size);
        return path;
    }

    // Offers `path` and waits until both windows show the offer as they first appear.
    void Offer(CliPeer& sender, CliPeer& receiver, const QString& path)
    {
        const size_t from = receiver.Lines().size();
        const QJsonObject answer =
            sender.Call("FileTransfer", Args({receiver.Address(), path, "よろしく"}));
        ASSERT_EQ(Text(answer),
                  Text(QJsonObject{{"id", answer["id"]}, {"ok", true}, {"result", 0}}));
        const QJsonObject waiting{{"visible", true},
                                  {"caption", "ファイル送信"},
                                  {"stateText", "相手の受信承諾を待っています"},
                                  {"progressText", ""},
                                  {"progress", QJsonObject{{"min", 0}, {"max", 100}, {"value", 0}}},
                                  {"buttons", QJsonObject{{Stop, true}}}};
        ASSERT_EQ(Text(States(sender, SendWindow).at(0)), Text(waiting));

        const int shown = receiver.WaitForLine(
            [](const QJsonObject& l) { return !StateOf(l, ReceiveWindow).isEmpty(); }, 5000, from);
        ASSERT_GE(shown, 0) << receiver.Diagnostics().toStdString();
        const QString name = QFileInfo(path).fileName();
        const QJsonObject offered{
            {"visible", true},
            {"caption", "ファイル受信"},
            {"headline", SettingsFor(sender.Host()).Aliase +
                             QStringLiteral("さんから、ファイル %1 を受け取ります").arg(name)},
            {"commentLabel", "コメント"},
            {"comment", "よろしく"},
            {"progressText", ""},
            {"progress", QJsonObject{{"min", 0}, {"max", 100}, {"value", 0}}},
            {"buttons", QJsonObject{{Open, false}, {Save, true}, {Refuse, true}, {Close, false}}}};
        const auto& lines = receiver.Lines();
        EXPECT_EQ(Text(StateOf(lines[size_t(shown)].Json, ReceiveWindow)), Text(offered));
        ASSERT_LT(size_t(shown) + 1, lines.size());
        EXPECT_EQ(Text(lines[size_t(shown) + 1].Json), Text(BeepLine(1000, 200)));
    }

    // Presses a button by its text; the answer line.
    QJsonObject Press(CliPeer& peer, const QString& window, const QString& button,
                      const QString& savePath = {})
    {
        QJsonObject request{{"press", window}, {"button", button}};
        if (!savePath.isEmpty())
            request.insert("savePath", savePath);
        const int id = peer.Send(request);
        const int at =
            peer.WaitForLine([id](const QJsonObject& l) { return l.value("id").toInt(-1) == id; });
        EXPECT_GE(at, 0) << peer.Diagnostics().toStdString();
        return at < 0 ? QJsonObject{} : peer.Lines()[size_t(at)].Json;
    }

    // Accepts the offer into `target`: the dialog's answer and the receiving buttons.
    void Accept(CliPeer& receiver, const QString& name, const QString& target)
    {
        const size_t from = receiver.Lines().size();
        ASSERT_TRUE(Press(receiver, ReceiveWindow, Save, target)["ok"].toBool())
            << receiver.Diagnostics().toStdString();
        const auto& lines = receiver.Lines();
        ASSERT_GE(lines.size(), from + 2);
        EXPECT_EQ(Text(lines[from].Json),
                  Text(QJsonObject{{"saveAs", QJsonObject{{"fileName", name}, {"path", target}}}}));
        EXPECT_EQ(ReceiveButtons(StateOf(lines[from + 1].Json, ReceiveWindow)), "--R-");
    }

    static std::vector<QJsonObject> States(const CliPeer& peer, const QString& window)
    {
        std::vector<QJsonObject> states;
        for (const CliPeer::Line& line : peer.Lines())
            if (const QJsonObject state = StateOf(line.Json, window); !state.isEmpty())
                states.push_back(state);
        return states;
    }

    static int IndexOf(const CliPeer& peer, const QJsonObject& line, size_t from = 0)
    {
        const auto& lines = peer.Lines();
        for (size_t i = from; i < lines.size(); ++i)
            if (lines[i].Json == line)
                return int(i);
        return -1;
    }

    static int WaitForState(CliPeer& peer, const QString& window,
                            const std::function<bool(const QJsonObject&)>& match,
                            int timeoutMs = 5000, size_t from = 0)
    {
        return peer.WaitForLine(
            [&](const QJsonObject& l) {
                const QJsonObject state = StateOf(l, window);
                return !state.isEmpty() && match(state);
            },
            timeoutMs, from);
    }

    // Every progress a window showed reads "t中、n受信 (p％)" with t the offered size,
    // p = n × 100 / t and the bar at p (files above 4096 bytes), n never going back.
    // The number of distinct progress states.
    static int CheckProgress(const CliPeer& peer, const QString& window, qint64 size)
    {
        qint64 last = -1;
        int reports = 0;
        for (const QJsonObject& state : States(peer, window)) {
            const QString text = state.value("progressText").toString();
            if (text.isEmpty())
                continue;
            const auto p = ReadProgress(text);
            EXPECT_TRUE(p.has_value()) << text.toStdString();
            if (!p)
                continue;
            const auto [total, done, percent] = *p;
            EXPECT_EQ(total, size) << text.toStdString();
            EXPECT_EQ(percent, done * 100 / total) << text.toStdString();
            EXPECT_EQ(Text(state.value("progress").toObject()),
                      Text(QJsonObject{{"min", 0}, {"max", 100}, {"value", percent}}));
            EXPECT_GE(done, last) << "progress went back at host " << peer.Host();
            reports += done != last;
            last = done;
        }
        return reports;
    }

    QTemporaryDir m_files;
    std::vector<std::unique_ptr<QTemporaryDir>> m_homes;
};

// ---------------------------------------------------------------- whole transfers

struct Modes {
    const char* Name;
    bool FastSender;
    bool FastReceiver;
    qsizetype Size;
    double MaxRate; // bytes per second the pacing allows, 0 when unpaced
};

void PrintTo(const Modes& modes, std::ostream* out)
{
    *out << modes.Name;
}

class WholeTransfer : public Transfer, public testing::WithParamInterface<Modes>
{
};

TEST_P(WholeTransfer, ArrivesByteForByteAndBothWindowsSayHowItEnded)
{
    const Modes mode = GetParam();
    CliPeer& sender = StartCopy(1, mode.FastSender);
    CliPeer& receiver = StartCopy(2, mode.FastReceiver);
    EnterAll({&sender, &receiver});
    const QString name = QStringLiteral("写真 %1.bin").arg(mode.Name);
    const QString source = MakeFile(name, mode.Size);
    const QString target = FilePath(QStringLiteral("受信した.bin"));
    ASSERT_NO_FATAL_FAILURE(Offer(sender, receiver, source));

    const qint64 acceptedAt = CliPeer::Now();
    ASSERT_NO_FATAL_FAILURE(Accept(receiver, name, target));
    const double expectedSeconds = mode.MaxRate > 0 ? double(mode.Size) / mode.MaxRate : 1.0;
    const int done =
        receiver.WaitForLine([](const QJsonObject& l) { return l == BeepLine(2000, 1000); },
                             int(expectedSeconds * 1500) + 10000);
    ASSERT_GE(done, 0) << receiver.Diagnostics().toStdString()
                       << sender.Diagnostics().toStdString();
    const double seconds = double(receiver.Lines()[size_t(done)].AtMs - acceptedAt) / 1000;
    EXPECT_EQ(Sha256(target), Sha256(source));
    EXPECT_EQ(QFileInfo(target).size(), mode.Size);

    // The receiver: its finished buttons just before the beep, and no box, not even when
    // the sender lets go of the connection.
    const QJsonObject finished = StateOf(receiver.Lines()[size_t(done) - 1].Json, ReceiveWindow);
    EXPECT_EQ(ReceiveButtons(finished), "O--C");
    EXPECT_EQ(Field(finished, "progressText"), Full(mode.Size));
    const int senderClosed = WaitForState(
        sender, SendWindow, [](const QJsonObject& s) { return !s["visible"].toBool(); });
    ASSERT_GE(senderClosed, 0) << sender.Diagnostics().toStdString();
    EXPECT_LT(
        receiver.WaitForLine([](const QJsonObject& l) { return l.contains("messageBox"); }, 1000),
        0)
        << receiver.Diagnostics().toStdString();

    // The sender: sending, the stop button off, the beep, the box, then gone.
    const std::vector<QJsonObject> sent = States(sender, SendWindow);
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(Field(sent[1], "stateText"), "ファイル転送中です");
    const QJsonObject last = sent[sent.size() - 2];
    EXPECT_EQ(Text(last.value("buttons").toObject()), Text(QJsonObject{{Stop, false}}));
    EXPECT_EQ(Field(last, "progressText"), Full(mode.Size));
    const int beep = IndexOf(sender, BeepLine(2000, 1000));
    const int box = IndexOf(sender, Completed);
    EXPECT_GT(beep, 0);
    EXPECT_GT(box, beep);
    EXPECT_GT(senderClosed, box);
    EXPECT_EQ(sender.Boxes().size(), 1u);

    const int receiverReports = CheckProgress(receiver, ReceiveWindow, mode.Size);
    const int senderReports = CheckProgress(sender, SendWindow, mode.Size);
    const double rate = double(mode.Size) / seconds;
    RecordProperty("bytes_per_second", QString::number(rate, 'f', 0).toStdString());
    if (mode.MaxRate > 0) {
        // Paced: never faster than the pacing allows (how close it comes is for
        // bench_transfer to say; a busy machine only slows it down).
        EXPECT_LE(rate, mode.MaxRate * 1.05) << seconds << " s";
    } else {
        // Unpaced, but still no more than about 20 progress reports a second.
        const int allowed = 3 + int(seconds * 20 * 1.5);
        EXPECT_LE(receiverReports, allowed);
        EXPECT_LE(senderReports, allowed);
    }

    // The saved file opens; the window goes only when its user closes it.
    EXPECT_TRUE(Press(receiver, ReceiveWindow, Open)["ok"].toBool());
    EXPECT_GE(IndexOf(receiver, QJsonObject{{"shellOpen", QJsonObject{{"path", target}}}}), 0);
    EXPECT_TRUE(Press(receiver, ReceiveWindow, Close)["ok"].toBool());
    EXPECT_FALSE(States(receiver, ReceiveWindow).back()["visible"].toBool());
}

const Modes AllModes[] = {
    {"Paced", false, false, OneMB, PacedSendRate},
    {"Fast", true, true, TenMB, 0},
    {"FastToPaced", true, false, OneMB, PacedReceiveRate},
    // The paced sender alone sets the rate; a smaller file keeps the test short.
    {"PacedToFast", false, true, 250'007, PacedSendRate},
};

INSTANTIATE_TEST_SUITE_P(Transfer, WholeTransfer, testing::ValuesIn(AllModes),
                         [](const testing::TestParamInfo<Modes>& info) { return info.param.Name; });

// ---------------------------------------------------------------- ending early

// A paced transfer of 1 MB (about seven seconds) that has begun to arrive.
class TransferMidway : public Transfer
{
protected:
    void SetUp() override
    {
        Transfer::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        sender = &StartCopy(1, false);
        receiver = &StartCopy(2, false);
        ASSERT_NO_FATAL_FAILURE(EnterAll({sender, receiver}));
        source = MakeFile(QStringLiteral("途中.bin"), OneMB);
        target = FilePath(QStringLiteral("途中で.bin"));
        ASSERT_NO_FATAL_FAILURE(Offer(*sender, *receiver, source));
        ASSERT_NO_FATAL_FAILURE(Accept(*receiver, QStringLiteral("途中.bin"), target));
        ASSERT_GE(WaitForState(*receiver, ReceiveWindow,
                               [](const QJsonObject& s) {
                                   const auto p = ReadProgress(s["progressText"].toString());
                                   return p && (*p)[1] >= 40960;
                               }),
                  0)
            << receiver->Diagnostics().toStdString();
    }

    // What was written stays on disk, and is the beginning of the file.
    void ExpectPartialFile()
    {
        const QByteArray written = ReadAll(target);
        EXPECT_GT(written.size(), 0);
        EXPECT_LT(written.size(), OneMB);
        EXPECT_TRUE(ReadAll(source).startsWith(written));
    }

    bool Finished(const CliPeer& peer) const
    {
        return IndexOf(peer, BeepLine(2000, 1000)) >= 0 || IndexOf(peer, Completed) >= 0;
    }

    CliPeer* sender = nullptr;
    CliPeer* receiver = nullptr;
    QString source;
    QString target;
};

TEST_F(TransferMidway, ReceiverRefuses)
{
    const QJsonObject answer = Press(*receiver, ReceiveWindow, Refuse);
    EXPECT_TRUE(answer["ok"].toBool()) << Text(answer);
    const QJsonObject stopped = States(*receiver, ReceiveWindow).back();
    EXPECT_EQ(Field(stopped, "comment"), "ファイルの受信を中止しました");
    EXPECT_EQ(ReceiveButtons(stopped), "---C");

    // The sender is told, says so and goes; its connection goes with it.
    const int closed = WaitForState(*sender, SendWindow,
                                    [](const QJsonObject& s) { return !s["visible"].toBool(); });
    ASSERT_GE(closed, 0) << sender->Diagnostics().toStdString();
    EXPECT_GE(IndexOf(*sender, Refused), 0) << sender->Diagnostics().toStdString();
    EXPECT_EQ(sender->Boxes().size(), 1u);
    EXPECT_GE(receiver->WaitForLine([](const QJsonObject& l) { return l == Interrupted; }), 0)
        << receiver->Diagnostics().toStdString();
    EXPECT_EQ(ReceiveButtons(States(*receiver, ReceiveWindow).back()), "---C");
    EXPECT_FALSE(Finished(*sender) || Finished(*receiver));
    ExpectPartialFile();

    EXPECT_TRUE(Press(*receiver, ReceiveWindow, Close)["ok"].toBool());
    EXPECT_FALSE(States(*receiver, ReceiveWindow).back()["visible"].toBool());
}

TEST_F(TransferMidway, SenderStops)
{
    const size_t from = sender->Lines().size();
    EXPECT_TRUE(Press(*sender, SendWindow, Stop)["ok"].toBool());
    // The button goes off, then the window; no box on this side.
    std::vector<QJsonObject> after;
    for (size_t i = from; i < sender->Lines().size(); ++i)
        if (const QJsonObject s = StateOf(sender->Lines()[i].Json, SendWindow); !s.isEmpty())
            after.push_back(s);
    ASSERT_EQ(after.size(), 2u) << sender->Diagnostics().toStdString();
    EXPECT_EQ(Text(after[0]["buttons"].toObject()), Text(QJsonObject{{Stop, false}}));
    EXPECT_TRUE(after[0]["visible"].toBool());
    EXPECT_FALSE(after[1]["visible"].toBool());

    // The receiver hears the stop command and, separately, the connection closing.
    EXPECT_GE(WaitForState(*receiver, ReceiveWindow,
                           [](const QJsonObject& s) {
                               return s["comment"] == "相手がファイルの転送を中止しました";
                           }),
              0)
        << receiver->Diagnostics().toStdString();
    EXPECT_GE(receiver->WaitForLine([](const QJsonObject& l) { return l == Interrupted; }), 0)
        << receiver->Diagnostics().toStdString();
    EXPECT_EQ(ReceiveButtons(States(*receiver, ReceiveWindow).back()), "---C");
    EXPECT_TRUE(sender->Boxes().empty());
    EXPECT_FALSE(Finished(*sender) || Finished(*receiver));
    ExpectPartialFile();
}

TEST_F(TransferMidway, ReceiverGoesAwayAndTheSenderWaitsForItsUser)
{
    receiver->CloseInput();
    EXPECT_EQ(receiver->WaitForExit(), 0);

    // The sender's worker stops: its window falls quiet and stays so.
    const auto isSendState = [](const QJsonObject& l) { return !StateOf(l, SendWindow).isEmpty(); };
    const qint64 giveUpAt = CliPeer::Now() + 5000;
    bool quiet = false;
    while (!quiet && CliPeer::Now() < giveUpAt) {
        const size_t seen = sender->Lines().size();
        quiet = sender->WaitForLine(isSendState, 500, seen) < 0;
    }
    EXPECT_TRUE(quiet) << "the sender still moves:\n" << sender->Diagnostics().toStdString();
    const QJsonObject waiting = States(*sender, SendWindow).back();
    EXPECT_TRUE(waiting["visible"].toBool());
    EXPECT_EQ(Field(waiting, "stateText"), "ファイル転送中です");
    EXPECT_EQ(Text(waiting["buttons"].toObject()), Text(QJsonObject{{Stop, true}}));
    const auto sentSoFar = ReadProgress(waiting["progressText"].toString());
    ASSERT_TRUE(sentSoFar.has_value());
    EXPECT_LT((*sentSoFar)[1], OneMB);
    // A receiver that goes away with bytes still unread resets the connection; a worker
    // that meets the reset before the window hears of the close says so. Nothing else.
    const QJsonObject resetBox{
        {"messageBox",
         QJsonObject{
             {"text",
              QStringLiteral("ファイルを送信することができません\n(error = %1)").arg(ECONNRESET)},
             {"caption", "エラー"},
             {"icon", "error"}}}};
    const auto atMostTheResetBox = [&] {
        const std::vector<QJsonObject> boxes = sender->Boxes();
        return boxes.empty() || (boxes.size() == 1 && boxes[0] == resetBox);
    };
    EXPECT_TRUE(atMostTheResetBox()) << sender->Diagnostics().toStdString();
    ExpectPartialFile();

    // Until its user stops it.
    EXPECT_TRUE(Press(*sender, SendWindow, Stop)["ok"].toBool());
    EXPECT_FALSE(States(*sender, SendWindow).back()["visible"].toBool());
    EXPECT_TRUE(atMostTheResetBox());
}

// ---------------------------------------------------------------- a stranger at the port

using TransferPort = Transfer;

TEST_F(TransferPort, OnlyTheMemberOfferedTheFileGetsIt)
{
    // Fast: the mode does not matter here, and a stranger served would have it all at once.
    CliPeer& sender = StartCopy(1, true);
    CliPeer& receiver = StartCopy(2, true);
    EnterAll({&sender, &receiver});
    const QString source = MakeFile(QStringLiteral("秘密.bin"), OneMB);
    ASSERT_NO_FATAL_FAILURE(Offer(sender, receiver, source));

    // Host 3 connects first and counts what it is given until the connection closes.
    QProcess stranger;
    stranger.setProcessChannelMode(QProcess::MergedChannels);
    stranger.start(QStringLiteral("/bin/bash"),
                   Lan().Exec(3, {QStringLiteral("bash"), QStringLiteral("-c"),
                                  QStringLiteral("exec 3<>/dev/tcp/%1/%2 && cat <&3 | wc -c")
                                      .arg(sender.Address())
                                      .arg(TransferPortNo)}));
    ASSERT_TRUE(WaitUntil([&] { return stranger.state() == QProcess::NotRunning; }, 10000))
        << "the stranger's connection stayed open";
    EXPECT_EQ(stranger.exitCode(), 0);
    EXPECT_EQ(stranger.readAll().trimmed().toStdString(), "0");
    EXPECT_EQ(Field(States(sender, SendWindow).back(), "stateText"),
              "相手の受信承諾を待っています");

    // The port is still open for the receiver.
    const QString target = FilePath(QStringLiteral("届いた.bin"));
    ASSERT_NO_FATAL_FAILURE(Accept(receiver, QStringLiteral("秘密.bin"), target));
    ASSERT_GE(
        receiver.WaitForLine([](const QJsonObject& l) { return l == BeepLine(2000, 1000); }, 10000),
        0)
        << receiver.Diagnostics().toStdString();
    EXPECT_EQ(Sha256(target), Sha256(source));
    EXPECT_GE(sender.WaitForLine([](const QJsonObject& l) { return l == Completed; }), 0);
}

} // namespace
