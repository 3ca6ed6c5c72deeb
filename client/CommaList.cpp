#include "CommaList.h"

namespace
{

// ASCII blanks only: a full-width space at the edge of a name belongs to the name.
bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView Trim(QStringView text)
{
    while (!text.isEmpty() && IsBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && IsBlank(text.back()))
        text.chop(1);
    return text;
}

} // namespace

QStringList ParseCommaList(const QString& text)
{
    QStringList items;
    const QString input = text + u',';
    QStringView rest(input);
    while (items.size() < CommaListLimit) {
        const qsizetype comma = rest.indexOf(u',');
        // An empty field ends the list; so does the end of the input.
        if (comma <= 0)
            break;
        const QStringView item = Trim(rest.first(comma));
        rest = rest.sliced(comma + 1);
        if (!item.isEmpty())
            items.append(item.toString());
    }
    return items;
}

QString JoinCommaList(const QStringList& items)
{
    return items.join(u',');
}

QStringList SplitStoredList(const QString& text)
{
    if (text.isEmpty())
        return {};
    return text.split(u',');
}
