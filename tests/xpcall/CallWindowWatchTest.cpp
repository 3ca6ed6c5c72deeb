// The call tests read the status window as a person would; these cases make sure that
// reading is right before any call is trusted to it: which window is the status window,
// which changes are told, what counts as closed, and which buttons can be pressed.
#include "CallWindowWatch.h"

#include <QDialog>
#include <QJsonArray>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{

// A stand-in of the status window: a status line and the three buttons.
struct StatusWindow {
    std::unique_ptr<QWidget> Window = std::make_unique<QWidget>();
    QLabel* Status = new QLabel(Window.get());
    QPushButton* Accept = new QPushButton(QStringLiteral("承諾"), Window.get());
    QPushButton* Drop = new QPushButton(QStringLiteral("切断"), Window.get());
    QPushButton* Reject = new QPushButton(QStringLiteral("拒否"), Window.get());

    explicit StatusWindow(const QString& caption)
    {
        auto* layout = new QVBoxLayout(Window.get());
        for (QWidget* child : std::initializer_list<QWidget*>{Status, Accept, Drop, Reject})
            layout->addWidget(child);
        Status->setObjectName(QStringLiteral("lblStatus"));
        Window->setWindowTitle(caption);
    }
};

class WatchTest : public testing::Test
{
protected:
    // The lines told by one look, as compact JSON.
    std::vector<QJsonObject> Look()
    {
        m_lines.clear();
        m_watch.Look();
        return m_lines;
    }

    QWidget m_program;
    std::vector<QJsonObject> m_lines;
    CallWindowWatch m_watch{&m_program, [this](QJsonObject line) { m_lines.push_back(line); }};
};

QJsonObject StatusLine(const QString& text, const QStringList& buttons)
{
    return {{"status", text}, {"buttons", QJsonArray::fromStringList(buttons)}};
}

TEST_F(WatchTest, TellsTheStatusWindowFromOpeningToClosing)
{
    m_program.setWindowTitle(QStringLiteral("Palavo XP"));
    m_program.show();
    EXPECT_TRUE(Look().empty()) << "the program's own window is no call window";

    auto call = std::make_unique<StatusWindow>(QStringLiteral("音声チャット for 花子"));
    call->Status->setText(QStringLiteral("花子さんから音声チャットのお誘いです"));
    call->Drop->hide();
    call->Window->show();
    EXPECT_EQ(Look(), (std::vector<QJsonObject>{
                          {{"callWindow", "音声チャット for 花子"}},
                          StatusLine(QStringLiteral("花子さんから音声チャットのお誘いです"),
                                     {QStringLiteral("承諾"), QStringLiteral("拒否")}),
                      }));
    EXPECT_TRUE(Look().empty()) << "nothing changed, nothing told";

    // The call connects: new text and buttons, told once together.
    call->Status->setText(QStringLiteral("通話中です"));
    call->Accept->hide();
    call->Reject->hide();
    call->Drop->show();
    EXPECT_EQ(Look(), (std::vector<QJsonObject>{
                          StatusLine(QStringLiteral("通話中です"), {QStringLiteral("切断")})}));
    call->Drop->setEnabled(false);
    EXPECT_EQ(Look(), (std::vector<QJsonObject>{StatusLine(QStringLiteral("通話中です"),
                                                           {QStringLiteral("切断(off)")})}));

    // A window that is destroyed has closed as much as one that is hidden.
    call.reset();
    EXPECT_EQ(Look(), (std::vector<QJsonObject>{{{"callWindowClosed", "音声チャット for 花子"}}}));
    EXPECT_TRUE(Look().empty());

    StatusWindow next(QStringLiteral("音声チャット for 山田太郎"));
    next.Window->show();
    EXPECT_EQ(Look().size(), 2u) << "the next call's window is told afresh";
    next.Window->hide();
    EXPECT_EQ(Look(),
              (std::vector<QJsonObject>{{{"callWindowClosed", "音声チャット for 山田太郎"}}}));
}

TEST_F(WatchTest, OnlyAShownEnabledButtonIsPressed)
{
    struct Case {
        const char* button;
        bool shown;
        bool enabled;
        bool pressed;
    };
    const Case cases[] = {
        {"承諾", true, true, true},
        {"承諾", false, true, false},              // hidden: a person cannot press it
        {"承諾", true, false, false},              // greyed out
        {"ホワイトボード共有", true, true, false}, // no such button in this window
    };
    StatusWindow call(QStringLiteral("音声チャット for 花子"));
    call.Window->show();
    int clicks = 0;
    QObject::connect(call.Accept, &QPushButton::clicked, [&] { ++clicks; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        call.Accept->setVisible(c.shown);
        call.Accept->setEnabled(c.enabled);
        clicks = 0;
        QString error;
        EXPECT_EQ(m_watch.Press(QString::fromUtf8(c.button), &error), c.pressed)
            << error.toStdString();
        EXPECT_EQ(clicks, c.pressed ? 1 : 0);
        EXPECT_EQ(error.isEmpty(), c.pressed);
    }
    call.Window->hide();
    QString error;
    EXPECT_FALSE(m_watch.Press(QStringLiteral("切断"), &error));
    EXPECT_EQ(error, QStringLiteral("no status window"));
}

TEST_F(WatchTest, AnyOtherPlainWindowIsTheVideo)
{
    m_program.show();
    StatusWindow call(QStringLiteral("音声チャット for 花子"));
    call.Window->show();
    Look();
    QDialog modal;
    modal.setModal(true);
    modal.show();
    EXPECT_TRUE(Look().empty()) << "a dialog is not video";

    QWidget video;
    video.setWindowTitle(QStringLiteral("花子"));
    video.resize(320, 240);
    video.show();
    const std::vector<QJsonObject> shown = Look();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].value("videoWindow").toString(), QStringLiteral("花子"));
    EXPECT_TRUE(shown[0].value("visible").toBool());
    video.hide();
    EXPECT_EQ(Look(), (std::vector<QJsonObject>{{{"videoWindow", "花子"}, {"visible", false}}}));
    QString error;
    EXPECT_FALSE(m_watch.Shot(QStringLiteral("/nonexistent/x.png"), &error));
    EXPECT_EQ(error, QStringLiteral("no video window is shown"));
}

} // namespace
