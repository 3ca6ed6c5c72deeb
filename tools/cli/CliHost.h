#pragma once

#include "CliTransferUi.h"
#include "JsonEvents.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <functional>

class IPalavoIF;
class IPalavoIFEventSource;
struct InvokeResult;

// The line protocol of palavo-cli: JSON requests in, one JSON line out for each, and
// every event of the component as a line of its own (its boxes and windows are lines
// of CliServices). It knows nothing of file descriptors, so a test can drive it with
// strings.
//
//   {"id":1,"set":"MyAliase","value":"太郎"}             -> {"id":1,"ok":true}
//   {"id":2,"get":"MyHostName"}                           -> {"id":2,"ok":true,"value":"..."}
//   {"id":3,"call":"GetAppInfo","args":["10.0.0.2"]}      -> {"id":3,"ok":true,"result":"..."}
//   a failing member                                      -> {"id":4,"ok":false,"error":"..."}
//   {"id":5,"press":"FileReceiveWindow","button":"受信・保存","savePath":"/tmp/a"}
//                                                         -> {"id":5,"ok":true}
// Buttons of the transfer windows are pressed through the component's CliTransferUi.
class CliHost
{
public:
    using Output = std::function<void(const QByteArray& line)>; // each line ends in '\n'

    // Advises the component's events. The caller keeps the component, which must outlive
    // the host, and `transferUi`, the one the component was made with.
    CliHost(IPalavoIF& component, IPalavoIFEventSource& events, CliTransferUi& transferUi,
            Output output);
    ~CliHost();

    // {"ready":true}: the first line, once the component is listening.
    void Ready();
    // Input as it comes: complete lines are handled at once, a partial line waits for
    // the rest (which may split a UTF-8 character).
    void Feed(QByteArrayView bytes);
    void HandleLine(QByteArrayView line);
    // End of input or a signal: handles what is left of a last line without its
    // newline, then leaves the network if entered. Only the first call does anything.
    void Finish();

    // After a successful Entry and no Drop since.
    bool Entered() const { return m_entered; }

private:
    void Handle(const QJsonObject& request);
    void HandlePress(const QJsonValue& id, const QJsonObject& request);
    void Reply(const QJsonValue& id, const InvokeResult& result, const QString& valueKey);
    void Fail(const QJsonValue& id, const QString& error);

    IPalavoIF& m_component;
    IPalavoIFEventSource& m_eventSource;
    CliTransferUi& m_transferUi;
    Output m_output;
    JsonEvents m_events;
    int m_cookie = 0;
    QByteArray m_partial;
    bool m_entered = false;
    bool m_finished = false;
};
