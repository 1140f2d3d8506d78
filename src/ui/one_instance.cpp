#include "ui/one_instance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QMetaMethod>
#include <QMessageBox>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>

#include "ui/x11_focus.h"

namespace torv {
namespace {

const QByteArray kActivateRequest = "activate\n";
const QByteArray kActivatedReply = "activated\n";
constexpr qint64 kMaxRequestLength = 64;
constexpr int kRequestTimeoutMs = 2000;  // a silent client is dropped after this
constexpr int kConnectRetryMs = 50;

std::atomic<bool> guardExists{false};

QString UserSuffix()
{
    return QStringLiteral("-%1").arg(::getuid());
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
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

TOneInstance::TOneInstance(const QString& executablePath, const QString& lockDirectory, QObject* parent)
    : QObject(parent), ShowMessage(ShowMessageBox)
{
    if (guardExists.exchange(true))
        throw std::logic_error("a program may have only one single-instance guard");
    const QString name = RecordName(executablePath);
    if (name.isEmpty())
        return;  // nothing to name the record after: act as a first copy
    // Abstract socket names are shared by all users of the machine: the user's id
    // keeps copies run by different users apart, as the lock file's name does in /tmp.
    serverName_ = name + UserSuffix();
    auto lock = std::make_unique<QLockFile>(QDir(lockDirectory).filePath(serverName_ + QStringLiteral(".lock")));
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
    case oiDefaultMessage:
        ShowMessage(QStringLiteral("Программа «%1» уже запущена.").arg(QGuiApplication::applicationDisplayName()));
        ActivateOtherCopy();
        break;
    case oiCustom:
        if (isSignalConnected(QMetaMethod::fromSignal(&TOneInstance::OnCustom))) {
            emit OnCustom(this);
            break;
        }
        ActivateOtherCopy();
        break;
    case oiActivateOnly:
        ActivateOtherCopy();
        break;
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
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    for (;;) {
        socket.connectToServer(serverName_);
        if (socket.waitForConnected(remaining()))
            break;
        if (remaining() == 0)
            return false;
        QThread::msleep(kConnectRetryMs);
    }
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
    server_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!server_->listen(serverName_)) {
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
