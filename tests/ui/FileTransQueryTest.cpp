// The file-send dialog "ファイル転送" and the search window "検索", opened from the main
// control as the user does, with real clicks.
#include "ControlHarness.h"

#include "client/IMemberCommandDialogs.h"
#include "client/UserInformation.h"
#include "client/UserList.h"
#include "ui/FileTransForm.h"
#include "ui/MemberIcons.h"
#include "ui/PalavoCtrl.h"
#include "ui/QueryForm.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>

namespace
{

// Runs `steps` on the modal dialog that `open` puts up, then closes it whatever
// happened, so that a failed step cannot leave the test waiting.
template <typename Dialog>
void OnModal(const std::function<void()>& open, const std::function<void(Dialog&)>& steps)
{
    bool ran = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog != nullptr) {
            ran = true;
            steps(*dialog);
        }
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    open();
    EXPECT_TRUE(ran) << "the dialog did not come up";
}

int DatagramsTo(const ControlHarness& h, const QByteArray& host, const QByteArray& containing)
{
    int count = 0;
    for (const SentDatagram& datagram : h.sent)
        count += datagram.Host == host && datagram.Bytes.contains(containing) ? 1 : 0;
    return count;
}

class RecordingDialogs : public IMemberCommandDialogs
{
public:
    void ShowFileTrans(const QString& destAddress, const QString& file, const QString&) override
    {
        Shown << destAddress + QLatin1Char(' ') + file;
    }
    bool ConfirmVoIP(const QString&, bool, bool&) override { return false; }
    QStringList Shown;
};

QueryForm* OpenQueryForm(ControlHarness& h)
{
    h.Choose("MenuQuery");
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* form = qobject_cast<QueryForm*>(window); form != nullptr && form->isVisible())
            return form;
    return nullptr;
}

// The hits as "nickname|memo|address|icon index".
QStringList Hits(const QueryForm& form)
{
    QStringList hits;
    for (int row = 0; row < form.ListQueryView->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = form.ListQueryView->topLevelItem(row);
        const qint64 icon = item->icon(0).cacheKey();
        const int index = icon == MemberIcons::Icon(MemberIcons::Present).cacheKey()  ? 1
                          : icon == MemberIcons::Icon(MemberIcons::Absent).cacheKey() ? 2
                                                                                      : 0;
        hits << QStringLiteral("%1|%2|%3|%4")
                    .arg(item->text(0), item->text(1), item->text(2))
                    .arg(index);
    }
    return hits;
}

void Search(QueryForm& form, const QString& key)
{
    form.txtQueryKey->setText(key);
    QTest::mouseClick(form.CmdQuery, Qt::LeftButton);
}

QPoint HitCenter(QueryForm& form, int row)
{
    return form.ListQueryView->visualItemRect(form.ListQueryView->topLevelItem(row)).center();
}

void SelectHit(QueryForm& form, int row)
{
    QTest::mouseClick(form.ListQueryView->viewport(), Qt::LeftButton, {}, HitCenter(form, row));
}

void DropOnHit(QueryForm& form, int row, const QStringList& files)
{
    QWidget* viewport = form.ListQueryView->viewport();
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(file);
    data.setUrls(urls);
    const QPoint at = row >= 0 ? HitCenter(form, row) : QPoint(5, viewport->height() - 5);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
}

} // namespace

TEST(FileTransForm, OkNeedsAFileSendsOnceAndStaysOpen)
{
    ControlHarness h;
    h.Choose("MenuEntry");
    h.PeerEnters("10.0.0.2", "花子", {});
    QTemporaryDir dir;
    const QString file = dir.filePath("send-me.txt");
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("contents");
    }
    h.openFiles.Answers = {file, std::nullopt};

    OnModal<FileTransForm>([&] { h.Ctrl().ExecFileTrans("10.0.0.2", QString()); },
                           [&](FileTransForm& form) {
                               EXPECT_EQ(form.windowTitle(), "ファイル転送");
                               EXPECT_EQ(form.txtDestination->text(), "花子");
                               EXPECT_EQ(form.destAddress, "10.0.0.2");
                               // No file yet: OK does nothing.
                               QTest::mouseClick(form.OKButton, Qt::LeftButton);
                               EXPECT_TRUE(form.OKButton->isEnabled());
                               EXPECT_EQ(DatagramsTo(h, "10.0.0.2", "send-me.txt"), 0);

                               // "参照...": the home folder and the filter; a cancelled
                               // second choice keeps the first.
                               QTest::mouseClick(form.CmdFileRef, Qt::LeftButton);
                               QTest::mouseClick(form.CmdFileRef, Qt::LeftButton);
                               EXPECT_EQ(form.txtFilePath->text(), file);
                               ASSERT_EQ(h.openFiles.Asked.size(), 2u);
                               EXPECT_EQ(h.openFiles.Asked[0].Folder, QDir::homePath());
                               EXPECT_EQ(h.openFiles.Asked[0].Filter,
                                         "すべてのファイル (*.*)|*.*|テキスト ファイル "
                                         "(*.txt)|*.txt|Word ファイル (*.doc)|*.doc");

                               form.txtComment->setPlainText("見てね");
                               QTest::mouseClick(form.OKButton, Qt::LeftButton);
                               QTest::mouseClick(form.OKButton, Qt::LeftButton);
                               EXPECT_FALSE(form.OKButton->isEnabled());
                               EXPECT_TRUE(form.isVisible());
                               EXPECT_EQ(DatagramsTo(h, "10.0.0.2", "send-me.txt"), 1);
                               QTest::mouseClick(form.CancelButton, Qt::LeftButton);
                               EXPECT_FALSE(form.isVisible());
                           });
    EXPECT_EQ(h.BoxTexts(), QStringList());
}

TEST(QueryForm, SearchesCaseSensitivelyInMemberOrderAndSorts)
{
    ControlHarness h;
    h.Choose("MenuEntry");
    h.PeerEnters("10.0.0.5", "Carol", {});
    h.PeerEnters("10.0.0.2", "ALICE", {}, "Palavo XP 1.0.0", QStringLiteral("会議室"));
    h.PeerEnters("10.0.0.3", "alice", {});
    h.PeerEnters("10.0.0.4", "Bob", {});
    QueryForm* form = OpenQueryForm(h);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), "検索");
    const QHeaderView* header = form->ListQueryView->header();
    EXPECT_EQ(form->ListQueryView->headerItem()->text(1), "メモ/居所");
    EXPECT_GT(header->sectionSize(1), header->sectionSize(0));
    EXPECT_GT(header->sectionSize(0), header->sectionSize(2));

    const struct {
        QString key;
        QStringList hits;
    } searches[] = {
        {"alice", {"alice||10.0.0.3|1"}},
        {"LI", {"ALICE|会議室|10.0.0.2|2"}},
        {"", {"ALICE|会議室|10.0.0.2|2"}}, // an empty key keeps the hits
        {"o", {"Carol||10.0.0.5|1", "Bob||10.0.0.4|1"}},
        {"x", {}},
    };
    for (const auto& search : searches) {
        Search(*form, search.key);
        EXPECT_EQ(Hits(*form), search.hits) << qPrintable(search.key);
    }

    // A header click sorts by that column; later searches stay sorted.
    Search(*form, "o");
    QTest::mouseClick(form->ListQueryView->header()->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 5, 5));
    EXPECT_EQ(Hits(*form), QStringList({"Bob||10.0.0.4|1", "Carol||10.0.0.5|1"}));
    Search(*form, "o");
    EXPECT_EQ(Hits(*form), QStringList({"Bob||10.0.0.4|1", "Carol||10.0.0.5|1"}));
}

TEST(QueryForm, CommandsOnHitsLookTheMemberUpAgain)
{
    ControlHarness h;
    RecordingDialogs dialogs;
    h.Ctrl().SetMemberCommandDialogs(&dialogs);
    h.Choose("MenuEntry");
    h.PeerEnters("10.0.0.2", "ALICE", {});
    h.PeerEnters("10.0.0.3", "alice", {}, "palavo xp 0.9");
    h.PeerEnters("10.0.0.4", "Bob", {}, nullptr);
    QueryForm* form = OpenQueryForm(h);
    ASSERT_NE(form, nullptr);
    const QString stale = "相手がいない|相手は、もうエントリしていません";
    const QString noFile =
        "利用不可|相手がPalavo XPのユーザではないので、ファイル転送は利用できません";
    const QString noRtc = "利用不可|音声チャットは利用できません(RTC not available.)";

    // No hits: the commands do nothing.
    for (QAction* command : {form->RClickMenu[1], form->RClickMenu[2], form->RClickMenu[4]})
        command->trigger();
    EXPECT_EQ(h.BoxTexts(), QStringList());

    const struct {
        QString key;
        int action; // RClickMenu index; 0: three files dropped on the hit
        QStringList boxes;
        QStringList shown;
    } cases[] = {
        // A lower-case tool name: refused from the menu, accepted for a drop.
        {"alice", 4, {noFile}, {}}, {"alice", 0, {}, {"10.0.0.3 /tmp/c.txt"}},
        {"alice", 2, {noRtc}, {}},  {"ALICE", 4, {}, {"10.0.0.2 "}},
        {"Bob", 0, {noFile}, {}},   {"Bob", 3, {}, {}}, // no mail address known: nothing opens
    };
    for (const auto& c : cases) {
        Search(*form, c.key);
        SelectHit(*form, 0);
        if (c.action == 0)
            DropOnHit(*form, 0, {"/tmp/a.txt", "/tmp/b.txt", "/tmp/c.txt"});
        else
            form->RClickMenu[c.action]->trigger();
        EXPECT_EQ(h.BoxTexts(), c.boxes) << qPrintable(c.key) << " " << c.action;
        EXPECT_EQ(dialogs.Shown, c.shown) << qPrintable(c.key) << " " << c.action;
        h.boxes.Clear();
        dialogs.Shown.clear();
    }
    EXPECT_EQ(h.shell.Opened, QStringList());

    // A right click pops up "操作"; a double click opens the chat window.
    Search(*form, "ALICE");
    QTest::mouseClick(form->ListQueryView->viewport(), Qt::RightButton, {}, HitCenter(*form, 0));
    EXPECT_TRUE(form->SubMenu->isVisible());
    form->SubMenu->close();
    const UserInformation* alice = h.Ctrl().Session().Users().SearchUserAddr("10.0.0.2");
    ASSERT_NE(alice, nullptr);
    QTest::mouseDClick(form->ListQueryView->viewport(), Qt::LeftButton, {}, HitCenter(*form, 0));
    EXPECT_NE(alice->ExistingChatForm(), nullptr);
    EXPECT_EQ(h.BoxTexts(), QStringList());
    // With "dblClickVoip" the double click asks for a call instead (no call client here).
    h.Ctrl().Session().Settings().setDblClickVoip(true);
    QTest::mouseDClick(form->ListQueryView->viewport(), Qt::LeftButton, {}, HitCenter(*form, 0));
    EXPECT_EQ(h.BoxTexts(), QStringList({noRtc}));
    h.boxes.Clear();

    // ALICE leaves: her hit stays, and each command says she is gone.
    h.PeerExits("10.0.0.2", "ALICE");
    SelectHit(*form, 0);
    for (int action : {1, 3, 4})
        form->RClickMenu[action]->trigger();
    DropOnHit(*form, 0, {"/tmp/a.txt"});
    DropOnHit(*form, -1, {"/tmp/a.txt"}); // below the hits: nothing
    EXPECT_EQ(h.BoxTexts(), QStringList({stale, stale, stale, noFile}));
    EXPECT_EQ(dialogs.Shown, QStringList());
}

TEST(FileTransForm, SendsToAMemberWithoutNicknameAndOffersOkAgainAfterAFailure)
{
    // sent: offered, and OK disabled; else a box says why, and OK stays.
    for (const auto& [file, sent] : {std::pair{"mistyped.txt", false}, {"empty.txt", true}}) {
        ControlHarness h;
        h.Choose("MenuEntry");
        h.PeerEnters("10.0.0.2", "", {});
        QTemporaryDir dir;
        ASSERT_TRUE(QFile(dir.filePath("empty.txt")).open(QIODevice::WriteOnly));
        OnModal<FileTransForm>([&] { h.Ctrl().ExecFileTrans("10.0.0.2", dir.filePath(file)); },
                               [&](FileTransForm& form) {
                                   EXPECT_EQ(form.txtDestination->text(), "10.0.0.2");
                                   QTest::mouseClick(form.OKButton, Qt::LeftButton);
                                   EXPECT_EQ(DatagramsTo(h, "10.0.0.2", file), sent ? 1 : 0);
                                   EXPECT_EQ(form.OKButton->isEnabled(), !sent) << file;
                               });
        EXPECT_EQ(h.BoxTexts().size(), sent ? 0 : 1) << file;
    }
}
