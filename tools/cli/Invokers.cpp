#include "Invokers.h"

#include "component/ErrorInfo.h"

#include <QStringList>

#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace
{

// --- What one C++ parameter type of the interface takes from JSON ------------------

template <typename T> struct Arg;

template <> struct Arg<const QString&> {
    static constexpr const char* What = "a text";
    static bool Accepts(const QJsonValue& v) { return v.isString(); }
    static QString Read(const QJsonValue& v) { return v.toString(); }
};

bool IsIntegral(const QJsonValue& v, double low, double high)
{
    if (!v.isDouble())
        return false;
    const double d = v.toDouble();
    return std::trunc(d) == d && d >= low && d <= high;
}

template <> struct Arg<int32_t> {
    static constexpr const char* What = "an integer";
    static bool Accepts(const QJsonValue& v)
    {
        return IsIntegral(v, std::numeric_limits<int32_t>::min(),
                          std::numeric_limits<int32_t>::max());
    }
    static int32_t Read(const QJsonValue& v) { return static_cast<int32_t>(v.toDouble()); }
};

template <> struct Arg<VARIANT_BOOL> {
    static constexpr const char* What = "a boolean (true/false or 0/1)";
    static bool Accepts(const QJsonValue& v) { return v.isBool() || IsIntegral(v, 0, 1); }
    static VARIANT_BOOL Read(const QJsonValue& v)
    {
        return (v.isBool() ? v.toBool() : v.toDouble() != 0) ? 1 : 0;
    }
};

template <> struct Arg<OLE_COLOR> {
    static constexpr const char* What = "a colour (0 to 4294967295)";
    static bool Accepts(const QJsonValue& v)
    {
        return IsIntegral(v, 0, std::numeric_limits<OLE_COLOR>::max());
    }
    static OLE_COLOR Read(const QJsonValue& v) { return static_cast<OLE_COLOR>(v.toDouble()); }
};

QJsonValue ToJson(const QString& value)
{
    return value;
}
QJsonValue ToJson(int32_t value)
{
    return value;
}
QJsonValue ToJson(OLE_COLOR value)
{
    return static_cast<double>(value);
}

// --- One member: its checked call ---------------------------------------------------

using Check = std::function<QString(const QJsonArray& args)>; // empty when the args fit
using Invoke = std::function<HRESULT(IPalavoIF&, const QJsonArray& args, QJsonValue& out)>;

struct Member {
    Check CheckArgs;
    Invoke Call;
};

template <typename Tuple, size_t... I>
QString CheckEach(const QStringList& names, const QJsonArray& args, std::index_sequence<I...>)
{
    QString error;
    [[maybe_unused]] auto one = [&](size_t i, bool accepted, const char* what) {
        if (error.isEmpty() && !accepted)
            error = QStringLiteral("argument %1 (%2) must be %3")
                        .arg(i + 1)
                        .arg(names.value(static_cast<int>(i)), QString::fromLatin1(what));
    };
    (one(I, Arg<std::tuple_element_t<I, Tuple>>::Accepts(args.at(I)),
         Arg<std::tuple_element_t<I, Tuple>>::What),
     ...);
    return error;
}

template <typename... P> constexpr bool LastIsPointer()
{
    if constexpr (sizeof...(P) == 0)
        return false;
    else
        return std::is_pointer_v<std::tuple_element_t<sizeof...(P) - 1, std::tuple<P...>>>;
}

// A member from its pointer: every parameter but a trailing pointer is an argument; a
// trailing pointer is the out-value, written to `out` when the member succeeds.
template <typename... P> Member Method(HRESULT (IPalavoIF::*member)(P...), QStringList names)
{
    using Params = std::tuple<P...>;
    constexpr size_t count = sizeof...(P);
    constexpr bool hasOut = LastIsPointer<P...>();
    constexpr size_t inputs = hasOut ? count - 1 : count;
    const auto sequence = std::make_index_sequence<inputs>{};

    Member m;
    m.CheckArgs = [names, sequence](const QJsonArray& args) {
        if (static_cast<size_t>(args.size()) != inputs)
            return QStringLiteral("takes %1 argument%2 (%3), got %4")
                .arg(inputs)
                .arg(inputs == 1 ? "" : "s")
                .arg(names.join(QStringLiteral(", ")))
                .arg(args.size());
        return CheckEach<Params>(names, args, sequence);
    };
    m.Call = [member, sequence](IPalavoIF& c, const QJsonArray& args, QJsonValue& out) {
        return [&]<size_t... I>(std::index_sequence<I...>)
        {
            if constexpr (hasOut) {
                std::remove_pointer_t<std::tuple_element_t<count - 1, Params>> value{};
                const HRESULT hr =
                    (c.*member)(Arg<std::tuple_element_t<I, Params>>::Read(args.at(I))..., &value);
                if (SUCCEEDED(hr))
                    out = ToJson(value);
                return hr;
            } else {
                return (c.*member)(Arg<std::tuple_element_t<I, Params>>::Read(args.at(I))...);
            }
        }
        (sequence);
    };
    return m;
}

struct Property {
    Member Get;
    Member Put;
};

template <typename G, typename S> Property Prop(G get, S put)
{
    return {Method(get, {}), Method(put, {QStringLiteral("value")})};
}

// The interface, member by member in its own order.
using I = IPalavoIF;

const std::map<QString, Property>& Properties()
{
    static const std::map<QString, Property> table = {
        {"BackColor", Prop(&I::get_BackColor, &I::put_BackColor)},
        {"BackStyle", Prop(&I::get_BackStyle, &I::put_BackStyle)},
        {"MyUserName", Prop(&I::get_MyUserName, &I::put_MyUserName)},
        {"MyAliase", Prop(&I::get_MyAliase, &I::put_MyAliase)},
        {"MyHostName", Prop(&I::get_MyHostName, &I::put_MyHostName)},
        {"ApplicationName", Prop(&I::get_ApplicationName, &I::put_ApplicationName)},
        {"ApplicationVersion", Prop(&I::get_ApplicationVersion, &I::put_ApplicationVersion)},
        {"Groups", Prop(&I::get_Groups, &I::put_Groups)},
        {"PortNo", Prop(&I::get_PortNo, &I::put_PortNo)},
        {"BroadCastIPAddresses", Prop(&I::get_BroadCastIPAddresses, &I::put_BroadCastIPAddresses)},
        {"MailAddress", Prop(&I::get_MailAddress, &I::put_MailAddress)},
    };
    return table;
}

const std::map<QString, Member>& Methods()
{
    static const std::map<QString, Member> table = {
        {"SendPrivateMessage", Method(&I::SendPrivateMessage, {"IPAddress", "NeedAck", "Message"})},
        {"SendGroupMessage",
         Method(&I::SendGroupMessage, {"IPAddress", "NeedAck", "Message", "GroupName"})},
        {"Entry", Method(&I::Entry, {"Exist", "Location"})},
        {"UpdatePresense", Method(&I::UpdatePresense, {"Exist", "Location", "AbsentResponse"})},
        {"ReEntry", Method(&I::ReEntry, {})},
        {"GetAppInfo", Method(&I::GetAppInfo, {"IPAddress"})},
        {"Drop", Method(&I::Drop, {})},
        {"SendXmlMessage", Method(&I::SendXmlMessage, {"IPAddress", "Message"})},
        {"FileTransfer", Method(&I::FileTransfer, {"IPAddress", "FileName", "Comment"})},
        {"GetMailInfo", Method(&I::GetMailInfo, {"IPAddress"})},
        {"CastGroupMessage", Method(&I::CastGroupMessage, {"Message", "GroupName"})},
        {"RequestVoIP", Method(&I::RequestVoIP, {"destIPAddress", "myPortNo", "video", "capT120"})},
        {"RejectVoIP", Method(&I::RejectVoIP, {"destIPAddress"})},
        {"RejectFileTransfer", Method(&I::RejectFileTransfer, {"IPAddress"})},
        {"StopRequestVoIP", Method(&I::StopRequestVoIP, {"destIPAddress"})},
        {"UseHostlist", Method(&I::UseHostlist, {"bUse"})},
    };
    return table;
}

InvokeResult Run(IPalavoIF& component, const QString& name, const Member& member,
                 const QJsonArray& args)
{
    if (const QString wrong = member.CheckArgs(args); !wrong.isEmpty())
        return {false, QJsonValue::Undefined, name + QLatin1Char(' ') + wrong};
    TakeErrorInfo(); // nothing stale from an earlier member
    QJsonValue out = QJsonValue::Undefined;
    const HRESULT hr = member.Call(component, args, out);
    if (SUCCEEDED(hr))
        return {true, out, {}};
    QString description = TakeErrorInfo().Description;
    if (description.isEmpty())
        description = QStringLiteral("%1 failed (0x%2)")
                          .arg(name)
                          .arg(static_cast<uint32_t>(hr), 8, 16, QLatin1Char('0'));
    return {false, QJsonValue::Undefined, description};
}

InvokeResult Unknown(const QString& name, bool isMethod, bool isProperty)
{
    if (isMethod)
        return {false, QJsonValue::Undefined, name + QStringLiteral(" is a method: use \"call\"")};
    if (isProperty)
        return {false, QJsonValue::Undefined,
                name + QStringLiteral(" is a property: use \"set\" or \"get\"")};
    return {false, QJsonValue::Undefined, QStringLiteral("unknown member: ") + name};
}

} // namespace

InvokeResult CallMember(IPalavoIF& component, const QString& name, const QJsonArray& args)
{
    const auto found = Methods().find(name);
    if (found == Methods().end())
        return Unknown(name, false, Properties().contains(name));
    return Run(component, name, found->second, args);
}

InvokeResult SetProperty(IPalavoIF& component, const QString& name, const QJsonValue& value)
{
    const auto found = Properties().find(name);
    if (found == Properties().end())
        return Unknown(name, Methods().contains(name), false);
    return Run(component, name, found->second.Put, QJsonArray{value});
}

InvokeResult GetProperty(IPalavoIF& component, const QString& name)
{
    const auto found = Properties().find(name);
    if (found == Properties().end())
        return Unknown(name, Methods().contains(name), false);
    return Run(component, name, found->second.Get, {});
}
