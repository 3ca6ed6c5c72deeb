// The list dialogs of "設定" and of the special settings: groups, memo/whereabouts texts
// and broadcast destinations, each read back from the settings file.
#include "ControlHarness.h"

#include "client/ChatInfo.h"
#include "client/INIData.h"
#include "ui/BroadCastForm.h"
#include "ui/GroupListForm.h"
#include "ui/LocatioListForm.h"
#include "ui/PalavoCtrl.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace
{

const QString User = QStringLiteral("User");
const QString Absent = QStringLiteral("<absent>");

QString Stored(const char* key)
{
    return INIData::ReadIniString(User, QString::fromLatin1(key), Absent);
}

void Store(const char* key, const QString& value)
{
    INIData::WriteIniString(User, QString::fromLatin1(key), value);
}

// Runs `answer` on the next modal dialog of type T once it is up; `answer` must close it.
template <typename T> void AnswerModal(std::function<void(T&)> answer)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        auto* form = qobject_cast<T*>(QApplication::activeModalWidget());
        if (form == nullptr)
            return;
        timer->stop();
        timer->deleteLater();
        answer(*form);
    });
    timer->start();
}

void Click(QAbstractButton* button)
{
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
}

QStringList Texts(const GroupListForm& form)
{
    QStringList texts;
    for (const QLineEdit* box : form.txtGroup)
        texts << box->text();
    return texts;
}

int EnabledBoxes(const GroupListForm& form)
{
    int enabled = 0;
    for (const QLineEdit* box : form.txtGroup)
        enabled += box->isEnabled();
    return enabled;
}

QStringList Entries(const QListWidget* list)
{
    QStringList entries;
    for (int row = 0; row < list->count(); ++row)
        entries << list->item(row)->text();
    return entries;
}

void RemoveAll(QListWidget* list, QAbstractButton* remove)
{
    while (list->count() > 0) {
        list->setCurrentRow(0);
        Click(remove);
    }
}

} // namespace

TEST(GroupListDialog, LoadsFiveSavesEveryBoxAndRefusesAllGroups)
{
    struct Case {
        const char* name;
        const char* stored;
        bool hostlist;
        QStringList shown; // the five boxes after loading
        int enabled;       // boxes enabled after loading
        int editBox;       // -1: no edit
        const char* edit;
        const char* saved; // null: refused, the dialog stays open and nothing is saved
        QStringList selector;
    };
    const Case cases[] = {
        {"six groups load as five",
         "a,b,c,d,e,f",
         false,
         {"a", "b", "c", "d", "e"},
         5,
         -1,
         "",
         "a,b,c,d,e",
         {"すべて", "a", "b", "c", "d", "e"}},
        {"disabled boxes are saved",
         "g1,g2,g3",
         true,
         {"g1", "g2", "g3", "", ""},
         1,
         -1,
         "",
         "g1,g2,g3",
         {"すべて", "g1"}},
        {"an empty item stays a box",
         "a,,b",
         false,
         {"a", "", "b", "", ""},
         5,
         -1,
         "",
         "a,b",
         {"すべて", "a", "b"}},
        {"one character is a group",
         "営",
         false,
         {"営", "", "", "", ""},
         5,
         3,
         "営業",
         "営,営業",
         {"すべて", "営", "営業"}},
        {"すべて after a comma and a blank",
         "x,y",
         false,
         {"x", "y", "", "", ""},
         5,
         2,
         "a, すべて",
         nullptr,
         {"すべて", "x", "y"}},
        {"すべて is refused",
         "x,y",
         false,
         {"x", "y", "", "", ""},
         5,
         2,
         "すべて",
         nullptr,
         {"すべて", "x", "y"}},
        {"すべて in a disabled box too",
         "x,y",
         true,
         {"x", "y", "", "", ""},
         1,
         4,
         "すべて",
         nullptr,
         {"すべて", "x"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ControlHarness h({.grouplist = QString::fromUtf8(c.stored), .hostlist = c.hostlist});
        h.Ctrl();
        QStringList shown;
        int enabled = -1;
        bool stayedOpen = false;
        AnswerModal<GroupListForm>([&](GroupListForm& form) {
            shown = Texts(form);
            enabled = EnabledBoxes(form);
            if (c.editBox >= 0)
                form.txtGroup[c.editBox]->setText(QString::fromUtf8(c.edit));
            Click(form.cmdOK);
            stayedOpen = form.isVisible();
            if (stayedOpen)
                Click(form.Command1);
        });
        h.Choose("MenuGroupList");
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(enabled, c.enabled);
        EXPECT_EQ(stayedOpen, c.saved == nullptr);
        if (c.saved == nullptr) {
            EXPECT_EQ(h.BoxTexts(), QStringList{"警告|グループ「すべて」は設定できません"});
        } else {
            EXPECT_TRUE(h.BoxTexts().isEmpty());
        }
        const QString saved = c.saved ? QString::fromUtf8(c.saved) : QString::fromUtf8(c.stored);
        EXPECT_EQ(Stored("grouplist"), saved);
        EXPECT_EQ(h.Ctrl().Session().Settings().groups(), saved);
        EXPECT_EQ(Stored("hostlist"), c.hostlist ? "1" : "0");
        // The selector follows the dialog at once.
        EXPECT_EQ(h.ComboItems("cmbGroup"), c.selector);
    }
}

TEST(GroupListDialog, TheHostListSwitchGatesTheOtherBoxesAndIsSaved)
{
    ControlHarness h({.grouplist = QStringLiteral("g1,g2")});
    bool allBefore = false, firstOnly = false;
    QStringList shown;
    AnswerModal<GroupListForm>([&](GroupListForm& form) {
        allBefore = EnabledBoxes(form) == 5;
        Click(form.ChkHostList);
        firstOnly = EnabledBoxes(form) == 1 && form.txtGroup[0]->isEnabled();
        shown = Texts(form); // the texts stay as they were
        Click(form.cmdOK);
    });
    h.Choose("MenuGroupList");
    EXPECT_TRUE(allBefore);
    EXPECT_TRUE(firstOnly);
    EXPECT_EQ(shown, (QStringList{"g1", "g2", "", "", ""}));
    EXPECT_EQ(Stored("hostlist"), "1");
    EXPECT_TRUE(h.Ctrl().Session().Settings().useHostlist());
    EXPECT_EQ(h.ComboItems("cmbGroup"), (QStringList{"すべて", "g1"}));

    // Cancel leaves file and settings alone.
    AnswerModal<GroupListForm>([&](GroupListForm& form) {
        Click(form.ChkHostList);
        form.txtGroup[1]->setText(QStringLiteral("g9"));
        Click(form.Command1);
    });
    h.Choose("MenuGroupList");
    EXPECT_EQ(Stored("hostlist"), "1");
    EXPECT_EQ(Stored("grouplist"), "g1,g2");
}

TEST(LocationListDialog, AnEmptyListIsNotSavedAndAnEditedOneIs)
{
    struct Case {
        const char* name;
        const char* stored;
        QStringList loaded;
        bool removeAll;
        const char* add;   // empty: nothing added
        const char* saved; // null: OK leaves the dialog open and the file alone
        const char* offered;
        bool refused = false; // the added text is refused with a box and stays
    };
    const Case cases[] = {
        {"all removed", "会議室,トイレ", {"会議室", "トイレ"}, true, "", nullptr, nullptr},
        {"one added",
         "会議室,トイレ",
         {"会議室", "トイレ"},
         false,
         "外出中",
         "会議室,トイレ,外出中",
         "会議室,トイレ,外出中"},
        {"removed then added", "会議室,トイレ", {"会議室", "トイレ"}, true, "在宅", "在宅", "在宅"},
        // Stored as loaded: the empty entry survives the dialog, the settings skip it.
        {"an empty item kept", "X,,Y", {"X", "", "Y"}, false, "", "X,,Y", "X"},
        {"one character is an entry", "営", {"営"}, false, "B", "営,B", "営,B"},
        {"a comma is refused", "営", {"営"}, false, "外出,直帰", "営", "営", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ControlHarness h;
        Store("locationlist", QString::fromUtf8(c.stored));
        ChatInfo& info = h.Ctrl().Session().Settings();
        const QString before = info.locationList();
        QStringList loaded;
        bool stayedOpen = false;
        AnswerModal<LocatioListForm>([&](LocatioListForm& form) {
            loaded = Entries(form.ListLocation);
            if (c.removeAll)
                RemoveAll(form.ListLocation, form.cmdRemove);
            if (*c.add != '\0') {
                form.txtLocation->setText(QString::fromUtf8(c.add));
                Click(form.cmdAdd);
                EXPECT_EQ(form.txtLocation->text().isEmpty(), !c.refused);
            }
            Click(form.OKButton);
            stayedOpen = form.isVisible();
            if (stayedOpen)
                Click(form.CancelButton);
        });
        h.Choose("MenuLocationList");
        EXPECT_EQ(loaded, c.loaded);
        EXPECT_EQ(h.BoxTexts().size(), c.refused ? 1 : 0);
        EXPECT_EQ(stayedOpen, c.saved == nullptr);
        EXPECT_EQ(Stored("locationlist"), QString::fromUtf8(c.saved ? c.saved : c.stored));
        EXPECT_EQ(info.locationList(), c.offered ? QString::fromUtf8(c.offered) : before);
    }
}

TEST(BroadcastListDialog, RefusesWhatIsNotOneAddressAndStoresEvenAnEmptyList)
{
    ControlHarness h;
    Store("castAddrList", QStringLiteral("10.0.0.9,gw"));
    Store("aliase", QStringLiteral("自分の名前"));
    ChatInfo info;
    info.setCastAddresses(QStringLiteral("old"));
    BroadCastForm form(info, h.boxes);
    EXPECT_EQ(Entries(form.ListAddress), (QStringList{"10.0.0.9", "gw"}));

    // Two addresses in one entry would become two items of the stored list: refused, and
    // the text stays for the user to correct.
    form.txtIPAddress->setText(QStringLiteral("10.0.0.1,10.0.0.2"));
    Click(form.cmdAdd);
    ASSERT_EQ(h.boxes.Shown().size(), 1U);
    EXPECT_EQ(h.boxes.Shown()[0].Caption, "警告");
    EXPECT_TRUE(h.boxes.Shown()[0].Text.contains(QStringLiteral("10.0.0.1,10.0.0.2")));
    EXPECT_EQ(form.txtIPAddress->text(), "10.0.0.1,10.0.0.2");
    EXPECT_EQ(Entries(form.ListAddress), (QStringList{"10.0.0.9", "gw"}));

    form.txtIPAddress->setText(QStringLiteral("192.168.2.255"));
    Click(form.cmdAdd);
    EXPECT_EQ(Entries(form.ListAddress), (QStringList{"10.0.0.9", "gw", "192.168.2.255"}));
    EXPECT_EQ(h.boxes.Shown().size(), 1U);

    // Every entry removed: OK stores the empty list and closes.
    RemoveAll(form.ListAddress, form.cmdRemove);
    Click(form.OKButton);
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(Stored("castAddrList"), "");
    EXPECT_EQ(info.castAddresses(), "");
    // The rest of the record goes back as it was.
    EXPECT_EQ(Stored("aliase"), "自分の名前");

    // A stored list of one character is one entry; Cancel saves nothing.
    Store("castAddrList", QStringLiteral("A"));
    BroadCastForm again(info, h.boxes);
    EXPECT_EQ(Entries(again.ListAddress), QStringList{"A"});
    again.txtIPAddress->setText(QStringLiteral("10.1.1.1"));
    Click(again.cmdAdd);
    Click(again.CancelButton);
    EXPECT_EQ(again.result(), QDialog::Rejected);
    EXPECT_EQ(Stored("castAddrList"), "A");
}

TEST(BroadcastListDialog, AcceptsDottedAddressesAndHostNamesOnly)
{
    struct Case {
        const char* text;
        bool accepted;
    };
    const Case cases[] = {
        {"192.168.1.255", true},
        {"10.0.0.1", true},
        {"server", true},
        {"gw-2.example.co.jp", true},
        {"10.0.0.1,10.0.0.2", false}, // a comma splits the stored list
        {"10.0.0.256", false},        // digits and dots must make an address
        {"10.0.1", false},
        {"0010.0.0.1", false},
        {" 10.0.0.1", false}, // a blank is not part of any name
        {"host name", false},
        {"-gw", false},
        {"gw-", false},
        {"a..b", false},
        {"ホスト", false}, // the wire carries host names as ASCII
        {"gw:2425", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BroadCastForm::IsCastAddress(QString::fromUtf8(c.text)), c.accepted) << c.text;
}
