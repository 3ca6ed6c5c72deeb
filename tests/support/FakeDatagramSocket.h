#pragma once

#include "engine/DatagramSocket.h"

#include <QByteArray>

#include <vector>

// Stands in for the UDP socket: records what would have been sent. Shared through
// `Sent`, so a test can keep looking after the engine has taken the socket over.
struct SentDatagram {
    QByteArray Host; // "255.255.255.255" for a broadcast
    int Port = 0;
    QByteArray Bytes;
};

class FakeDatagramSocket : public IDatagramSocket
{
public:
    explicit FakeDatagramSocket(std::vector<SentDatagram>& sent, bool opens = true,
                                int openError = 98)
        : m_sent(sent), m_opens(opens), m_openError(openError)
    {
    }

    int Open(int port, int, int) override
    {
        m_port = port;
        if (!m_opens)
            m_lastError = m_openError;
        return m_opens ? 1 : 0;
    }
    int SendTo(QByteArrayView host, int port, QByteArrayView bytes) override
    {
        m_sent.push_back({host.toByteArray(), port, bytes.toByteArray()});
        return static_cast<int>(bytes.size());
    }
    int Broadcast(QByteArrayView bytes) override
    {
        if (FailBroadcast) {
            m_lastError = 101;
            return -1;
        }
        m_sent.push_back({"255.255.255.255", m_port, bytes.toByteArray()});
        return static_cast<int>(bytes.size());
    }
    int LastError() const override { return m_lastError; }
    int ErrorCode() const override { return 0; }
    int Port() const override { return m_port; }

    bool FailBroadcast = false;

private:
    std::vector<SentDatagram>& m_sent;
    bool m_opens;
    int m_openError;
    int m_port = 0;
    int m_lastError = 0;
};
