#pragma once

#include "component/IPalavoIF.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QString>

// Reaches any member of IPalavoIF by its name, with its arguments as JSON values:
// texts as strings, int32 and colours as integral numbers, booleans as true/false or
// 0/1. Arguments are checked against the member before it is called, so a wrong call
// never reaches the component.
struct InvokeResult {
    bool Ok = false;
    QJsonValue Value = QJsonValue::Undefined; // the out-value, for members that have one
    QString Error;                            // when not Ok
};

// A method by position ("call").
InvokeResult CallMember(IPalavoIF& component, const QString& name, const QJsonArray& args);
// A property ("set" / "get").
InvokeResult SetProperty(IPalavoIF& component, const QString& name, const QJsonValue& value);
InvokeResult GetProperty(IPalavoIF& component, const QString& name);
