#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <cstdint>
#include <thread>

// The crowd side of BurstLab: one thread inside the crowd's namespace, bound to the chat
// port on every address there. When the copy's entry broadcast arrives it answers with
// one CMD_ANSWER_ENTRY from each of `peers` distinct addresses, as fast as the socket
// takes them, and afterwards answers every CMD_GET_INFO and CMD_GET_MAIL from the
// address that was asked, as a crowd of peers does.
class PeerCrowd
{
public:
    static constexpr int Port = 2425;

    PeerCrowd(QString crowdNamespace, int peers);
    ~PeerCrowd(); // stops the thread
    PeerCrowd(const PeerCrowd&) = delete;
    PeerCrowd& operator=(const PeerCrowd&) = delete;

    // Waits until the socket is bound; false (with Error()) when it could not be.
    bool WaitListening(int timeoutMs = 5000);
    QString Error() const;

    // Peer i's address (0-based), its alias and the answers it gives.
    static QByteArray PeerAddress(int i);
    static QByteArray PeerAliase(int i);
    static QByteArray PeerAppInfo() { return "Palavo XP 1.0"; }
    static QByteArray PeerMail(int i);

    int Peers() const { return m_peers; }
    // CLOCK_MONOTONIC nanoseconds at which the entry broadcast arrived; 0 before.
    int64_t EntrySeenNs() const { return m_entrySeenNs.load(); }
    // CLOCK_MONOTONIC nanoseconds when the last answer to the entry had been sent.
    int64_t BurstSentNs() const { return m_burstSentNs.load(); }
    int AnswersSent() const { return m_answersSent.load(); }
    int InfoRequests() const { return m_infoRequests.load(); }
    int MailRequests() const { return m_mailRequests.load(); }
    int SendErrors() const { return m_sendErrors.load(); }

private:
    void Run();
    bool Open();
    void Burst(uint32_t& packetNo);
    void Answer(const QByteArray& datagram, uint32_t to, uint16_t toPort, uint32_t asked,
                uint32_t& packetNo);
    bool SendFrom(uint32_t from, uint32_t to, uint16_t toPort, const QByteArray& bytes);

    QString m_namespace;
    int m_peers;
    int m_fd = -1;
    int m_stopFd = -1;
    std::atomic<int> m_state{0}; // 0 starting, 1 listening, 2 failed
    QString m_error;             // written before m_state becomes 2
    std::atomic<int64_t> m_entrySeenNs{0};
    std::atomic<int64_t> m_burstSentNs{0};
    std::atomic<int> m_answersSent{0};
    std::atomic<int> m_infoRequests{0};
    std::atomic<int> m_mailRequests{0};
    std::atomic<int> m_sendErrors{0};
    std::thread m_thread;
};
