#include "quorvel/Quorvel_TLB.h"

#include "text/Errors.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusSignature>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QXmlStreamReader>
#include <algorithm>
#include <optional>

namespace Quorvel_TLB {

namespace {

int gCallMs = 5000;
int gStartMs = 15000;
int gOperationMs = 10000;
// The running operation's deadline (steady clock), or none.
std::optional<QDeadlineTimer> gDeadline;

QDBusConnection bus()
{
    QDBusConnection c = QDBusConnection::sessionBus();
    if (!c.isConnected())
        throw EParlune(QStringLiteral("No D-Bus session bus: %1").arg(c.lastError().message()));
    return c;
}

// One blocking call with a timeout (cut to the operation's deadline); the
// event loop does not run meanwhile.
QDBusMessage call(QDBusMessage message, int timeoutMs, const QString &what)
{
    bool cutByDeadline = false;
    if (gDeadline) {
        const qint64 left = gDeadline->remainingTime();
        if (left == 0)
            throw EParlune(QStringLiteral("Quorvel did not finish within %1 ms (before %2)").arg(gOperationMs).arg(what));
        cutByDeadline = left <= timeoutMs;
        timeoutMs = int(std::min<qint64>(timeoutMs, left));
    }
    QElapsedTimer clock;
    clock.start();
    const QDBusMessage reply = bus().call(message, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ErrorMessage)
        return reply;
    const QString name = reply.errorName();
    // NoReply stands for a timeout and for a server that went away before
    // answering; only the clock tells them apart.
    if (name == QStringLiteral("org.freedesktop.DBus.Error.NoReply") && clock.elapsed() >= timeoutMs - 50) {
        if (cutByDeadline)
            throw EParlune(QStringLiteral("Quorvel did not finish within %1 ms (at %2)").arg(gOperationMs).arg(what));
        throw EParlune(QStringLiteral("Quorvel did not answer %1 within %2 ms").arg(what).arg(timeoutMs));
    }
    if (name == QStringLiteral("org.freedesktop.DBus.Error.NoReply")
        || name == QStringLiteral("org.freedesktop.DBus.Error.Disconnected"))
        throw EParlune(QStringLiteral("Quorvel went away while answering %1: %2").arg(what, reply.errorMessage()));
    throw EParlune(QStringLiteral("Quorvel failed on %1: %2 (%3)").arg(what, reply.errorMessage(), name));
}

QDBusMessage busCall(const QString &method, const QVariantList &args, int timeoutMs)
{
    QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                    QStringLiteral("/org/freedesktop/DBus"),
                                                    QStringLiteral("org.freedesktop.DBus"), method);
    m.setArguments(args);
    return call(m, timeoutMs, method);
}

// An answer of "v": the text of a string or of any other basic value; an
// empty variant reads as "". Anything else is the wrong shape.
QString variantText(const QDBusMessage &reply, const QString &method)
{
    if (reply.signature() != QStringLiteral("v") || reply.arguments().size() != 1)
        throw EParlune(QStringLiteral("Quorvel answered %1 with \"%2\" instead of one variant")
                           .arg(method, reply.signature()));
    const QVariant value = qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant();
    if (!value.isValid())
        return {};
    switch (value.metaType().id()) {
    case QMetaType::QString:
    case QMetaType::Bool:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toString();
    default:
        break;
    }
    QString kind = QStringLiteral("an array, structure or dictionary");  // the rest: containers
    if (value.metaType() == QMetaType::fromType<QByteArray>())
        kind = QStringLiteral("a byte array");
    else if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        kind = QStringLiteral("an object path");
    else if (value.metaType() == QMetaType::fromType<QDBusSignature>())
        kind = QStringLiteral("a signature");
    else if (value.metaType() == QMetaType::fromType<QDBusVariant>())
        kind = QStringLiteral("a nested variant");
    throw EParlune(QStringLiteral("Quorvel answered %1 with a value that is not text (%2)").arg(method, kind));
}

bool offersInterface(const QString &xml)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == QStringLiteral("interface")
            && reader.attributes().value(QStringLiteral("name")) == kInterfaceName)
            return true;
    }
    return false;
}

// Asks the object which interfaces it offers (a bounded call, unlike
// building a proxy object, which would introspect without a limit).
void checkInterface()
{
    QDBusMessage m = QDBusMessage::createMethodCall(kServiceName, kObjectPath,
                                                    QStringLiteral("org.freedesktop.DBus.Introspectable"),
                                                    QStringLiteral("Introspect"));
    const QDBusMessage reply = call(m, gCallMs, QStringLiteral("Introspect"));
    if (reply.arguments().size() != 1 || !offersInterface(reply.arguments().constFirst().toString()))
        throw EParlune(QStringLiteral("The Quorvel object %1 does not offer %2 (%3)")
                           .arg(kObjectPath, kInterfaceName, IID_IQuorvelx));
}

class TDBusQuorvelx : public IQuorvelx
{
public:
    QString GetEditorText() override { return get(QStringLiteral("GetEditorText")); }
    QString GetEditorFileName() override { return get(QStringLiteral("GetEditorFileName")); }
    QString GetSelectedFileName() override { return get(QStringLiteral("GetSelectedFileName")); }

private:
    QString get(const QString &method)
    {
        QDBusMessage m = QDBusMessage::createMethodCall(kServiceName, kObjectPath, kInterfaceName, method);
        m.setAutoStartService(false);  // a server that went away is not started again behind our back
        return variantText(call(m, gCallMs, method), method);
    }
};

} // namespace

void SetTimeouts(int callMs, int startMs, int operationMs)
{
    gCallMs = callMs;
    gStartMs = startMs;
    gOperationMs = operationMs;
}

int OperationTimeout()
{
    return gOperationMs;
}

TOperationDeadline::TOperationDeadline()
{
    gDeadline = QDeadlineTimer(gOperationMs);
}

TOperationDeadline::~TOperationDeadline()
{
    gDeadline.reset();
}

int CallTimeout()
{
    return gCallMs;
}

int StartTimeout()
{
    return gStartMs;
}

std::unique_ptr<IQuorvelx> CoQuorvelx::Create()
{
    busCall(QStringLiteral("StartServiceByName"), {kServiceName, 0u}, gStartMs);
    checkInterface();
    return std::make_unique<TDBusQuorvelx>();
}

bool ServerRunning()
{
    try {
        const QDBusMessage reply = busCall(QStringLiteral("NameHasOwner"), {kServiceName}, gCallMs);
        return reply.arguments().value(0).toBool();
    } catch (const EParlune &) {
        return false;  // a lookup that fails finds nothing running
    }
}

std::unique_ptr<IQuorvelx> GetActiveObject()
{
    checkInterface();
    return std::make_unique<TDBusQuorvelx>();
}

} // namespace Quorvel_TLB
