#include "LocatioListForm.h"

#include "client/ChatInfo.h"
#include "client/INIData.h"
#include "platform/MessageBoxService.h"

LocatioListForm::LocatioListForm(ChatInfo& info, IMessageBoxService& boxes, QWidget* parent)
    : SettingsListForm({"メモ･居場所リストの設定", "追加文", "txtLocation", "", "ListLocation"},
                       parent),
      m_info(info), m_boxes(boxes)
{
    txtLocation = m_text;
    ListLocation = m_list;
    LoadList(m_record.locationlist);
}

bool LocatioListForm::CanAdd(const QString& text)
{
    if (!text.contains(u','))
        return true;
    m_boxes.Show(this, {QStringLiteral("「") + text +
                            QStringLiteral("」には「,」を使えません。\n"
                                           "メモや居場所は1件ずつ入力して下さい"),
                        QStringLiteral("警告"), MessageBoxIcon::Warning, MessageBoxButtons::Ok});
    return false;
}

bool LocatioListForm::Store(const QString& joined)
{
    if (Entries().isEmpty())
        return false;
    m_record.locationlist = joined;
    INIData::SaveSettings(m_record);
    m_info.setLocationList(joined);
    return true;
}
