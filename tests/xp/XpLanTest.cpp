#include "XpLanTest.h"

#include "NetNamespace.h"

#include "client/INIData.h"
#include "host/MainForm.h"
#include "support/EventWaiter.h"
#include "ui/MemberIcons.h"
#include "ui/MemberListView.h"
#include "ui/PalavoCtrl.h"
#include "ui/PalavoCtrlModule.h"

#include <QIcon>
#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

namespace
{

QString IconName(const QVariant& decoration)
{
    const qint64 key = decoration.value<QIcon>().cacheKey();
    if (key == MemberIcons::Icon(MemberIcons::Present).cacheKey())
        return QStringLiteral("present");
    if (key == MemberIcons::Icon(MemberIcons::Absent).cacheKey())
        return QStringLiteral("absent");
    return QStringLiteral("?");
}

} // namespace

void XpLanTest::SetUp()
{
    LanTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    ASSERT_TRUE(m_home.isValid());
    m_oldHomeSet = qEnvironmentVariableIsSet("PALAVO_HOME");
    m_oldHome = qgetenv("PALAVO_HOME");
    qputenv("PALAVO_HOME", m_home.path().toLocal8Bit());
    const QString user = QStringLiteral("User");
    INIData::WriteIniString(user, QStringLiteral("aliase"), OwnAliase());
    INIData::WriteIniString(user, QStringLiteral("grouplist"), QStringLiteral("開発部,営業部"));
    INIData::WriteIniString(user, QStringLiteral("mailAddress"), QStringLiteral("xp@example.jp"));
    INIData::WriteIniString(user, QStringLiteral("autoEntry"), QStringLiteral("1"));

    PalavoCtrlModule::DllRegisterServer(m_registry, m_services);
}

void XpLanTest::TearDown()
{
    // The windows leave the network before the hosts go away.
    m_others.clear();
    m_window.reset();
    if (m_oldHomeSet)
        qputenv("PALAVO_HOME", m_oldHome);
    else
        qunsetenv("PALAVO_HOME");
    LanTest::TearDown();
}

MainForm* XpLanTest::OpenWindow()
{
    {
        // The control reads the local address while it starts and makes its socket at
        // the automatic entry half a second later: both must happen inside host 1.
        NetNamespace host1(Lan().Namespace(1));
        if (!host1.Entered()) {
            ADD_FAILURE() << host1.Error().toStdString();
            return nullptr;
        }
        m_window = std::make_unique<MainForm>(m_registry, m_boxes, m_tray);
        m_window->show();
        if (m_window->PalavoCtrl1() == nullptr) {
            ADD_FAILURE() << "the window holds no chat control";
            return nullptr;
        }
        // Nobody pressed anything: only the start-up timer may enter.
        EXPECT_FALSE(Ctrl().EntryState()) << "entered before the start-up timer ran";
        if (!WaitUntil([&] { return Ctrl().EntryState(); }, 5000)) {
            ADD_FAILURE() << "no automatic entry; status bar: "
                          << Ctrl().PanelText(1).toStdString();
            return nullptr;
        }
    }
    return m_window.get();
}

PalavoCtrl* XpLanTest::OpenOtherWindow(int host, const QString& aliase, const QString& groups)
{
    auto other = std::make_unique<OtherWindow>();
    if (!other->Home.isValid()) {
        ADD_FAILURE() << "no settings directory";
        return nullptr;
    }
    // The session reads its settings as it starts: only then is PALAVO_HOME its own.
    const QByteArray ownHome = qgetenv("PALAVO_HOME");
    qputenv("PALAVO_HOME", other->Home.path().toLocal8Bit());
    const QString user = QStringLiteral("User");
    INIData::WriteIniString(user, QStringLiteral("aliase"), aliase);
    INIData::WriteIniString(user, QStringLiteral("grouplist"), groups);
    INIData::WriteIniString(user, QStringLiteral("autoEntry"), QStringLiteral("1"));
    PalavoCtrl* ctrl = nullptr;
    {
        NetNamespace inside(Lan().Namespace(host));
        if (inside.Entered()) {
            other->Window = std::make_unique<MainForm>(m_registry, m_boxes);
            other->Window->show();
            ctrl = other->Window->PalavoCtrl1();
            if (ctrl == nullptr || !WaitUntil([&] { return ctrl->EntryState(); }, 5000))
                ADD_FAILURE() << "the window on host " << host << " did not enter";
        } else {
            ADD_FAILURE() << inside.Error().toStdString();
        }
    }
    qputenv("PALAVO_HOME", ownHome);
    if (ctrl == nullptr || !ctrl->EntryState())
        return nullptr;
    m_others.push_back(std::move(other));
    return ctrl;
}

PalavoCtrl& XpLanTest::Ctrl()
{
    return *m_window->PalavoCtrl1();
}

QStringList XpLanTest::Rows()
{
    QStringList rows;
    const QAbstractItemModel& model = *Ctrl().ListView()->model();
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model.columnCount(); ++column)
            cells << model.index(row, column).data().toString();
        cells << IconName(model.index(row, 0).data(Qt::DecorationRole));
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

QString XpLanTest::ExpectedRow(const QString& aliase, const QString& memo, const QString& address,
                               bool present)
{
    // Every host of the LAN shares this machine's name, and every copy runs as the user
    // running the test.
    static const QString hostName = QSysInfo::machineHostName();
    static const QString logonName = QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
    return QStringList{aliase,    memo,
                       logonName, hostName,
                       address,   present ? QStringLiteral("present") : QStringLiteral("absent")}
        .join(QLatin1Char('|'));
}

testing::AssertionResult XpLanTest::ShowsRows(const QStringList& rows, int timeoutMs)
{
    if (WaitUntil([&] { return Rows() == rows; }, timeoutMs))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the list shows\n  " << testing::PrintToString(Rows())
                                       << "\ninstead of\n  " << testing::PrintToString(rows);
}

CliPeer& XpLanTest::EnteredPeer(int host)
{
    CliPeer& peer = Start(host);
    EXPECT_TRUE(peer.Call("Entry", Args({1, ""})).value("ok").toBool())
        << peer.Diagnostics().toStdString();
    return peer;
}
