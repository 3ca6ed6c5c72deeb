#include "RTCForm.h"

#include "client/PalavoCtrl.h"

RTCForm::RTCForm(QObject* parent) : QObject(parent) {}

bool RTCForm::Init(int32_t, const QString&)
{
    return false;
}

void RTCForm::VoIPRequestOffered(const QString& IPAddress, const QString&, int32_t, bool, bool)
{
    if (PalavoCtrl* control = PalavoCtrl::Current())
        control->RejectVoIP(IPAddress);
}
