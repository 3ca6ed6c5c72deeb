#include "ControlHarness.h"

#include "client/ControlForm.h"
#include "client/INIData.h"
#include "component/PalavoIF.h"
#include "engine/Commands.h"
#include "engine/PacketCodec.h"
#include "engine/SocketEvent.h"
#include "host/MainForm.h"
#include "platform/ClassRegistry.h"
#include "platform/Cp932.h"
#include "ui/MemberListModel.h"
#include "ui/PalavoCtrl.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

namespace
{
QString Switch(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}
} // namespace

ControlHarness::ControlHarness(const UiSettings& settings)
    : services{boxes,
               beeps,
               saveAs,
               shell,
               settings.transferDialogs ? static_cast<ITransferViewFactory&>(transferDialogs)
                                        : views,
               openFiles,
               calls,
               notifications}
{
    m_oldHome = qgetenv("PALAVO_HOME");
    qputenv("PALAVO_HOME", (settings.home.isEmpty() ? m_home.path() : settings.home).toLocal8Bit());
    INIData::WriteIniInt(QStringLiteral("CHAT"), QStringLiteral("port"), Port);
    const QString user = QStringLiteral("User");
    INIData::WriteIniString(user, QStringLiteral("aliase"), settings.aliase);
    INIData::WriteIniString(user, QStringLiteral("grouplist"), settings.grouplist);
    INIData::WriteIniString(user, QStringLiteral("hostlist"), Switch(settings.hostlist));
    INIData::WriteIniString(user, QStringLiteral("autoEntry"), Switch(settings.autoEntry));
    INIData::WriteIniString(user, QStringLiteral("displayRenew"), Switch(settings.displayRenew));
    INIData::WriteIniString(user, QStringLiteral("media"), QString::number(settings.media));
    INIData::WriteIniString(user, QStringLiteral("autoAnswer"), Switch(settings.autoAnswer));
    INIData::WriteIniString(user, QStringLiteral("saveHistory"), Switch(settings.saveHistory));
    calls.Available = settings.callClient;

    ClassRegistry::ClassEntry component;
    component.Create = [this]() -> std::unique_ptr<QObject> {
        PalavoIF::Options options;
        options.MakeSocket = [this](QObject*) {
            return std::make_unique<FakeDatagramSocket>(sent, SocketOpens);
        };
        options.Timing.DropWaitMs = 0;
        options.DebugFlag = false;
        return std::make_unique<PalavoIF>(services, std::move(options));
    };
    registry.RegisterClass(QString::fromLatin1(TestProgId), std::move(component));
}

ControlHarness::~ControlHarness()
{
    m_ctrl.reset();
    qputenv("PALAVO_HOME", m_oldHome);
}

void ControlHarness::RegisterControlClass()
{
    ClassRegistry::ClassEntry control;
    control.Create = [this]() -> std::unique_ptr<QObject> {
        return std::make_unique<PalavoCtrl>(registry, services, nullptr,
                                            QString::fromLatin1(TestProgId));
    };
    registry.RegisterClass(QStringLiteral("PalavoOCX.PalavoCtrl"), std::move(control));
}

std::unique_ptr<MainForm> ControlHarness::MakeWindow(ITrayService* tray)
{
    services.Tray = tray;
    auto window = std::make_unique<MainForm>(registry, boxes, tray);
    m_windowCtrl = window->PalavoCtrl1();
    // The control goes with the window; Ctrl() must not hand it out afterwards.
    QObject::connect(m_windowCtrl, &QObject::destroyed, [this] { m_windowCtrl = nullptr; });
    return window;
}

PalavoCtrl& ControlHarness::Ctrl()
{
    if (!m_ctrl && m_windowCtrl != nullptr)
        return *m_windowCtrl;
    if (!m_ctrl) {
        m_ctrl = std::make_unique<PalavoCtrl>(registry, services, nullptr,
                                              QString::fromLatin1(TestProgId));
        m_ctrl->show();
    }
    return *m_ctrl;
}

QWidget* ControlHarness::Widget()
{
    return &Ctrl();
}

PalavoIF& ControlHarness::Component()
{
    auto* component = dynamic_cast<PalavoIF*>(Ctrl().vim()->Component());
    EXPECT_NE(component, nullptr);
    return *component;
}

void ControlHarness::Click(const char* buttonName)
{
    auto* button = Find<QAbstractButton>(buttonName);
    ASSERT_NE(button, nullptr) << buttonName;
    QTest::mouseClick(button, Qt::LeftButton);
}

void ControlHarness::Choose(const char* actionName)
{
    auto* action = Find<QAction>(actionName);
    ASSERT_NE(action, nullptr) << actionName;
    // What a click on an enabled item does; a disabled item ignores the click.
    if (action->isEnabled())
        action->trigger();
}

void ControlHarness::ChooseGroup(int index)
{
    auto* combo = Find<QComboBox>("cmbGroup");
    ASSERT_NE(combo, nullptr);
    ASSERT_TRUE(combo->isEnabled());
    combo->setFocus();
    // Home, then down arrows: each key makes a choice, as the user's keys do.
    QTest::keyClick(combo, Qt::Key_Home);
    for (int i = 0; i < index; ++i)
        QTest::keyClick(combo, Qt::Key_Down);
    ASSERT_EQ(combo->currentIndex(), index);
}

void ControlHarness::Receive(const QByteArray& from, int32_t command, const QByteArray& extra,
                             std::optional<QByteArrayView> groupPart)
{
    static uint32_t packetNo = 1000;
    PalavoIF& component = Component();
    const QByteArray datagram =
        BuildPacket({++packetNo, "user", "host"}, command, extra, groupPart);
    QCoreApplication::postEvent(
        &component,
        new SocketMessage(WM_UDP_NOTIFY, SocketEvent{SocketEvent::DataReceived, from, Port},
                          datagram));
    QCoreApplication::sendPostedEvents(&component); // the notification
    QCoreApplication::sendPostedEvents(&component); // the queued packet
}

void ControlHarness::PeerEnters(const QByteArray& address, const QString& alias,
                                const QStringList& groups, const char* appInfo,
                                std::optional<QString> absentAt)
{
    QByteArray groupPart = Cp932::FromUnicode(groups.join(QLatin1Char(',')));
    groupPart.replace(',', '\0');
    const QByteArray name = Cp932::FromUnicode(alias);
    if (absentAt)
        Receive(address, CMD_ENTRY | OPT_ABSENCE, AbsentExtra(name, Cp932::FromUnicode(*absentAt)),
                QByteArrayView(groupPart));
    else
        Receive(address, CMD_ENTRY, name, QByteArrayView(groupPart));
    if (appInfo != nullptr)
        Receive(address, CMD_SEND_INFO, appInfo);
}

void ControlHarness::PeerPresence(const QByteArray& address, const QString& alias,
                                  std::optional<QString> absentAt)
{
    const QByteArray name = Cp932::FromUnicode(alias);
    if (absentAt)
        Receive(address, CMD_ABSENCE | OPT_ABSENCE,
                AbsentExtra(name, Cp932::FromUnicode(*absentAt)));
    else
        Receive(address, CMD_ABSENCE, name);
}

void ControlHarness::PeerExits(const QByteArray& address, const QString& alias)
{
    Receive(address, CMD_EXIT, Cp932::FromUnicode(alias));
}

void ControlHarness::PeerCasts(const QByteArray& address, const QString& group, const QString& text)
{
    const QByteArray groupPart = Cp932::FromUnicode(group);
    Receive(address, CMD_CAST_MESSAGE, Cp932::FromUnicode(text), QByteArrayView(groupPart));
}

QStringList ControlHarness::Rows()
{
    QStringList rows;
    const MemberListModel& model = *Ctrl().Members();
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model.columnCount(); ++column)
            cells << model.index(row, column).data().toString();
        cells << QString::number(model.RowAt(row).Icon);
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

QStringList ControlHarness::ComboItems(const char* name)
{
    QStringList items;
    auto* combo = Find<QComboBox>(name);
    for (int i = 0; combo != nullptr && i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

QStringList ControlHarness::TakeBroadcasts()
{
    QStringList lines;
    for (const SentDatagram& datagram : sent) {
        if (datagram.Host != "255.255.255.255")
            continue;
        const ReceivedPacket packet = ParsePacket(datagram.Bytes, SocketEvent{});
        lines << QStringLiteral("0x%1 %2")
                     .arg(packet.Command | packet.Options, 0, 16)
                     .arg(Cp932::ToUnicode(packet.Extra));
    }
    sent.clear();
    return lines;
}

QStringList ControlHarness::BoxTexts() const
{
    QStringList texts;
    for (const MessageBoxRequest& box : boxes.Shown())
        texts << box.Caption + QLatin1Char('|') + box.Text;
    return texts;
}
