#pragma once

#include "client/SettingsRecord.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// What the memo/whereabouts list and the broadcast list dialogs share: a text box with
// "追加" (the default button) and "削除", the list of entries, "OK" and "ｷｬﾝｾﾙ". The
// dialog loads its own copy of the settings record when it is made and fills the list
// from one stored comma list; OK joins the entries with "," in list order and hands
// the text to Store, which saves and says whether the dialog may close.
class SettingsListForm : public QDialog
{
    Q_OBJECT
public:
    // The entries in list order.
    QStringList Entries() const;

    QPushButton* cmdAdd = nullptr;
    QPushButton* cmdRemove = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

protected:
    struct Names {
        const char* caption;
        const char* textLabel;
        const char* textBox;
        const char* listLabel;
        const char* list;
    };
    SettingsListForm(const Names& names, QWidget* parent);

    // Fills the list from the stored text (SplitStoredList).
    void LoadList(const QString& stored);
    // False refuses `text` (the box has told the user why); it is then neither added
    // nor cleared. Every text is accepted unless a dialog says otherwise.
    virtual bool CanAdd(const QString& text);
    // The joined entries on OK; true when the dialog should close.
    virtual bool Store(const QString& joined) = 0;

    SettingsRecord m_record;
    QLineEdit* m_text = nullptr;
    QListWidget* m_list = nullptr;

private:
    void cmdAdd_Click();
    void cmdRemove_Click();
    void OKButton_Click();
};
