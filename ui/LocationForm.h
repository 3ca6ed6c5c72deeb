#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QLineEdit;
class QPushButton;

// The memo/whereabouts dialog, "メモや居場所の設定": the user picks or types the text
// others see while absent, and the absence reply. The caller fills it, shows it
// modally and reads the public fields afterwards; the dialog only hides itself.
//
// A first, plain version: the fields and the exchange with the main control are the
// final ones; look and layout may still change.
class LocationForm : public QDialog
{
    Q_OBJECT
public:
    explicit LocationForm(QWidget* parent = nullptr);

    // Puts `text` into the combo box and m_Location.
    void setLocation(const QString& text);
    // Offers every item of m_LocationList and shows m_Response.
    void updateList();

    // Splits a stored list the way every list dialog loads it: only a text longer than one
    // character; items untrimmed, an empty item between two commas kept as an empty entry.
    static QStringList SplitStoredList(const QString& text);

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
