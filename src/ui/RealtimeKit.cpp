#include "ui/RealtimeKit.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <algorithm>

namespace {

constexpr int TimeoutMs = 2000;
const char* const Service = "org.freedesktop.RealtimeKit1";
const char* const Path = "/org/freedesktop/RealtimeKit1";

QDBusMessage Call(const QDBusConnection& bus, const char* interface, const char* method,
                  const QList<QVariant>& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, interface, method);
    call.setArguments(arguments);
    return bus.call(call, QDBus::Block, TimeoutMs);
}

bool IsMissingService(const QDBusMessage& reply) {
    const QString name = reply.errorName();
    return name == "org.freedesktop.DBus.Error.ServiceUnknown" ||
           name == "org.freedesktop.DBus.Error.NameHasNoOwner" ||
           name == "org.freedesktop.DBus.Error.Disconnected";
}

}  // namespace

RealtimeAnswer RequestRealtimeFromRealtimeKit(std::uint64_t tid, int priority) {
    const QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return RealtimeAnswer::NoService;
    }
    const QDBusMessage maximum = Call(bus, "org.freedesktop.DBus.Properties", "Get",
                                      {QString(Service), QString("MaxRealtimePriority")});
    if (maximum.type() == QDBusMessage::ReplyMessage && !maximum.arguments().isEmpty()) {
        const int allowed =
            qvariant_cast<QDBusVariant>(maximum.arguments().first()).variant().toInt();
        priority = std::min(priority, allowed);
    } else if (IsMissingService(maximum)) {
        return RealtimeAnswer::NoService;
    }
    const QDBusMessage reply =
        Call(bus, Service, "MakeThreadRealtime",
             {QVariant::fromValue<quint64>(tid), QVariant::fromValue<quint32>(priority)});
    if (reply.type() == QDBusMessage::ReplyMessage) {
        return RealtimeAnswer::Granted;
    }
    return IsMissingService(reply) ? RealtimeAnswer::NoService : RealtimeAnswer::Refused;
}
