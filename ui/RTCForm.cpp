#include "RTCForm.h"

#include "client/IChatActions.h"

RTCForm::RTCForm(IChatActions& chat, QObject* parent) : QObject(parent), m_chat(chat) {}

bool RTCForm::Init(int32_t, const QString&)
{
    return false;
}

void RTCForm::VoIPRequestOffered(const QString& IPAddress, const QString&, int32_t, bool, bool)
{
    m_chat.RejectVoIP(IPAddress);
}
