// "オプション設定", "特別な設定" and "バージョン情報": what each dialog leaves in the settings
// file and in the live settings, read back from the file after real clicks.
#include "ControlHarness.h"

#include "client/ChatInfo.h"
#include "client/INIData.h"
#include "platform/XdgAutostart.h"
#include "ui/AboutBoxForm.h"
#include "ui/OptionForm.h"
#include "ui/PalavoCtrl.h"
#include "ui/SpecialOptionForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace
{

QString Stored(const char* section, const char* key)
{
    return INIData::ReadIniString(QString::fromLatin1(section), QString::fromLatin1(key),
                                  QStringLiteral("<none>"));
}

QByteArray SettingsFile()
{
    QFile file(INIData::IniFilePath(QString::fromLatin1(INIData::IniFileName)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void ClickOn(QWidget& dialog, const char* button)
{
    auto* target = dialog.findChild<QPushButton*>(QString::fromLatin1(button));
    ASSERT_NE(target, nullptr) << button;
    QTest::mouseClick(target, Qt::LeftButton);
}

// Answers the next modal dialog of type T: `act` works on it (and clicks a button).
template <typename T> void WhenUp(std::function<void(T&)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* form = qobject_cast<T*>(QApplication::activeModalWidget());
        if (form == nullptr)
            return;
        timer->stop();
        timer->deleteLater();
        act(*form);
    });
    timer->start();
}

} // namespace

TEST(OptionDialog, MediaBoxesFollowTheSwitchesAndTheMachine)
{
    struct Case {
        const char* what;
        int voice, video, wb, capabilities, stored;
        bool checkVideo;                            // the user ticks "ビデオ" if it is enabled
        bool voiceEnabled, videoEnabled, wbEnabled; // the labels / boxes
        int saved;
    };
    const Case cases[] = {
        {"voice offered is always on", 1, 0, 0, 7, 0, false, true, false, false, 1},
        {"no voice switch: no video either", 0, 1, 0, 7, 3, true, false, false, false, 0},
        {"voice and video offered", 1, 1, 0, 7, 0, true, true, true, false, 3},
        {"video switch on, no camera", 1, 1, 0, 1, 3, true, true, false, false, 1},
        {"voice switch on, no sound", 1, 1, 0, 6, 3, true, false, false, false, 0},
        {"whiteboard kept when offered", 0, 0, 1, 4, 4, false, false, false, true, 4},
        {"whiteboard cleared when not", 0, 0, 0, 4, 4, false, false, false, false, 0},
    };
    for (const Case& c : cases) {
        ControlHarness h;
        ChatInfo& settings = h.Ctrl().Session().Settings();
        INIData::WriteIniInt(QStringLiteral("OPTION"), QStringLiteral("voice"), c.voice);
        INIData::WriteIniInt(QStringLiteral("OPTION"), QStringLiteral("video"), c.video);
        INIData::WriteIniInt(QStringLiteral("OPTION"), QStringLiteral("wb"), c.wb);
        INIData::WriteIniInt(QStringLiteral("User"), QStringLiteral("media"), c.stored);

        OptionForm form(settings, h.boxes, c.capabilities, {});
        form.show();
        EXPECT_FALSE(form.CheckMM[0]->isEnabled()) << c.what; // voice is never a choice
        EXPECT_EQ(form.LabelMM[0]->isEnabled(), c.voiceEnabled) << c.what;
        EXPECT_EQ(form.CheckMM[1]->isEnabled(), c.videoEnabled) << c.what;
        EXPECT_EQ(form.LabelMM[1]->isEnabled(), c.videoEnabled) << c.what;
        EXPECT_EQ(form.CheckMM[2]->isEnabled(), c.wbEnabled) << c.what;
        if (c.checkVideo && form.CheckMM[1]->isEnabled() && !form.CheckMM[1]->isChecked())
            QTest::mouseClick(form.CheckMM[1], Qt::LeftButton);
        QTest::mouseClick(form.CheckMM[0], Qt::LeftButton); // disabled: no effect
        ClickOn(form, "cmdOK");

        EXPECT_EQ(Stored("User", "media"), QString::number(c.saved)) << c.what;
        EXPECT_EQ(settings.mediaOption(), c.saved) << c.what;
        EXPECT_TRUE(form.isHidden()) << c.what;
    }
}

TEST(OptionDialog, OkAfterTheBroadcastListKeepsTheListJustSaved)
{
    ControlHarness h;
    ChatInfo& settings = h.Ctrl().Session().Settings();
    INIData::WriteIniString(QStringLiteral("User"), QStringLiteral("castAddrList"),
                            QStringLiteral("10.0.0.9"));
    int opened = 0;
    // Stands for the broadcast list dialog: it saves a whole record of its own.
    auto editList = [&opened](QWidget* parent) {
        ++opened;
        EXPECT_NE(parent, nullptr);
        SettingsRecord record = INIData::LoadSettings();
        record.castAddrList = QStringLiteral("10.1.1.1,10.1.1.2");
        INIData::SaveSettings(record);
    };
    OptionForm form(settings, h.boxes, 0, editList);
    form.show();
    form.txtAliase->setText(QStringLiteral("新しい名前"));
    form.txtMailAddress->setText(QStringLiteral("me@example.org"));
    ClickOn(form, "cmdSpecial");
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(form.txtAliase->text(), "新しい名前"); // what was typed stays
    ClickOn(form, "cmdOK");

    EXPECT_EQ(Stored("User", "castAddrList"), "10.1.1.1,10.1.1.2");
    EXPECT_EQ(Stored("User", "aliase"), "新しい名前");
    EXPECT_EQ(Stored("User", "mailAddress"), "me@example.org");
    EXPECT_EQ(settings.mailAddress(), "me@example.org");

    // Without a list dialog the button is there but does nothing.
    OptionForm bare(settings, h.boxes, 0, {});
    EXPECT_FALSE(bare.cmdSpecial->isEnabled());
}

TEST(OptionDialog, APortThatIsNotOneTo65534IsRefusedAndNothingSaved)
{
    const char* refused[] = {"",   "abc",  "0",     "65535", "65536",
                             "-1", "12.5", "2425x", "+80",   "１２３"};
    for (const char* text : refused) {
        ControlHarness h;
        ChatInfo& settings = h.Ctrl().Session().Settings();
        const QByteArray before = SettingsFile();
        OptionForm form(settings, h.boxes, 0, {});
        form.show();
        form.txtAliase->setText(QStringLiteral("別の名前"));
        form.txtPortNo->setText(QString::fromUtf8(text));
        ClickOn(form, "cmdOK");

        EXPECT_EQ(
            h.BoxTexts(),
            QStringList{"オプション設定|ポート番号は 1 から 65534 までの整数で入力してください。"})
            << text;
        EXPECT_FALSE(form.isHidden()) << text; // still open for a correction
        EXPECT_EQ(SettingsFile(), before) << text;
        EXPECT_EQ(settings.aliase(), "自分") << text;
        EXPECT_EQ(settings.port(), h.Port) << text;
    }
    for (auto [text, port] : {std::pair{" 8080 ", 8080}, {"1", 1}, {"65534", 65534}}) {
        ControlHarness h;
        ChatInfo& settings = h.Ctrl().Session().Settings();
        OptionForm form(settings, h.boxes, 0, {});
        form.show();
        form.txtPortNo->setText(QString::fromUtf8(text));
        ClickOn(form, "cmdOK");
        EXPECT_TRUE(h.BoxTexts().isEmpty()) << text;
        EXPECT_EQ(Stored("CHAT", "port"), QString::number(port)) << text;
        EXPECT_EQ(settings.port(), port) << text;
    }
}

TEST(OptionDialog, ANicknameThePeersCannotReadIsShownBeforeSaving)
{
    struct Case {
        const char* nickname;
        const char* unsendable; // empty: no box
    };
    const Case cases[] = {
        {"太郎?", ""},        // a typed '?' is not a loss
        {"①髙ﾃｽﾄ", ""},       // the code page's own extensions travel
        {"한국😀한", "한국😀"}, // each once, in order of appearance
    };
    for (const Case& c : cases) {
        const QString nickname = QString::fromUtf8(c.nickname);
        const QString expected = QString::fromUtf8(c.unsendable);
        EXPECT_EQ(OptionForm::UnsendableCharacters(nickname), expected) << c.nickname;
        for (MessageBoxAnswer answer : {MessageBoxAnswer::Cancel, MessageBoxAnswer::Ok}) {
            ControlHarness h;
            ChatInfo& settings = h.Ctrl().Session().Settings();
            const QByteArray before = SettingsFile();
            h.boxes.QueueAnswer(answer);
            OptionForm form(settings, h.boxes, 0, {});
            form.show();
            form.txtAliase->setText(nickname);
            ClickOn(form, "cmdOK");

            const bool warned = *c.unsendable != 0;
            ASSERT_EQ(h.boxes.Shown().size(), warned ? 1u : 0u) << c.nickname;
            const bool saved = !warned || answer == MessageBoxAnswer::Ok;
            if (warned) {
                const MessageBoxRequest& box = h.boxes.Shown()[0];
                EXPECT_TRUE(box.Text.contains(expected)) << box.Text.toStdString();
                EXPECT_EQ(box.Buttons, MessageBoxButtons::OkCancel);
                EXPECT_EQ(form.isHidden(), saved) << c.nickname;
            }
            if (saved) {
                EXPECT_EQ(Stored("User", "aliase"), nickname) << c.nickname;
                EXPECT_EQ(settings.aliase(), nickname) << c.nickname;
            } else {
                EXPECT_EQ(SettingsFile(), before) << c.nickname;
                EXPECT_EQ(settings.aliase(), "自分") << c.nickname;
            }
        }
    }
}

TEST(OptionDialog, AChangedNicknameIsAnnouncedAtTheNextEntryWithoutARestart)
{
    ControlHarness h;
    PalavoCtrl& ctrl = h.Ctrl();
    h.Choose("MenuEntry");
    ASSERT_TRUE(ctrl.EntryState());
    h.Choose("MenuCancelEntry");
    h.TakeBroadcasts();

    WhenUp<OptionForm>([](OptionForm& form) {
        form.txtAliase->setText(QStringLiteral("花子"));
        QTest::mouseClick(form.cmdOK, Qt::LeftButton);
    });
    h.Choose("MenuOption");
    EXPECT_EQ(Stored("User", "aliase"), "花子");

    h.Choose("MenuEntry");
    ASSERT_TRUE(ctrl.EntryState());
    EXPECT_TRUE(h.TakeBroadcasts().contains("0x1 花子")) << "entry announces the new name";
}

TEST(SpecialOptionDialog, TheRefreshButtonFollowsAtOnceAndEverySwitchIsSaved)
{
    ControlHarness h;
    QTemporaryDir config;
    XdgAutostart autostart(config.path(), "/opt/my apps/PalavoXP", R"(/h/a"b\c 100%)");
    const char* exec = R"(Exec="/opt/my apps/PalavoXP" --home "/h/a\\"b\\\\c 100%%")";
    h.services.Autostart = &autostart;
    PalavoCtrl& ctrl = h.Ctrl();
    auto* renew = h.Find<QPushButton>("CmdRenew");
    ASSERT_TRUE(renew->isHidden());
    for (bool on : {true, false}) {
        WhenUp<SpecialOptionForm>([on](SpecialOptionForm& form) {
            EXPECT_EQ(form.ChkRenew->isChecked(), !on);
            EXPECT_EQ(form.ChkDblClick->isChecked(), !on);
            EXPECT_EQ(form.ChkCloseToTray->isChecked(), !on);
            EXPECT_EQ(form.ChkAutostart->isChecked(), !on);
            QTest::mouseClick(form.ChkRenew, Qt::LeftButton);
            QTest::mouseClick(form.ChkDblClick, Qt::LeftButton);
            QTest::mouseClick(form.ChkCloseToTray, Qt::LeftButton);
            QTest::mouseClick(form.ChkAutostart, Qt::LeftButton);
            QTest::mouseClick(form.cmdOK, Qt::LeftButton);
        });
        h.Choose("MenuSpecialOption");
        QFile entry(autostart.EntryPath());
        entry.open(QIODevice::ReadOnly);
        EXPECT_EQ(entry.readAll().contains(exec), on);
        EXPECT_EQ(renew->isHidden(), !on);
        EXPECT_EQ(Stored("User", "displayRenew"), on ? "1" : "0");
        EXPECT_EQ(Stored("User", "dblClickVoip"), on ? "1" : "0");
        EXPECT_EQ(Stored("User", "closeToTray"), on ? "1" : "0");
        EXPECT_EQ(ctrl.Session().Settings().displayRenew(), on);
        EXPECT_EQ(ctrl.Session().Settings().dblClickVoip(), on);
        EXPECT_EQ(ctrl.Session().Settings().closeToTray(), on);
    }
    // Cancel leaves the file and the button alone.
    const QByteArray before = SettingsFile();
    WhenUp<SpecialOptionForm>([](SpecialOptionForm& form) {
        QTest::mouseClick(form.ChkRenew, Qt::LeftButton);
        QTest::mouseClick(form.cmdCancel, Qt::LeftButton);
    });
    h.Choose("MenuSpecialOption");
    EXPECT_TRUE(renew->isHidden());
    EXPECT_EQ(SettingsFile(), before);
}

TEST(SpecialOptionDialog, ALoginEntryThatCannotBeWrittenKeepsTheDialogOpenWithNothingSaved)
{
    ControlHarness h;
    XdgAutostart autostart("/dev/null", "/usr/bin/PalavoXP", {}); // no folder can be made there
    h.services.Autostart = &autostart;
    h.Ctrl();
    const QByteArray before = SettingsFile();
    WhenUp<SpecialOptionForm>([](SpecialOptionForm& form) {
        QTest::mouseClick(form.ChkRenew, Qt::LeftButton);
        QTest::mouseClick(form.ChkAutostart, Qt::LeftButton);
        QTest::mouseClick(form.cmdOK, Qt::LeftButton);
        EXPECT_TRUE(form.isVisible() && form.ChkAutostart->isChecked()) << "still open";
        form.reject();
    });
    h.Choose("MenuSpecialOption");
    EXPECT_TRUE(h.BoxTexts().value(0).startsWith("エラー|ログイン時に起動するためのエントリ"));
    EXPECT_EQ(SettingsFile(), before);
}

TEST(AboutDialog, ShowsTheVersionOpensTheHomePageAndLooksForSystemInformation)
{
    ControlHarness h;
    h.Ctrl();
    QTemporaryDir bin;
    const QByteArray oldPath = qgetenv("PATH");
    const QString started = bin.filePath(QStringLiteral("started"));
    struct Case {
        const char* what;
        bool installed;
    };
    for (const Case c : {Case{"nothing installed", false}, Case{"hardinfo installed", true}}) {
        if (c.installed) {
            QFile tool(bin.filePath(QStringLiteral("hardinfo")));
            ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
            tool.write(QStringLiteral("#!/bin/sh\n: > '%1'\n").arg(started).toLocal8Bit());
            tool.close();
            tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", bin.path().toLocal8Bit());
        h.boxes.Clear();
        h.shell.Opened.clear();
        WhenUp<AboutBoxForm>([](AboutBoxForm& form) {
            EXPECT_EQ(form.windowTitle(), "Palavo XPのﾊﾞｰｼﾞｮﾝ情報");
            EXPECT_EQ(form.lblTitle->text(), "Palavo XP");
            EXPECT_EQ(form.lblVersion->text(), "Version " PALAVO_VERSION);
            QTest::mouseClick(form.HomePageButton, Qt::LeftButton);
            QTest::mouseClick(form.cmdSysInfo, Qt::LeftButton);
            QTest::mouseClick(form.cmdOK, Qt::LeftButton);
        });
        h.Choose("MenuHelpVersion");
        qputenv("PATH", oldPath);

        EXPECT_EQ(h.shell.Opened, QStringList{AboutBoxForm::HomePage()}) << c.what;
        EXPECT_TRUE(AboutBoxForm::HomePage().startsWith("https://")) << c.what;
        if (c.installed) {
            EXPECT_TRUE(h.BoxTexts().isEmpty()) << c.what;
            EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(started); }, 5000)) << c.what;
        } else {
            EXPECT_EQ(h.BoxTexts(),
                      QStringList{"Palavo XPのﾊﾞｰｼﾞｮﾝ情報|現時点ではｼｽﾃﾑ情報を使用できません"})
                << c.what;
        }
    }
}
