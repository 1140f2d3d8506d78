#pragma once
// The single-instance guard. The instance record is a lock file named from the
// upper-cased executable file name, in a folder only the user may enter: the first copy
// holds it (the kernel drops it with the process, however that ends) and answers on a
// local socket of the same name beside it; a later copy finds the lock taken, asks the
// first copy to bring its window forward, and ends. Both ends of the socket check that
// the other is the same user, so another user can neither raise the window, nor answer
// for it, nor keep it from starting.

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;
class QWidget;

namespace torv {

enum class TOneInstanceMode { oiActivateOnly, oiDefaultMessage, oiCustom };

class TOneInstance : public QObject {
    Q_OBJECT

public:
    // Creates or looks up the instance record for the executable at executablePath, in
    // lockDirectory, which must belong to this user and be closed to everyone else.
    // Only one guard may exist in a program at a time: a second one throws
    // std::logic_error. If the record cannot be set up, this copy acts as a first copy.
    explicit TOneInstance(const QString& executablePath, const QString& lockDirectory = DefaultLockDirectory(),
                          QObject* parent = nullptr);
    ~TOneInstance() override;

    // The record's name: the executable's file name, upper case.
    static QString RecordName(const QString& executablePath);
    // $XDG_RUNTIME_DIR when it is such a folder, else ~/.cache/torv-programmer (made so
    // when missing); empty when neither can be had. Never a shared folder such as /tmp.
    static QString DefaultLockDirectory();

    bool Enabled = true;
    TOneInstanceMode Mode = TOneInstanceMode::oiActivateOnly;
    // Shows the oiDefaultMessage notice; a message box unless replaced.
    std::function<void(const QString& text)> ShowMessage;

    // True when another copy under the same file name held the record first.
    bool OtherCopyRunning() const { return otherCopy_; }

    // The single-instance test, made once the window exists: in a second copy (and
    // when Enabled) brings the first copy forward as Mode says and returns true, and
    // the program must then end without opening a port. False in a first copy.
    bool Test();

    // Asks the first copy to restore, raise and activate its window; true when it
    // answered. Connecting is retried briefly: the first copy may hold the record
    // before it listens.
    bool ActivateOtherCopy(int timeoutMs = 2000) const;

    // First copy: from now on, a request from a later copy restores (if minimised),
    // raises and activates window. Does nothing in a second copy or without a record.
    void ServeActivation(QWidget* window);

signals:
    // Raised by Test in a second copy in oiCustom mode, in place of bringing the first
    // copy forward; without a handler Test brings it forward itself.
    void OnCustom(TOneInstance* sender);
    // A later copy's request has been served (the window, if any, brought forward).
    void ActivationServed();

private:
    void OnConnection();
    void OnRequest(QLocalSocket* socket);

    QString serverPath_;
    std::unique_ptr<QLockFile> lock_;  // held by a first copy for its whole run
    bool otherCopy_ = false;
    QLocalServer* server_ = nullptr;
    QPointer<QWidget> window_;
};

}  // namespace torv
