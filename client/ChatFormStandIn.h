#pragma once

#include "client/ChatLog.h"
#include "client/IChatForm.h"

// A one-to-one chat window without a screen: it keeps what it is told (partner, the
// received lines in a ChatLog, whether it was shown or disabled) and is never on screen,
// so it goes with its record. Used until the real window is installed, and by tests.
class ChatFormStandIn : public IChatForm
{
public:
    void SetPartner(const QString& address, const QString& aliase) override;
    void ShowModeless() override
    {
        ++m_showCount;
        m_shown = true;
    }
    void Recvmsg(const QString& message, const QString& group, bool isSecret,
                 const QString& time) override;
    void NotifiyResponsed(const QString& message, const QString& time) override;
    void Disable() override { m_disabled = true; }
    bool OutlivesRecord(std::function<void()>) override { return false; }
    void Reclaim() override { m_disabled = false; }
    bool IsActive() const override { return m_active; }
    bool IsShown() const override { return m_shown; }

    QString m_address;
    QString m_aliase;
    int m_showCount = 0;
    bool m_disabled = false;
    // Never on screen, so never active unless a test says so.
    bool m_active = false;
    // Shown counts as on screen until a test closes it.
    bool m_shown = false;
    ChatLog m_log;
};
