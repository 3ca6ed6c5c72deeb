#include "MemberListModel.h"

#include "client/UserInformation.h"
#include "ui/MemberIcons.h"

#include <QStringList>

#include <algorithm>

namespace
{

struct ColumnInfo {
    const char* Key;
    const char* Title; // UTF-8
};

constexpr ColumnInfo Columns[MemberListModel::ColumnCount] = {
    {"aliase", "ニックネーム"}, {"location", "メモ/居所"},   {"username", "ログオン名"},
    {"hostname", "ホスト名"},   {"ipaddress", "IPアドレス"},
};

} // namespace

QString MemberListModel::ColumnKey(int column)
{
    return column >= 0 && column < ColumnCount ? QString::fromUtf8(Columns[column].Key) : QString();
}

QString MemberListModel::ColumnTitle(int column)
{
    return column >= 0 && column < ColumnCount ? QString::fromUtf8(Columns[column].Title)
                                               : QString();
}

MemberListModel::MemberListModel(QObject* parent) : QAbstractTableModel(parent) {}

int MemberListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

int MemberListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MemberListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count())
        return {};
    const Row& row = RowAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return index.column() == 0 ? row.Text : row.SubItems[index.column() - 1];
    case Qt::DecorationRole:
        return index.column() == 0 ? QVariant(MemberIcons::Icon(row.Icon)) : QVariant();
    case Qt::UserRole:
        return row.Tag;
    default:
        return {};
    }
}

QVariant MemberListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return ColumnTitle(section);
}

Qt::ItemFlags MemberListModel::flags(const QModelIndex& index) const
{
    // Selectable and enabled, never editable; dropping files onto a row is the view's.
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDropEnabled
                           : Qt::ItemIsDropEnabled;
}

MemberListModel::Row MemberListModel::MakeRow(const UserInformation& member)
{
    Row row;
    row.Key = member.address();
    row.Text = member.aliase();
    row.Icon = MemberIcons::ForPresence(member.Presence());
    row.SubItems = {member.Location(), member.username(), member.host(), member.address()};
    row.Tag = member.address();
    return row;
}

void MemberListModel::Add(const UserInformation& member)
{
    if (m_rowByTag.contains(member.address()))
        return;
    const int row = Count();
    beginInsertRows({}, row, row);
    m_rows.push_back(MakeRow(member));
    m_rowByTag.insert(member.address(), row);
    endInsertRows();
}

void MemberListModel::Reset(const std::vector<const UserInformation*>& members)
{
    beginResetModel();
    m_rows.clear();
    m_rowByTag.clear();
    m_rows.reserve(members.size());
    for (const UserInformation* member : members) {
        if (m_rowByTag.contains(member->address()))
            continue;
        m_rowByTag.insert(member->address(), Count());
        m_rows.push_back(MakeRow(*member));
    }
    endResetModel();
}

void MemberListModel::Clear()
{
    Reset({});
}

void MemberListModel::Remove(int row)
{
    if (row < 0 || row >= Count())
        return;
    beginRemoveRows({}, row, row);
    m_rowByTag.remove(RowAt(row).Tag);
    m_rows.erase(m_rows.begin() + row);
    ReindexFrom(row);
    endRemoveRows();
}

void MemberListModel::Sort(int column)
{
    if (column < 0 || column >= ColumnCount)
        return;
    auto text = [column](const Row& row) -> const QString& {
        return column == 0 ? row.Text : row.SubItems[static_cast<size_t>(column - 1)];
    };
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QStringList tags;
    for (const QModelIndex& index : before)
        tags << RowAt(index.row()).Tag;
    std::stable_sort(m_rows.begin(), m_rows.end(), [&text](const Row& a, const Row& b) {
        return QString::compare(text(a), text(b), Qt::CaseInsensitive) < 0;
    });
    ReindexFrom(0);
    QModelIndexList after;
    for (qsizetype i = 0; i < before.size(); ++i)
        after << index(FindByTag(tags[i]), before[i].column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int MemberListModel::FindByTag(const QString& tag) const
{
    return m_rowByTag.value(tag, -1);
}

void MemberListModel::SetPresence(int row, bool present, const QString& location)
{
    if (row < 0 || row >= Count())
        return;
    Row& target = m_rows[static_cast<size_t>(row)];
    target.Icon = MemberIcons::ForPresence(present);
    target.SubItems[0] = location;
    emit dataChanged(index(row, 0), index(row, 1));
}

void MemberListModel::ReindexFrom(int first)
{
    for (int row = first; row < Count(); ++row)
        m_rowByTag[RowAt(row).Tag] = row;
}
