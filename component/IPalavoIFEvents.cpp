#include "IPalavoIFEvents.h"

// A sink hears only the events it overrides.
void IPalavoIFEvents::MemberAdded(const QString&, int32_t, VARIANT_BOOL, const QString&,
                                  const QString&, const QString&, const QString&, const QString&)
{
}
void IPalavoIFEvents::PresenseNotified(const QString&, VARIANT_BOOL, const QString&) {}
void IPalavoIFEvents::MemberDeleted(const QString&) {}
void IPalavoIFEvents::MessageReceived(const QString&, int32_t, const QString&, const QString&,
                                      VARIANT_BOOL)
{
}
void IPalavoIFEvents::XmlMessageReceived(const QString&, int32_t, const QString&) {}
void IPalavoIFEvents::GroupMessageReceived(const QString&, int32_t, const QString&, const QString&)
{
}
void IPalavoIFEvents::AutoResponsedNotification(const QString&, const QString&) {}
void IPalavoIFEvents::VoIPRequestReceived(const QString&, const QString&, int32_t, VARIANT_BOOL,
                                          VARIANT_BOOL)
{
}
void IPalavoIFEvents::VoIPRejectReceived(const QString&) {}
void IPalavoIFEvents::VoIPRequestStopReceived(const QString&) {}
