#include "MemberListView.h"

#include "ui/MemberIcons.h"
#include "ui/MemberListModel.h"
#include "ui/Twips.h"

#include <QHeaderView>

#include <algorithm>

MemberListView::MemberListView(QWidget* parent)
    : QTreeView(parent), m_members(new MemberListModel(this))
{
    setModel(m_members);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(MemberIcons::SmallSize, MemberIcons::SmallSize));
    setAcceptDrops(true);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
}

std::array<double, 5> MemberListView::ColumnWidthsTwips(int16_t listWidthTwips)
{
    const double w = listWidthTwips;
    const double narrow = 3.0 * w / 16.0 - 15.0;
    return {w / 4.0 - 80.0, narrow, narrow, narrow, 3.0 * w / 16.0 + 50.0};
}

void MemberListView::SizeColumnsToWidth()
{
    // The width is held in a 16-bit integer; a list wider than 32767 twips (about 2200
    // pixels) counts as 32767 rather than overflowing.
    const auto w = static_cast<int16_t>(std::clamp(PixelsToTwips(this, width()), 0, 32767));
    const std::array<double, 5> widths = ColumnWidthsTwips(w);
    for (int column = 0; column < static_cast<int>(widths.size()); ++column)
        header()->resizeSection(column, std::max(0, TwipsToPixels(this, widths[column])));
}

QString MemberListView::SelectedTag() const
{
    // The icon styles share this selection but select only the first column of a row,
    // so any selected cell names its row.
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return {};
    return m_members->RowAt(selected.first().row()).Tag;
}
