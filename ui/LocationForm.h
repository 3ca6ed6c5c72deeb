#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QLineEdit;
class QPushButton;

// The memo/whereabouts dialog, "メモや居場所の設定": the user picks or types the text
// others see while absent, and the absence reply. The caller fills it, shows it
// modally and reads the public fields afterwards; the dialog only hides itself, on OK
// and on Cancel alike. A new form starts with the fields empty and m_boolBtnStatus false.
//
//     LocationForm form(parent);
//     form.setLocation(current);              // first, so the list does not replace it
//     form.m_LocationList = list;             // the stored comma list
//     form.m_Response = reply;
//     form.updateList();
//     form.exec();                            // then read m_boolBtnStatus, m_Location, m_Response
class LocationForm : public QDialog
{
    Q_OBJECT
public:
    explicit LocationForm(QWidget* parent = nullptr);

    // Puts `text` into the combo box and m_Location.
    void setLocation(const QString& text);
    // Offers every item of m_LocationList and shows m_Response.
    void updateList();

    QString m_LocationList;
    QString m_Response;
    QString m_Location;
    bool m_boolBtnStatus = false;

    QComboBox* cmbLocation = nullptr;
    QLineEdit* txtResponse = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    void OKButton_Click();
    void CancelButton_Click();
};
