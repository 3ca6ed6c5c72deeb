#include "LocatioListForm.h"

#include "client/ChatInfo.h"
#include "client/INIData.h"

LocatioListForm::LocatioListForm(ChatInfo& info, QWidget* parent)
    : SettingsListForm({"メモ･居場所リストの設定", "追加文", "txtLocation", "", "ListLocation"},
                       parent),
      m_info(info)
{
    txtLocation = m_text;
    ListLocation = m_list;
    LoadList(m_record.locationlist);
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
