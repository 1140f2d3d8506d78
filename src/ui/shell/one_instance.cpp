#include "ui/shell/one_instance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QMetaMethod>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>

#include "ui/shell/x11_focus.h"

namespace torv {
namespace {

const QByteArray kActivateRequest = "activate\n";
const QByteArray kActivatedReply = "activated\n";
constexpr qint64 kMaxRequestLength = 64;
constexpr int kRequestTimeoutMs = 2000;  // a silent client is dropped after this
constexpr int kConnectRetryMs = 50;

std::atomic<bool> guardExists{false};

// A folder only this user may enter: theirs, with no access for group or others.
bool PrivateFolder(const QString& path)
{
    struct stat info {};
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

// An environment variable naming a folder: set and absolute, else empty.
QString AbsoluteFolder(const char* variable)
{
    const QString path = qEnvironmentVariable(variable);
    return path.startsWith(QLatin1Char('/')) ? path : QString();
}

// The other end of a connection is this same user (the kernel's word for it).
bool PeerIsThisUser(const QLocalSocket& socket)
{
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == ::geteuid();
}

void ShowMessageBox(const QString& text)
{
    QMessageBox::information(nullptr, QGuiApplication::applicationDisplayName(), text);
}

void BringForward(QWidget* window)
{
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
    TakeX11InputFocus(window);
}

}  // namespace

QString TOneInstance::RecordName(const QString& executablePath)
{
    return QFileInfo(executablePath.toUpper()).fileName();
}

QString TOneInstance::DefaultLockDirectory()
{
    if (const QString runtime = AbsoluteFolder("XDG_RUNTIME_DIR"); PrivateFolder(runtime))
        return runtime;
    QString cache = AbsoluteFolder("XDG_CACHE_HOME");
    if (cache.isEmpty()) {
        const QString home = AbsoluteFolder("HOME");
        if (home.isEmpty())
            return QString();
        cache = home + QStringLiteral("/.cache");
    }
    QDir().mkpath(cache);
    const QString folder = cache + QStringLiteral("/torv-programmer");
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) == 0)
        ::chmod(path.constData(), 0700);  // whatever the umask
    return PrivateFolder(folder) ? folder : QString();
}

TOneInstance::TOneInstance(const QString& executablePath, const QString& lockDirectory, QObject* parent)
    : QObject(parent), ShowMessage(ShowMessageBox)
{
    if (guardExists.exchange(true))
        throw std::logic_error("a program may have only one single-instance guard");
    const QString name = RecordName(executablePath);
    // Nothing to name the record after, or no folder that others cannot reach: no record,
    // and this copy acts as a first copy.
    if (name.isEmpty() || !PrivateFolder(lockDirectory))
        return;
    const QDir folder(lockDirectory);
    serverPath_ = folder.filePath(name + QStringLiteral(".socket"));
    auto lock = std::make_unique<QLockFile>(folder.filePath(name + QStringLiteral(".lock")));
    lock->setStaleLockTime(0);  // a lock is stale only when its owner has gone, never by age
    if (lock->tryLock(0))
        lock_ = std::move(lock);
    else
        otherCopy_ = lock->error() == QLockFile::LockFailedError;
}

TOneInstance::~TOneInstance()
{
    guardExists = false;
}

bool TOneInstance::Test()
{
    if (!Enabled || !otherCopy_)
        return false;
    switch (Mode) {
    case TOneInstanceMode::oiDefaultMessage:
        ShowMessage(QStringLiteral("Программа «%1» уже запущена.").arg(QGuiApplication::applicationDisplayName()));
        ActivateOtherCopy();
        break;
    case TOneInstanceMode::oiCustom:
        if (isSignalConnected(QMetaMethod::fromSignal(&TOneInstance::OnCustom))) {
            emit OnCustom(this);
            break;
        }
        ActivateOtherCopy();
        break;
    case TOneInstanceMode::oiActivateOnly: ActivateOtherCopy(); break;
    }
    return true;
}

bool TOneInstance::ActivateOtherCopy(int timeoutMs) const
{
    if (!otherCopy_)
        return false;
    QElapsedTimer clock;
    clock.start();
    const auto remaining = [&] { return static_cast<int>(std::max<qint64>(0, timeoutMs - clock.elapsed())); };
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(serverPath_);
        if (socket.waitForConnected(remaining()))
            break;
        if (remaining() == 0)
            return false;
        QThread::msleep(kConnectRetryMs);
    }
    if (!PeerIsThisUser(socket))
        return false;
    socket.write(kActivateRequest);
    if (!socket.waitForBytesWritten(remaining()))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(remaining()))
            return false;
    }
    return socket.readLine(kMaxRequestLength) == kActivatedReply;
}

void TOneInstance::ServeActivation(QWidget* window)
{
    window_ = window;
    if (!lock_ || server_ != nullptr)
        return;
    server_ = new QLocalServer(this);
    // A socket left behind by a first copy that was killed: the lock says none runs now.
    QLocalServer::removeServer(serverPath_);
    if (!server_->listen(serverPath_)) {
        // Later copies still see the lock and end; they just cannot bring this one forward.
        delete server_;
        server_ = nullptr;
        return;
    }
    connect(server_, &QLocalServer::newConnection, this, &TOneInstance::OnConnection);
}

void TOneInstance::OnConnection()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (!PeerIsThisUser(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnRequest(socket); });
        QTimer::singleShot(kRequestTimeoutMs, socket, &QLocalSocket::abort);
    }
}

void TOneInstance::OnRequest(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxRequestLength)
            socket->abort();
        return;
    }
    if (socket->readLine(kMaxRequestLength) == kActivateRequest) {
        if (window_)
            BringForward(window_);
        socket->write(kActivatedReply);
        socket->flush();
        emit ActivationServed();
    }
    socket->disconnectFromServer();
}

}  // namespace torv
