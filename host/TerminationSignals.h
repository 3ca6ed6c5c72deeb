#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP end the program the orderly way: the handler only writes
// a byte to a pipe, and the event loop turns it into Terminate(), so the window is
// destroyed normally and the control leaves the network (peers see the exit).
// Nobody is there to answer a question, so none is asked. One instance per process.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // False when the pipe or the handlers could not be set up; the signals then keep
    // their default action.
    bool Installed() const { return m_notifier != nullptr; }

signals:
    void Terminate(int signalNumber);

private:
    void OnReadable();

    QSocketNotifier* m_notifier = nullptr;
};
