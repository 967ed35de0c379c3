// A stand-in Quorvel for the tests: owns com.menthak.Quorvel on the session
// bus and answers GetEditorText, GetEditorFileName and GetSelectedFileName
// from an INI file (--config FILE), so that one .service file serves every
// case. Keys (all optional):
//   behaviour   normal | absent (exits at once) | old (no GetSelectedFileName)
//               | failing (error replies) | slow (answers after slow_ms)
//               | wrong-type (answers "s" instead of "v") | no-interface
//               | dies (exits while a call waits for its answer)
//   answer      what the variant holds: string (default) | bytes | path
//               | signature | array | number | bool
//   text, text_bytes (a generated text of that many bytes), editor_name, selected, slow_ms
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusSignature>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSettings>
#include <QThread>
#include <cstdio>
#include <cstdlib>

namespace {

const QString kService = QStringLiteral("com.menthak.Quorvel");
const QString kPath = QStringLiteral("/com/menthak/Quorvel");
const QString kInterface = QStringLiteral("com.menthak.IQuorvelx");

class TStandIn : public QDBusVirtualObject
{
public:
    explicit TStandIn(const QSettings &config)
        : fBehaviour(config.value(QStringLiteral("behaviour"), QStringLiteral("normal")).toString()),
          fEditorName(config.value(QStringLiteral("editor_name")).toString()),
          fSelected(config.value(QStringLiteral("selected")).toString()),
          fAnswer(config.value(QStringLiteral("answer"), QStringLiteral("string")).toString()),
          fSlowMs(config.value(QStringLiteral("slow_ms"), 3000).toInt())
    {
        fText = config.value(QStringLiteral("text")).toString().replace(QStringLiteral("\\n"), QStringLiteral("\n"));
        const qint64 bytes = config.value(QStringLiteral("text_bytes"), 0).toLongLong();
        for (qint64 i = 0; fText.size() < bytes; ++i)
            fText += QStringLiteral("generated line %1 of a large editor text\n").arg(i);
    }

    QString introspect(const QString &) const override
    {
        if (fBehaviour == QStringLiteral("no-interface"))
            return {};
        return QStringLiteral("<interface name=\"%1\">"
                              "<method name=\"GetEditorText\"><arg type=\"v\" direction=\"out\"/></method>"
                              "<method name=\"GetEditorFileName\"><arg type=\"v\" direction=\"out\"/></method>"
                              "%2</interface>")
            .arg(kInterface, fBehaviour == QStringLiteral("old")
                                 ? QString()
                                 : QStringLiteral("<method name=\"GetSelectedFileName\">"
                                                  "<arg type=\"v\" direction=\"out\"/></method>"));
    }

    bool handleMessage(const QDBusMessage &m, const QDBusConnection &connection) override
    {
        if (m.interface() != kInterface)
            return false;
        QString value;
        if (m.member() == QStringLiteral("GetEditorText"))
            value = fText;
        else if (m.member() == QStringLiteral("GetEditorFileName"))
            value = fEditorName;
        else if (m.member() == QStringLiteral("GetSelectedFileName") && fBehaviour != QStringLiteral("old"))
            value = fSelected;
        else
            return false;  // the bus answers UnknownMethod

        if (fBehaviour == QStringLiteral("failing")) {
            connection.send(m.createErrorReply(QStringLiteral("com.menthak.Quorvel.Error.Busy"),
                                               QStringLiteral("The editor is busy")));
            return true;
        }
        if (fBehaviour == QStringLiteral("dies"))
            std::_Exit(3);
        if (fBehaviour == QStringLiteral("slow"))
            QThread::msleep(fSlowMs);
        if (fBehaviour == QStringLiteral("wrong-type"))
            connection.send(m.createReply(value));
        else
            connection.send(m.createReply(QVariant::fromValue(QDBusVariant(held(value)))));
        return true;
    }

private:
    QVariant held(const QString &value) const
    {
        if (fAnswer == QStringLiteral("bytes"))
            return value.toUtf8();
        if (fAnswer == QStringLiteral("path"))
            return QVariant::fromValue(QDBusObjectPath(QStringLiteral("/a/b")));
        if (fAnswer == QStringLiteral("signature"))
            return QVariant::fromValue(QDBusSignature(QStringLiteral("s")));
        if (fAnswer == QStringLiteral("array"))
            return QStringList{value};
        if (fAnswer == QStringLiteral("number"))
            return 42;
        if (fAnswer == QStringLiteral("bool"))
            return true;
        return value;
    }

    QString fBehaviour;
    QString fText;
    QString fEditorName;
    QString fSelected;
    QString fAnswer;
    int fSlowMs;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--config"));
    if (at < 0 || at + 1 >= args.size()) {
        std::fprintf(stderr, "usage: quorvel_standin --config FILE\n");
        return 2;
    }
    const QSettings config(args[at + 1], QSettings::IniFormat);
    if (config.value(QStringLiteral("behaviour")).toString() == QStringLiteral("absent"))
        return 1;
    TStandIn standIn(config);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerVirtualObject(kPath, &standIn) || !bus.registerService(kService)) {
        std::fprintf(stderr, "quorvel_standin: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    return app.exec();
}
