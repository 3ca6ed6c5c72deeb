#pragma once

#include "platform/history/HistoryStore.h"

#include <QWidget>

#include <functional>

class ConversationHistory;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// "履歴の検索": finds stored lines by any part of their text (two characters find a
// Japanese word inside a sentence), newest first, a page at a time. A double click on a
// row opens that conversation through `open`. A modeless window of the main control.
class HistorySearchForm : public QWidget
{
    Q_OBJECT
public:
    static constexpr int PageLines = 100;

    // Both outlive the window; the store is asked anew at every search, so turning the
    // history off meanwhile leaves the window empty-handed rather than dangling.
    HistorySearchForm(ConversationHistory& history,
                      std::function<void(const history::Conversation&)> open,
                      QWidget* parent = nullptr);

    // "検索": the first page of lines containing the text box's text.
    void cmdSearch_Click();
    // "次へ": the page after the last row shown.
    void cmdMore_Click();

    QLineEdit* txtSearch = nullptr;
    QPushButton* cmdSearch = nullptr;
    QPushButton* cmdMore = nullptr;
    QTreeWidget* lvwResult = nullptr;

private:
    void ShowPage(qint64 before);

    ConversationHistory& m_history;
    std::function<void(const history::Conversation&)> m_open;
    QString m_text;
    qint64 m_last = 0;
};
