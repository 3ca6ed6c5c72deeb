#include "ui/HistorySearchForm.h"

#include "client/ConversationHistory.h"
#include "client/LogInfo.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

namespace
{
enum Column { Time, Member, Direction, Text };
// Where a row keeps its conversation.
constexpr int GroupRole = Qt::UserRole;
constexpr int NameRole = Qt::UserRole + 1;

QString DirectionText(int16_t state)
{
    return state == LogLocal ? QStringLiteral("送信") : state == LogReceived ? QStringLiteral("受信")
                                                                             : QString();
}
} // namespace

HistorySearchForm::HistorySearchForm(ConversationHistory& history,
                                     std::function<void(const history::Conversation&)> open,
                                     QWidget* parent)
    : QWidget(parent, Qt::Window), m_history(history), m_open(std::move(open))
{
    setWindowTitle(QStringLiteral("履歴の検索"));
    setObjectName(QStringLiteral("HistorySearchForm"));
    txtSearch = new QLineEdit(this);
    txtSearch->setObjectName(QStringLiteral("txtSearch"));
    cmdSearch = new QPushButton(QStringLiteral("検索"), this);
    cmdSearch->setObjectName(QStringLiteral("cmdSearch"));
    cmdSearch->setDefault(true);
    cmdMore = new QPushButton(QStringLiteral("次へ"), this);
    cmdMore->setObjectName(QStringLiteral("cmdMore"));
    cmdMore->setEnabled(false);
    lvwResult = new QTreeWidget(this);
    lvwResult->setObjectName(QStringLiteral("lvwResult"));
    lvwResult->setRootIsDecorated(false);
    lvwResult->setUniformRowHeights(true);
    lvwResult->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwResult->setHeaderLabels({QStringLiteral("時刻"), QStringLiteral("相手"),
                                QStringLiteral("方向"), QStringLiteral("内容")});

    auto* row = new QHBoxLayout;
    row->addWidget(txtSearch, 1);
    row->addWidget(cmdSearch);
    row->addWidget(cmdMore);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(lvwResult, 1);
    resize(640, 400);

    connect(txtSearch, &QLineEdit::returnPressed, cmdSearch, &QPushButton::click);
    connect(cmdSearch, &QPushButton::clicked, this, &HistorySearchForm::cmdSearch_Click);
    connect(cmdMore, &QPushButton::clicked, this, &HistorySearchForm::cmdMore_Click);
    connect(lvwResult, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr && m_open)
            m_open({item->data(0, GroupRole).toBool(), item->data(0, NameRole).toString()});
    });
}

void HistorySearchForm::cmdSearch_Click()
{
    m_text = txtSearch->text();
    lvwResult->clear();
    ShowPage(0);
}

void HistorySearchForm::cmdMore_Click()
{
    ShowPage(m_last);
}

void HistorySearchForm::ShowPage(qint64 before)
{
    history::IHistoryStore* store = m_history.Store();
    const std::vector<history::Hit> hits =
        store != nullptr && !m_text.isEmpty() ? store->Search(m_text, PageLines, before)
                                              : std::vector<history::Hit>();
    const QLocale locale = QLocale::system();
    for (const history::Hit& hit : hits) {
        const history::Line& line = hit.line;
        const QString member = line.conversation.group
                                   ? line.nickname + QStringLiteral(" (") + line.conversation.name
                                         + QStringLiteral(")")
                                   : line.nickname + QStringLiteral(" (") + line.address
                                         + QStringLiteral(")");
        // Plain text only: a line is a peer's words, never markup.
        auto* item = new QTreeWidgetItem(lvwResult, {locale.toString(
                                                         QDateTime::fromMSecsSinceEpoch(line.time),
                                                         QLocale::ShortFormat),
                                                     member, DirectionText(line.state),
                                                     line.Text().simplified()});
        item->setData(0, GroupRole, line.conversation.group);
        item->setData(0, NameRole, line.conversation.name);
    }
    if (!hits.empty())
        m_last = hits.back().id;
    cmdMore->setEnabled(hits.size() == static_cast<size_t>(PageLines));
}
