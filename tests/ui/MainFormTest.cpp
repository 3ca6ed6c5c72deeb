// The program's window: the control made from the class registry, the question before
// closing, and the shutdown of the control; and the program's command line.
#include "ControlHarness.h"

#include "common/EventWaiter.h"
#include "host/MainForm.h"
#include "host/ProgramOptions.h"
#include "platform/ClassRegistry.h"
#include "ui/PalavoCtrl.h"
#include "ui/PalavoCtrlModule.h"

#include <gtest/gtest.h>

TEST(MainForm, HoldsTheControlMadeByItsClassName)
{
    ControlHarness h;
    h.RegisterControlClass();
    std::unique_ptr<MainForm> made = h.MakeWindow();
    MainForm& window = *made;
    window.show();
    EXPECT_EQ(window.windowTitle(), "Palavo XP");
    EXPECT_FALSE(window.windowIcon().isNull());
    ASSERT_NE(window.PalavoCtrl1(), nullptr);
    EXPECT_EQ(window.PalavoCtrl1()->parent(), &window);
    EXPECT_EQ(window.PalavoCtrl1()->objectName(), "PalavoCtrl1");
    EXPECT_EQ(window.PalavoCtrl1()->geometry(), window.rect());

    // The control follows the window's size.
    window.resize(800, 600);
    EXPECT_TRUE(WaitUntil([&] { return window.PalavoCtrl1()->size() == QSize(800, 600); }));
}

TEST(MainForm, TheLibraryRegistersTheControlClass)
{
    ControlHarness h; // its own settings directory, so no automatic entry
    EXPECT_EQ(h.registry.Find(QStringLiteral("PalavoOCX.PalavoCtrl")), nullptr);
    PalavoCtrlModule::DllRegisterServer(h.registry, h.services);
    std::unique_ptr<QObject> made = h.registry.Create(QStringLiteral("PalavoOCX.PalavoCtrl"));
    EXPECT_NE(qobject_cast<PalavoCtrl*>(made.get()), nullptr);
    EXPECT_EQ(made->parent(), nullptr) << "the window that asked takes it";
    PalavoCtrlModule::DllUnregisterServer(h.registry);
    EXPECT_EQ(h.registry.Find(QStringLiteral("PalavoOCX.PalavoCtrl")), nullptr);
}

TEST(MainForm, AnsweringNoKeepsEverythingRunning)
{
    ControlHarness h;
    h.RegisterControlClass();
    std::unique_ptr<MainForm> made = h.MakeWindow();
    MainForm& window = *made;
    window.show();
    h.Choose("MenuEntry");
    h.PeerEnters("10.0.0.2", "太郎", {});
    h.TakeBroadcasts();

    h.boxes.QueueAnswer(MessageBoxAnswer::No);
    EXPECT_FALSE(window.close());
    ASSERT_EQ(h.boxes.Shown().size(), 1u);
    const MessageBoxRequest& question = h.boxes.Shown()[0];
    EXPECT_EQ(question.Text, "Palavo XPを終了しますか？");
    EXPECT_EQ(question.Caption, "かくにん");
    EXPECT_EQ(question.Buttons, MessageBoxButtons::YesNo);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.PalavoCtrl1()->EntryState());
    EXPECT_EQ(h.Rows().size(), 1);
    EXPECT_TRUE(h.TakeBroadcasts().isEmpty()); // the peers saw no exit

    h.boxes.QueueAnswer(MessageBoxAnswer::Yes);
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.PalavoCtrl1()->EntryState());
    EXPECT_EQ(h.TakeBroadcasts(), QStringList{"0x2 自分"});
}

TEST(MainForm, LeavingTheNetworkHappensOnceEvenWithoutAClose)
{
    ControlHarness h;
    h.RegisterControlClass();
    {
        std::unique_ptr<MainForm> window = h.MakeWindow();
        window->show();
        h.Choose("MenuEntry");
        h.TakeBroadcasts();
    } // the program ends without a close event, as at the end of a session
    EXPECT_EQ(h.TakeBroadcasts(), QStringList{"0x2 自分"});
}

TEST(ProgramOptions, TheCommandLineIsReadAsDocumented)
{
    struct Case {
        QStringList args;
        ProgramOptions::Action what;
        QString home;
        QStringList qt;
    };
    const Case cases[] = {
        {{}, ProgramOptions::Run, "", {}},
        {{"--help"}, ProgramOptions::ShowHelp, "", {}},
        {{"-h"}, ProgramOptions::ShowHelp, "", {}},
        {{"--version"}, ProgramOptions::ShowVersion, "", {}},
        {{"--home", "/tmp/p"}, ProgramOptions::Run, "/tmp/p", {}},
        {{"--home=/tmp/q", "-platform", "offscreen"},
         ProgramOptions::Run,
         "/tmp/q",
         {"-platform", "offscreen"}},
        {{"--home"}, ProgramOptions::Fail, "", {}},
        {{"--bogus"}, ProgramOptions::Fail, "", {}},
    };
    for (const Case& c : cases) {
        const ProgramOptions options = ParseProgramOptions(c.args);
        EXPECT_EQ(options.What, c.what) << qPrintable(c.args.join(' '));
        EXPECT_EQ(options.Home, c.home) << qPrintable(c.args.join(' '));
        EXPECT_EQ(options.QtArguments, c.qt) << qPrintable(c.args.join(' '));
    }
    EXPECT_EQ(VersionText(), QStringLiteral("PalavoXP " PALAVO_VERSION "\n"));
}
