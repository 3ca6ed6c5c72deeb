#pragma once

#include <QIcon>
#include <QImage>

// The member icons of the list, by the index the list uses: 1 = present, 2 = absent.
// Each icon holds the large (32 px) and the small (16 px) image, so every view style
// picks its own size from the same icon.
namespace MemberIcons
{

constexpr int Present = 1;
constexpr int Absent = 2;
constexpr int LargeSize = 32;
constexpr int SmallSize = 16;

// The index for a presence.
inline int ForPresence(bool present)
{
    return present ? Present : Absent;
}

// A person in green when present; greyed, with a red "away" badge, when absent.
QImage PaintMemberIcon(int index, int size);
// Painted once per process; an unknown index gives a null icon.
const QIcon& Icon(int index);

} // namespace MemberIcons
