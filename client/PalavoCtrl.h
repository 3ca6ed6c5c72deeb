#pragma once

#include "client/IControlFormEvents.h"
#include "client/IMemberDetails.h"
#include "client/PalavoCtrlUi.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>

class ControlForm;
class MemberListModel;
class QTimer;
class RTCForm;

// The chat control: the whole visible chat client that the program's window holds.
// It shows the member list, the group selector, the presence selector with the
// memo/whereabouts box, the toolbar and the status bar; it owns the network bridge
// (`vim`) and the voice-call session managers; and it offers the methods through which
// chat windows, dialogs and call windows reach the network. One instance per process,
// reachable through Current().
class PalavoCtrl : public QWidget, public IControlFormEvents, public IMemberDetails
{
    Q_OBJECT
public:
    enum DISP_MODE { D_lvwIcon = 0, D_lvwSmallIcon = 1, D_lvwList = 2, D_lvwReport = 3 };

    // "すべて": the group selector's entry for every member.
    static QString AllGroups();

    // Starts up: settings, the child controls, the bridge with the network component
    // made from the class registry under `componentProgId`, the voice-call probe; about
    // half a second later the start-up timer enters the network when "autoEntry" is on.
    explicit PalavoCtrl(QWidget* parent = nullptr,
                        const QString& componentProgId = QStringLiteral("PalavoIF.PalavoIF"));
    // Leaves the network when entered; the bridge goes with the control.
    ~PalavoCtrl() override;

    // The control of this process, or null.
    static PalavoCtrl* Current();

    // The methods for the windows, in interface order.
    void SendChat(const QString& IPAddress, const QString& Message, const QString& group);
    void SendGroupChat(const QString& Message, const QString& group);
    void SendFile(const QString& IPAddr, const QString& FilePath, const QString& comment);
    void ReqStartVoIP(const QString& destIPAddr, int32_t myPort, bool useVideo, bool capT120);
    void ReqStopVoIP(const QString& destIPAddr);
    void RejectVoIP(const QString& destIPAddr);
    void GetUserDetail(const QString& IPAddr, QString& ToolName, QString& mailaddr) override;
    // Cancels the entry when entered; the host calls it when its window unloads.
    Q_INVOKABLE void ShutDown();
    void DisplayRenewButton(bool visible);

    // The commands of the "ファイル" menu and the refresh of "表示" and the button "最新".
    void MenuEntry_Click();
    void MenuCancelEntry_Click();
    void MenuRenew_Click();

    void SetEntryState(bool entered);
    void UpdateMemberCount();
    // The selector again from the user's groups: "すべて", then each group (only the first
    // while the host list is in use), with a group record for each.
    void RebuildGroups();
    // Selects `name` (else "すべて") as a choice of the user would.
    void SelectGroupFilter(const QString& name);
    // One row for each member in the group `filter`; every member for an empty filter.
    void RebuildMemberList(const QString& filter);

    // The member events of the bridge.
    void OnAddMember(const QString& IPAddress, int32_t PortNo, bool Exist, const QString& Location,
                     const QString& Aliase, const QString& HostName, const QString& UserName,
                     const QString& GroupNames) override;
    void OnDeleteMember(const QString& IPAddress) override;
    void OnRecvMessage(const QString& IPAddress, int32_t PortNo, const QString& GroupName,
                       const QString& Message, bool IsSecret) override;
    void OnRecvGroupMessage(const QString& IPAddress, int32_t PortNo, const QString& GroupName,
                            const QString& Message) override;
    void OnChangeMember(const QString& IPAddress, bool Exist, const QString& Location) override;
    void OnAutoResponsed(const QString& IPAddress, const QString& Message) override;

    bool EntryState() const { return m_EntryState; }
    const QString& GroupFilter() const { return m_GroupFilter; }
    const QString& AbsenceResponse() const { return m_AbsenceResponse; }
    DISP_MODE ViewMode() const { return m_ViewMode; }
    const QString& LocalAddress() const { return m_LocalAddress; }
    int16_t MediaCapabilities() const { return m_MediaCapabilities; }
    // Panels 1 (connection), 2 (voice chat), 3 (member count).
    QString PanelText(int panel) const;

    ControlForm* vim() const { return m_vim.get(); }
    // The voice-call session manager; null while voice chat is unavailable.
    RTCForm* VoiceCallManager() const { return m_RTCForm.get(); }
    MemberListView* ListView() const { return ui.ListView; }
    MemberListModel* Members() const;

private:
    void SetPanelText(int panel, const QString& text);
    void DropVoiceCallManager();
    void TimerForInitial_Timer();

    void cmbGroup_Click();
    void cmdGroupCast_Click();
    void optExist_Click(int index);
    void cmdLocation_Click();

    void AddMemberToGroup(const QString& group, const QString& aliase, const QString& address);
    void RemoveMemberFromGroups(const QString& address);

    PalavoCtrlUi ui;
    QTimer* TimerForInitial = nullptr;

    bool m_InitializingFlag = false;
    bool m_EntryState = false;
    QString m_GroupFilter;
    QString m_AbsenceResponse;
    DISP_MODE m_ViewMode = D_lvwReport;
    QString m_LocalAddress;
    int16_t m_MediaCapabilities = 0;

    std::unique_ptr<ControlForm> m_vim;
    std::unique_ptr<RTCForm> m_RTCForm;
    std::unique_ptr<RTCForm> m_DummyObj;
};
