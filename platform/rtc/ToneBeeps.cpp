#include "ToneBeeps.h"

#include "platform/rtc/DeviceChoice.h"

#include <utility>

namespace rtc
{

ToneBeeps::ToneBeeps(ITonePlayer& player, IBeepService& desktop, QString iniPath)
    : m_player(player), m_desktop(desktop), m_iniPath(std::move(iniPath))
{
}

void ToneBeeps::Beep(int frequency, int durationMs)
{
    // A tone needs a pitch and a length; anything else can only be the desktop's sound.
    if (frequency <= 0 || durationMs <= 0) {
        m_desktop.Beep(frequency, durationMs);
        return;
    }
    const QString speaker = LoadDeviceChoice(m_iniPath).Speaker;
    if (!m_player.PlayTone(frequency, durationMs, speaker))
        m_desktop.Beep(frequency, durationMs);
}

} // namespace rtc
