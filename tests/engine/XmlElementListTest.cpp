#include "engine/XmlElementList.h"

#include <QByteArray>

#include <gtest/gtest.h>

namespace
{

// The list as "name=value|name=value", so a case reads as one line.
QByteArray Listed(const XmlElementList& list)
{
    QByteArray out;
    for (const auto& [name, value] : list.Elements()) {
        if (!out.isEmpty())
            out.append('|');
        out.append(name).append('=').append(value);
    }
    return out;
}

TEST(XmlElementList, SplitsLikeThePeers)
{
    struct Case {
        const char* text;
        const char* listed;
    };
    const Case cases[] = {
        {"<Command>RejectVoIP</Command>", "Command=RejectVoIP"},
        {"<Command>RequestVoIP</Command><PortNo>5060</PortNo><Video>ON</Video>",
         "Command=RequestVoIP|PortNo=5060|Video=ON"},
        // Names and values lose blanks, tabs, line ends, vertical tabs and form feeds
        // at both ends; the closing tag is made from the trimmed name.
        {"< \tCommand\r\n>\v StopReqVoIP \f</Command>", "Command=StopReqVoIP"},
        {"<A> in side </A>", "A=in side"},
        {"<A></A>", "A="},
        {"<>x</>", "=x"},
        // The closing tag must repeat the opening tag letter for letter.
        {"<command>x</command>", "command=x"},
        {"<command>x</Command>", ""},
        {"<A >x</A >", ""}, // the closing tag is "</A>", not "</A >"
        // A nested element is part of its parent's value; the scan goes on after the
        // parent's closing tag.
        {"<A><B>1</B></A><C>2</C>", "A=<B>1</B>|C=2"},
        // An unclosed element is skipped and the scan goes on inside it.
        {"<A><B>1</B>", "B=1"},
        {"<A>1</B><C>2</C>", "C=2"},
        {"<A>x</A", ""},
        // Stray closing tags and text between elements are passed over.
        {"</X><A>1</A>junk</A><B>2</B>", "A=1|B=2"},
        {"<A>a>b</A>", "A=a>b"},
        {"<<A>1</A>", ""}, // the name is "<A", never closed
        // A "<" with no ">" after it ends the split.
        {"<A>1</A><B", "A=1"},
        {"<A><B", ""},
        {"<", ""},
        {"", ""},
        {"no elements at all", ""},
        // Both are kept when a name repeats.
        {"<A>1</A><a>2</a><A>3</A>", "A=1|a=2|A=3"},
        // Japanese names and values (code page 932) stay whole.
        {"<\x96\xBC\x91\x4F>\x83\x41\x83\x43</\x96\xBC\x91\x4F>",
         "\x96\xBC\x91\x4F=\x83\x41\x83\x43"},
        // No trail byte of a valid character is '<' or '>', so double-byte text splits as
        // single-byte text would. A stray lead byte, though, takes the byte after it: a '<'
        // or '>' right behind one opens or closes nothing.
        {"<A>\x82</A><B>1</B>", "B=1"},
        {"<A\x82>1</A><B>2</B>", "B=2"},
        {"<A>1</A>\x82", "A=1"},
        // Once one tag has gone unclosed, the rest are looked up in an index of the
        // closing tags: the same results, whatever stands where.
        {"<X><A>1</A><Y><B>2</B>", "A=1|B=2"},
        {"<X><A>1<B>2</B></A><C>3</C>", "A=1<B>2</B>|C=3"},
        {"<A>1</A><X><A>2", "A=1"}, // the only "</A>" is behind
        {"<X><a</b>v</a</b>", "a</b=v"},
        {"<X><>v</>", "=v"},
        {"<X>\x82\xA0<A>\x82\xA0</A>", "A=\x82\xA0"},
        // A name ending in a lone lead byte (one that stood before a blank) is never
        // closed: its closing tag would hide its '>' inside a double-byte character.
        {"<A\x82 >1</A\x82><B>2</B>", "B=2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Listed(XmlElementList::Split(c.text)), QByteArray(c.listed)) << c.text;
}

// A peer may send 8 KB of tags that are never closed; whatever follows them still counts.
TEST(XmlElementList, ManyUnclosedTagsHideNothingAfterThem)
{
    QByteArray distinct;
    for (int i = 0; distinct.size() < 7000; ++i)
        distinct += "<n" + QByteArray::number(i) + ">";
    const QByteArray tail = "<Command>RejectVoIP</Command><Z>v</Z>";
    const QByteArray texts[] = {QByteArray("<a>").repeated(2300) + tail, distinct + tail,
                                QByteArray("<a></b>").repeated(1000) + tail};
    for (const QByteArray& text : texts) {
        SCOPED_TRACE(text.left(20).constData());
        EXPECT_EQ(Listed(XmlElementList::Split(text)), "Command=RejectVoIP|Z=v");
    }
}

TEST(XmlElementList, NamesAndValuesAreCutOnACharacterBoundary)
{
    const QByteArray longValue(2000, 'v');
    // 1022 single bytes and one double-byte character straddling the limit.
    const QByteArray longName = QByteArray(1022, 'n') + "\x82\xA0";
    const XmlElementList list =
        XmlElementList::Split(XmlElement(longName, longValue) + XmlElement("B", "1"));
    ASSERT_EQ(list.Elements().size(), 2u);
    EXPECT_EQ(list.Elements()[0].first, QByteArray(1022, 'n'));
    EXPECT_EQ(list.Elements()[0].second, QByteArray(XmlElementList::FieldLimit, 'v'));
    EXPECT_EQ(list.Value("b"), "1");
}

TEST(XmlElementList, ValueFindsTheFirstNameWithoutRegardToCase)
{
    const XmlElementList list =
        XmlElementList::Split("<command>first</command><COMMAND>second</COMMAND><Video>on</Video>");
    EXPECT_EQ(list.Value("Command"), "first");
    EXPECT_EQ(list.Value("VIDEO"), "on");
    EXPECT_EQ(list.Value("capT120"), "");
    EXPECT_EQ(list.Value("Comman"), "");
}

TEST(XmlElementList, CaseFoldingIsAsciiOnly)
{
    EXPECT_TRUE(EqualsIgnoringAsciiCase("RequestVoIP", "requestvoip"));
    EXPECT_TRUE(EqualsIgnoringAsciiCase("", ""));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("Video", "Vide"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("@", "`")); // 0x40 and 0x60 differ in bit 5 too
    // Half-width katakana (0xC1) against a lead byte (0xE1): Latin-1 folding would pair them.
    EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC1\x40", "\xE1\x40"));
}

TEST(XmlElementList, ElementsAreWrittenAsThePeersReadThem)
{
    EXPECT_EQ(XmlElement("Command", "RejectVoIP"), "<Command>RejectVoIP</Command>");
    EXPECT_EQ(XmlElement("PortNo", 2426), "<PortNo>2426</PortNo>");
    EXPECT_EQ(XmlElement("FileSize", -1), "<FileSize>-1</FileSize>");
    EXPECT_EQ(XmlElement("Comment", ""), "<Comment></Comment>");

    const QByteArray offer = XmlElement("Command", "FileTransfer") + XmlElement("Sender", "Taro") +
                             XmlElement("PortNo", 2426) + XmlElement("FileName", "a b.txt") +
                             XmlElement("FileSize", 1234) + XmlElement("Comment", "\x82\xA0");
    EXPECT_EQ(Listed(XmlElementList::Split(offer)),
              "Command=FileTransfer|Sender=Taro|PortNo=2426|FileName=a b.txt|FileSize=1234|"
              "Comment=\x82\xA0");
}

} // namespace
