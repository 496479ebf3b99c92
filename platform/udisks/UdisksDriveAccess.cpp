#include "platform/udisks/UdisksDriveAccess.h"

#include "platform/DriveAccess.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QThread>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QVariantMap>

#include <fcntl.h>
#include <optional>

namespace platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
// Calls that may show a password prompt wait for the user.
constexpr int kAuthorisingTimeoutMs = 10 * 60 * 1000;
constexpr int kQuickTimeoutMs = 30 * 1000;

// Returns what a refusal of udisks2 (or of the bus) means to the user.
// `mountPoint` is given for unmounting, where "busy" and "not authorised"
// name the mount.
DriveProblem ProblemOf(const QDBusError& error, const std::string& mountPoint = {})
{
    const QString name = error.name();
    const std::string message = error.message().toStdString();
    if (name.startsWith(QStringLiteral("org.freedesktop.UDisks2.Error.NotAuthorized")))
        return mountPoint.empty() ? DriveProblem{DriveFault::NotAuthorized, message}
                                  : DriveProblem{DriveFault::MountNotPermitted, mountPoint};
    static const QStringList absent = {
        QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"), QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"),
        QStringLiteral("org.freedesktop.DBus.Error.NoServer"),       QStringLiteral("org.freedesktop.DBus.Error.Disconnected"),
        QStringLiteral("org.freedesktop.DBus.Error.NoReply"),        QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
    };
    if (absent.contains(name) || name.startsWith(QStringLiteral("org.freedesktop.DBus.Error.Spawn")))
        return {DriveFault::UdisksNotRunning, message};
    if (name == QStringLiteral("org.freedesktop.UDisks2.Error.DeviceBusy") || error.message().contains(QStringLiteral("busy")))
        return mountPoint.empty() ? DriveProblem{DriveFault::InUse, message} : DriveProblem{DriveFault::MountBusy, mountPoint};
    return {DriveFault::Failed, "udisks2: " + message};
}

QDBusMessage Call(const QString& object, const QString& interface, const QString& method)
{
    return QDBusMessage::createMethodCall(kService, object, interface, method);
}

// Sends a call that may wait for the user to authorise it, and returns the
// reply. The window goes on painting meanwhile: on the application's own
// thread the wait lets events through (the window is disabled while a
// command runs, so nothing else starts).
QDBusMessage CallAuthorising(QDBusMessage call)
{
    call.setInteractiveAuthorizationAllowed(true);
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() != application->thread())
        return QDBusConnection::systemBus().call(call, QDBus::Block, kAuthorisingTimeoutMs);
    QDBusPendingCallWatcher watcher(QDBusConnection::systemBus().asyncCall(call, kAuthorisingTimeoutMs));
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    if (!watcher.isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return watcher.reply();
}

class Udisks : public DriveAccess {
public:
    const char* Name() const override { return "udisks2"; }

    AccessOpen OpenDevice(const std::string& devicePath, OpenPurpose purpose) override
    {
        AccessOpen result;
        const auto object = Resolve(devicePath, result.problem);
        if (!object)
            return result;
        const bool writing = purpose == OpenPurpose::WriteWhole;
        QVariantMap options;
        // Exclusive, like the direct way: udisks2 itself does not check
        // whether the device is mounted or held.
        if (writing)
            options.insert(QStringLiteral("flags"), static_cast<int>(O_EXCL));
        QDBusMessage call = Call(*object, QStringLiteral("org.freedesktop.UDisks2.Block"), QStringLiteral("OpenDevice"));
        call << QString(writing ? QStringLiteral("rw") : QStringLiteral("r")) << options;
        const QDBusReply<QDBusUnixFileDescriptor> reply = CallAuthorising(call);
        if (!reply.isValid()) {
            result.problem = ProblemOf(reply.error());
            return result;
        }
        // The reply owns its descriptor; this one is the caller's.
        result.fd = ::fcntl(reply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 0);
        if (result.fd < 0)
            result.problem = {DriveFault::Failed, "udisks2 passed no usable descriptor"};
        return result;
    }

    DriveProblem Unmount(const std::string& devicePath, const std::string& mountPoint) override
    {
        DriveProblem problem;
        const auto object = Resolve(devicePath, problem);
        if (!object)
            return problem;
        QDBusMessage call = Call(*object, QStringLiteral("org.freedesktop.UDisks2.Filesystem"), QStringLiteral("Unmount"));
        call << QVariantMap();
        const QDBusMessage reply = CallAuthorising(call);
        if (reply.type() == QDBusMessage::ReplyMessage ||
            reply.errorName() == QStringLiteral("org.freedesktop.UDisks2.Error.NotMounted"))
            return {};
        return ProblemOf(QDBusError(reply), mountPoint);
    }

    bool Eject(const std::string& devicePath, int) override
    {
        DriveProblem problem;
        const auto object = Resolve(devicePath, problem);
        if (!object)
            return false;
        QDBusMessage get = Call(*object, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << QStringLiteral("org.freedesktop.UDisks2.Block") << QStringLiteral("Drive");
        const QDBusReply<QDBusVariant> drive = Bus().call(get, QDBus::Block, kQuickTimeoutMs);
        if (!drive.isValid())
            return false;
        const QString path = qvariant_cast<QDBusObjectPath>(drive.value().variant()).path();
        if (path.isEmpty() || path == QStringLiteral("/"))
            return false;  // a loop device, say: no drive to eject
        // Sticks and card readers that cannot eject are powered off instead,
        // which is what a desktop's "safely remove" does.
        for (const QString& method : {QStringLiteral("Eject"), QStringLiteral("PowerOff")}) {
            QDBusMessage call = Call(path, QStringLiteral("org.freedesktop.UDisks2.Drive"), method);
            call << QVariantMap();
            if (CallAuthorising(call).type() == QDBusMessage::ReplyMessage)
                return true;
        }
        return false;
    }

    bool EjectNeedsDescriptor() const override { return false; }

private:
    static QDBusConnection Bus() { return QDBusConnection::systemBus(); }

    // Returns udisks2's object for the device, or nothing with the reason.
    std::optional<QString> Resolve(const std::string& devicePath, DriveProblem& problem)
    {
        if (!Bus().isConnected()) {
            problem = {DriveFault::UdisksNotRunning, "the system bus cannot be reached"};
            return std::nullopt;
        }
        QDBusMessage call = Call(QStringLiteral("/org/freedesktop/UDisks2/Manager"),
                                 QStringLiteral("org.freedesktop.UDisks2.Manager"), QStringLiteral("ResolveDevice"));
        QVariantMap deviceToFind;
        deviceToFind.insert(QStringLiteral("path"), QString::fromStdString(devicePath));
        call << deviceToFind << QVariantMap();
        const QDBusReply<QList<QDBusObjectPath>> reply = Bus().call(call, QDBus::Block, kQuickTimeoutMs);
        if (!reply.isValid()) {
            problem = ProblemOf(reply.error());
            return std::nullopt;
        }
        if (reply.value().isEmpty()) {
            problem = {DriveFault::Failed, "udisks2 does not know " + devicePath};
            return std::nullopt;
        }
        return reply.value().first().path();
    }
};

}  // namespace

void InstallUdisksAccess()
{
    SetUdisksAccess(std::make_unique<Udisks>());
}

}  // namespace platform
