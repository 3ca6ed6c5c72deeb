#pragma once

#include <QTreeView>

#include <array>
#include <cstdint>

class MemberListModel;

// The member list as the user sees it: the detail (report) view of the rows of a
// MemberListModel with the product's five columns, row selection, no editing, and
// file drops accepted. Fills quickly: rows have one height, so adding thousands of
// members lays nothing out row by row.
class MemberListView : public QTreeView
{
    Q_OBJECT
public:
    explicit MemberListView(QWidget* parent = nullptr);

    MemberListModel* Members() const { return m_members; }

    // Column widths from the list's width in twips, taken as a 16-bit integer W:
    // W/4 - 80, then 3W/16 - 15 three times, then 3W/16 + 50 (all in twips).
    static std::array<double, 5> ColumnWidthsTwips(int16_t listWidthTwips);
    // Sets the widths from the list's present width.
    void SizeColumnsToWidth();

    // The tag (address) of the selected row; empty when none is selected.
    QString SelectedTag() const;

private:
    MemberListModel* m_members;
};
