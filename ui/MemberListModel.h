#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QString>

#include <array>
#include <vector>

class UserInformation;

// The rows of the member list: one row a shown member, keyed (and tagged) by its
// address, with its nickname, the icon index (1 present, 2 absent) and the sub-items
// memo/whereabouts, logon name, host name and address. Rows are found again by their
// tag through an index, so presence changes stay cheap with thousands of members.
// Labels cannot be edited.
class MemberListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int ColumnCount = 5;
    // Column keys, in order: "aliase", "location", "username", "hostname", "ipaddress".
    static QString ColumnKey(int column);
    static QString ColumnTitle(int column);

    struct Row {
        QString Key;
        QString Text;
        int Icon = 0;
        std::array<QString, 4> SubItems;
        QString Tag;
    };

    explicit MemberListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    static Row MakeRow(const UserInformation& member);

    // Appends the member's row; a member already shown keeps its one row.
    void Add(const UserInformation& member);
    // Replaces every row by one row for each member, in one reset.
    void Reset(const std::vector<const UserInformation*>& members);
    void Clear();
    void Remove(int row);

    // Orders the rows ascending by the text of `column` (equal texts keep their order);
    // sorting again by the same column keeps the order ascending. Selections follow
    // their rows. Members who arrive later are appended until the next sort.
    void Sort(int column);

    // The row whose tag is `tag`, or -1.
    int FindByTag(const QString& tag) const;
    // Both icons follow the presence; the memo/whereabouts sub-item becomes `location`.
    void SetPresence(int row, bool present, const QString& location);

    int Count() const { return static_cast<int>(m_rows.size()); }
    const Row& RowAt(int row) const { return m_rows[static_cast<size_t>(row)]; }

private:
    void ReindexFrom(int first);

    std::vector<Row> m_rows;
    QHash<QString, int> m_rowByTag;
};
