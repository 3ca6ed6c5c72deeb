#include "BroadCastForm.h"

#include "client/ChatInfo.h"
#include "client/INIData.h"
#include "platform/MessageBoxService.h"

namespace
{

bool IsAsciiLetterOrDigit(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

bool IsDottedAddress(const QStringList& parts)
{
    if (parts.size() != 4)
        return false;
    for (const QString& part : parts) {
        // Decimal only, no sign, at most three digits (so "0010" is not taken for 10).
        if (part.isEmpty() || part.size() > 3)
            return false;
        for (QChar c : part)
            if (c < u'0' || c > u'9')
                return false;
        if (part.toInt() > 255)
            return false;
    }
    return true;
}

bool IsHostLabel(const QString& label)
{
    if (label.isEmpty() || label.size() > 63 || label.front() == u'-' || label.back() == u'-')
        return false;
    for (QChar c : label)
        if (!IsAsciiLetterOrDigit(c) && c != u'-')
            return false;
    return true;
}

} // namespace

BroadCastForm::BroadCastForm(ChatInfo& info, IMessageBoxService& boxes, QWidget* parent)
    : SettingsListForm(
          {"ルータ越え設定", "IPアドレス", "txtIPAddress", "ブロード  キャスト先", "ListAddress"},
          parent),
      m_info(info), m_boxes(boxes)
{
    txtIPAddress = m_text;
    ListAddress = m_list;
    LoadList(m_record.castAddrList);
}

bool BroadCastForm::IsCastAddress(const QString& text)
{
    if (text.isEmpty() || text.size() > 253)
        return false;
    const QStringList labels = text.split(u'.');
    bool numeric = true;
    for (QChar c : text)
        numeric = numeric && ((c >= u'0' && c <= u'9') || c == u'.');
    if (numeric)
        return IsDottedAddress(labels);
    for (const QString& label : labels)
        if (!IsHostLabel(label))
            return false;
    return true;
}

bool BroadCastForm::CanAdd(const QString& text)
{
    if (IsCastAddress(text))
        return true;
    m_boxes.Show(this, {QStringLiteral("「") + text +
                            QStringLiteral("」はIPアドレスまたはホスト名ではありません。\n"
                                           "1件ずつ、192.168.1.255 や host.example.com "
                                           "のように入力して下さい"),
                        QStringLiteral("警告"), MessageBoxIcon::Warning, MessageBoxButtons::Ok});
    return false;
}

bool BroadCastForm::Store(const QString& joined)
{
    // An empty list is stored too: it turns the extra destinations off.
    m_record.castAddrList = joined;
    INIData::SaveSettings(m_record);
    m_info.setCastAddresses(joined);
    return true;
}
