// libFuzzer target: any offer a peer sends is read without fault, and the file name it
// carries always becomes a plain name that cannot leave the folder the user chose and
// shows what it is: no separator, no control character, no invisible format character
// (Cf: the direction overrides and their kin), never empty, "." or "..". Offers written
// by OfferText read back whole, and the progress display stays inside its bar.
#include "component/FileTransferCommands.h"
#include "engine/XmlElementList.h"
#include "platform/Cp932.h"

#include <QList>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

void CheckPlain(const QString& name)
{
    Check(!name.isEmpty(), "plain name is empty");
    Check(name != QLatin1String(".") && name != QLatin1String(".."), "plain name is . or ..");
    // By code point: a format character outside the first plane is two QChars.
    for (const uint c : name.toUcs4()) {
        Check(c != '/' && c != '\\', "plain name has a separator");
        const QChar::Category category = QChar::category(static_cast<char32_t>(c));
        Check(category != QChar::Other_Control, "plain name has a control character");
        Check(category != QChar::Other_Format,
              "plain name has an invisible format character (Cf), e.g. a direction override");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace FileTransferCommands;
    const QByteArrayView input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // As it arrives: whatever the text, the offer reads and its name is made plain.
    const Offer offer = ReadOffer(XmlElementList::Split(input));
    CheckPlain(PlainFileName(Cp932::ToUnicode(offer.FileName)));
    CheckPlain(PlainFileName(QString::fromUtf8(input)));

    // As we write it: with a name and comment of plain single-byte text (what the other
    // side's splitter can always find the end of), the numbers and sender come back.
    const auto plain = [](QByteArrayView text) {
        QByteArray out = text.toByteArray().left(1000);
        for (char& c : out)
            if (c == '<' || c == '\0' || static_cast<unsigned char>(c) >= 0x80)
                c = '_';
        return out;
    };
    const qsizetype half = input.size() / 2;
    const QByteArray name = plain(input.first(half));
    const QByteArray comment = plain(input.sliced(half));
    int32_t numbers[2] = {};
    std::memcpy(numbers, data, std::min(size, sizeof numbers));
    const Offer back = ReadOffer(
        XmlElementList::Split(OfferText("10.0.0.1", numbers[0], name, numbers[1], comment)));
    Check(back.PortNo == numbers[0] && back.FileSize == numbers[1], "numbers do not come back");
    Check(back.Sender == "10.0.0.1", "sender does not come back");

    // Progress for any done of any total within the 32-bit sizes an offer can carry.
    const int64_t total = numbers[1] < 0 ? -int64_t{numbers[1]} : numbers[1];
    const int64_t done = numbers[0] < 0 ? 0 : std::min<int64_t>(numbers[0], total);
    const ProgressDisplay display = MakeProgressDisplay(done, total);
    Check(display.Value >= 0 && display.Value <= display.Maximum, "progress outside its bar");
    return 0;
}
