#pragma once

#include "engine/XmlElementList.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// The XML commands of a file transfer and the pure rules both transfer windows share.
// Texts on the wire are code page 932 bytes, written as they are (no escaping).
namespace FileTransferCommands
{

// "<Command>FileTransfer</Command><Sender>..</Sender><PortNo>n</PortNo>"
// "<FileName>..</FileName><FileSize>n</FileSize><Comment>..</Comment>"
QByteArray OfferText(QByteArrayView sender, int32_t portNo, QByteArrayView fileName,
                     int32_t fileSize, QByteArrayView comment);
QByteArray StopText();   // "<Command>StopFileTrans</Command>"
QByteArray RejectText(); // "<Command>RejectFileTrans</Command>"

struct Offer {
    QByteArray FileName;
    QByteArray Sender;
    QByteArray Comment;
    int32_t PortNo = 0;
    int32_t FileSize = 0;
};
Offer ReadOffer(const XmlElementList& elements);

// A decimal number read the way the C library's atoi reads it: leading blanks, an
// optional sign, the digits that follow; 0 when there are none. Saturates instead of
// overflowing.
int32_t DecimalValue(QByteArrayView text);

// The offered name as a plain file name, safe to show and to suggest in the save-as
// dialog: only the part after the last '/' or '\', without control or invisible format
// characters (the direction controls among them), and never empty, "." or ".." (those
// become "file").
QString PlainFileName(const QString& offered);

// What the progress bar and text show for `done` of `total` bytes.
struct ProgressDisplay {
    int Maximum = 100; // the bar's range is 0 to Maximum
    int Value = 0;
    QString Text;
};
ProgressDisplay MakeProgressDisplay(int64_t done, int64_t total);

// A window's state with its bar and progress text showing `done` of `total` bytes.
template <typename WindowState>
WindowState WithProgress(WindowState state, int64_t done, int64_t total)
{
    const ProgressDisplay display = MakeProgressDisplay(done, total);
    state.ProgressText = display.Text;
    state.ProgressMaximum = display.Maximum;
    state.ProgressValue = display.Value;
    return state;
}

} // namespace FileTransferCommands
