#pragma once

#include "platform/WindowMessage.h"

#include <cstdint>

// Command codes and option bits of the datagram protocol, in the numbering shared
// with IP Messenger. Codes 0x26, 0x28, 0x29, 0x48 and 0x49 are our own extensions.
// Add to the end; never renumber.
inline constexpr int32_t CMD_NOOPERATION = 0x00;
inline constexpr int32_t CMD_ENTRY = 0x01;
inline constexpr int32_t CMD_EXIT = 0x02;
inline constexpr int32_t CMD_ANSWER_ENTRY = 0x03;
inline constexpr int32_t CMD_ABSENCE = 0x04;
inline constexpr int32_t CMD_GET_LIST = 0x12;
inline constexpr int32_t CMD_ANSWER_LIST = 0x13;
inline constexpr int32_t CMD_SEND_MESSAGE = 0x20;
inline constexpr int32_t CMD_RECEIPT = 0x21;
inline constexpr int32_t CMD_CAST_MESSAGE = 0x26;
inline constexpr int32_t CMD_XML_MESSAGE = 0x28;
inline constexpr int32_t CMD_XML_RECEIPT = 0x29;
inline constexpr int32_t CMD_GET_INFO = 0x40;
inline constexpr int32_t CMD_SEND_INFO = 0x41;
inline constexpr int32_t CMD_GET_MAIL = 0x48;
inline constexpr int32_t CMD_SEND_MAIL = 0x49;
inline constexpr int32_t CMD_GET_ABSENCE_INFO = 0x50;
inline constexpr int32_t CMD_SEND_ABSENCE_INFO = 0x51;

inline constexpr int32_t OPT_ABSENCE = 0x100;    // entry family: the sender is away
inline constexpr int32_t OPT_SEND_CHECK = 0x100; // messages: the receiver answers with a receipt
inline constexpr int32_t OPT_SECRET = 0x200;
inline constexpr int32_t OPT_BROADCAST = 0x400;
inline constexpr int32_t OPT_AUTO_RETURN = 0x2000;
inline constexpr int32_t OPT_NO_ADD_LIST = 0x80000;

constexpr int32_t CommandCode(int32_t value)
{
    return value & 0xFF;
}
constexpr int32_t CommandOptions(int32_t value)
{
    return value & ~0xFF;
}

// Private window messages of the component window: the socket notification and one
// message per handler, under which the dispatcher queues each parsed packet.
enum : int {
    WM_UDP_NOTIFY = WM_USER + 201,
    WM_TCP_NOTIFY = WM_USER + 202,
    WM_PACKET_ENTRY = WM_USER + 300,        // CMD_ENTRY, CMD_ANSWER_ENTRY
    WM_PACKET_ABSENCE = WM_USER + 301,      // CMD_ABSENCE
    WM_PACKET_EXIT = WM_USER + 302,         // CMD_EXIT
    WM_PACKET_RECEIPT = WM_USER + 304,      // CMD_RECEIPT (WM_USER+303 is unused)
    WM_PACKET_MESSAGE = WM_USER + 305,      // CMD_SEND_MESSAGE
    WM_PACKET_GET_INFO = WM_USER + 306,     // CMD_GET_INFO
    WM_PACKET_SEND_INFO = WM_USER + 307,    // CMD_SEND_INFO
    WM_PACKET_GET_ABSENCE = WM_USER + 308,  // CMD_GET_ABSENCE_INFO
    WM_PACKET_SEND_ABSENCE = WM_USER + 309, // CMD_SEND_ABSENCE_INFO
    WM_PACKET_XML = WM_USER + 310,          // CMD_XML_MESSAGE
    WM_PACKET_XML_RECEIPT = WM_USER + 311,  // CMD_XML_RECEIPT
    WM_PACKET_GET_MAIL = WM_USER + 312,     // CMD_GET_MAIL
    WM_PACKET_SEND_MAIL = WM_USER + 313,    // CMD_SEND_MAIL
    WM_PACKET_CAST = WM_USER + 314,         // CMD_CAST_MESSAGE
    WM_PACKET_HOST_LIST = WM_USER + 315,    // CMD_ANSWER_LIST, only while the host list is used
};
