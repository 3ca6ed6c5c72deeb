#include "CliHost.h"

#include "CliLog.h"
#include "Invokers.h"
#include "JsonLine.h"
#include "component/IPalavoIF.h"
#include "component/IPalavoIFEventSource.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace
{

// The id of a line that is not valid JSON, when it starts the way requests do, so the
// caller can still match the error to its request.
QJsonValue SalvageId(QByteArrayView line)
{
    static const QRegularExpression leadingId(
        QStringLiteral(R"(^\s*\{\s*"id"\s*:\s*(-?\d+(?:\.\d+)?|"(?:[^"\\]|\\.)*")\s*[,}])"));
    const QRegularExpressionMatch match = leadingId.match(QString::fromUtf8(line));
    if (!match.hasMatch())
        return QJsonValue::Undefined;
    const QJsonDocument wrapped = QJsonDocument::fromJson('[' + match.captured(1).toUtf8() + ']');
    return wrapped.isArray() ? wrapped.array().at(0) : QJsonValue(QJsonValue::Undefined);
}

} // namespace

CliHost::CliHost(IPalavoIF& component, IPalavoIFEventSource& events, CliTransferUi& transferUi,
                 Output output)
    : m_component(component), m_eventSource(events), m_transferUi(transferUi),
      m_output(std::move(output)), m_events(m_output)
{
    m_cookie = m_eventSource.Advise(&m_events);
}

CliHost::~CliHost()
{
    m_eventSource.Unadvise(m_cookie);
}

void CliHost::Ready()
{
    m_output(JsonLine().Add("ready", true).Line());
}

void CliHost::Feed(QByteArrayView bytes)
{
    m_partial.append(bytes);
    qsizetype start = 0;
    for (qsizetype end; (end = m_partial.indexOf('\n', start)) >= 0; start = end + 1)
        HandleLine(QByteArrayView(m_partial).sliced(start, end - start));
    m_partial.remove(0, start);
}

void CliHost::HandleLine(QByteArrayView line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.trimmed().isEmpty())
        return;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError) {
        qCDebug(lcCli) << "refused line:" << line;
        return Fail(SalvageId(line), QStringLiteral("malformed JSON: %1 at offset %2")
                                         .arg(error.errorString())
                                         .arg(error.offset));
    }
    if (!document.isObject())
        return Fail(QJsonValue::Undefined, QStringLiteral("a request must be a JSON object"));
    Handle(document.object());
}

void CliHost::Handle(const QJsonObject& request)
{
    const QJsonValue id = request.value(QLatin1String("id"));
    const QJsonValue call = request.value(QLatin1String("call"));
    const QJsonValue set = request.value(QLatin1String("set"));
    const QJsonValue get = request.value(QLatin1String("get"));
    const QJsonValue press = request.value(QLatin1String("press"));
    const int kinds = !call.isUndefined() + !set.isUndefined() + !get.isUndefined();
    if (!press.isUndefined()) {
        if (kinds != 0)
            return Fail(id, QStringLiteral(R"("press" goes without "call", "set" or "get")"));
        return HandlePress(id, request);
    }
    if (kinds != 1)
        return Fail(id, QStringLiteral(R"(a request needs exactly one of "call", "set" or "get")"));
    const QJsonValue member = !call.isUndefined() ? call : !set.isUndefined() ? set : get;
    if (!member.isString())
        return Fail(id, QStringLiteral("the member name must be a string"));
    const QString name = member.toString();

    if (!get.isUndefined())
        return Reply(id, GetProperty(m_component, name), QStringLiteral("value"));
    if (!set.isUndefined()) {
        const QJsonValue value = request.value(QLatin1String("value"));
        if (value.isUndefined())
            return Fail(id, QStringLiteral(R"("set" needs a "value")"));
        return Reply(id, SetProperty(m_component, name, value), {});
    }
    const QJsonValue args = request.value(QLatin1String("args"));
    if (!args.isUndefined() && !args.isArray())
        return Fail(id, QStringLiteral(R"("args" must be an array)"));
    const InvokeResult result = CallMember(m_component, name, args.toArray());
    if (result.Ok && name == QLatin1String("Entry"))
        m_entered = true;
    if (result.Ok && name == QLatin1String("Drop"))
        m_entered = false;
    Reply(id, result, QStringLiteral("result"));
}

void CliHost::HandlePress(const QJsonValue& id, const QJsonObject& request)
{
    const QJsonValue window = request.value(QLatin1String("press"));
    const QJsonValue button = request.value(QLatin1String("button"));
    const QJsonValue savePath = request.value(QLatin1String("savePath"));
    if (!window.isString() || !button.isString())
        return Fail(id, QStringLiteral(R"("press" needs a window name and a "button" text)"));
    if (!savePath.isUndefined() && !savePath.isString() && !savePath.isNull())
        return Fail(id, QStringLiteral(R"("savePath" must be a text)"));
    const std::optional<QString> path =
        savePath.isString() ? std::optional<QString>(savePath.toString()) : std::nullopt;
    const QString error = m_transferUi.Press(window.toString(), button.toString(), path);
    if (!error.isEmpty())
        return Fail(id, error);
    Reply(id, InvokeResult{true, QJsonValue::Undefined, {}}, {});
}

void CliHost::Reply(const QJsonValue& id, const InvokeResult& result, const QString& valueKey)
{
    if (!result.Ok)
        return Fail(id, result.Error);
    JsonLine line;
    if (!id.isUndefined())
        line.Add("id", id);
    line.Add("ok", true);
    if (!result.Value.isUndefined() && !valueKey.isEmpty())
        line.Add(valueKey, result.Value);
    m_output(line.Line());
}

void CliHost::Fail(const QJsonValue& id, const QString& error)
{
    JsonLine line;
    if (!id.isUndefined())
        line.Add("id", id);
    m_output(line.Add("ok", false).Add("error", error).Line());
}

void CliHost::Finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (!m_partial.isEmpty()) {
        const QByteArray last = std::exchange(m_partial, {});
        HandleLine(last);
    }
    if (m_entered) {
        m_component.Drop();
        m_entered = false;
    }
}
