#pragma once
// SIGINT, SIGTERM and SIGHUP turned into a Qt signal on the thread that made the object,
// so that a program can finish what must not be cut short (a block on its way into a
// transmitter) before it ends. While the object lives these signals do not end the
// process; they interrupt a blocking read (a question on the terminal) instead of letting
// it go on. One object may live at a time.

#include <QObject>

#include <csignal>
#include <memory>

class QSocketNotifier;

namespace torv {

class StopSignals : public QObject {
    Q_OBJECT

public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Signals received since the object was made.
    int Count() const;

signals:
    // Once for each signal received, with the count so far.
    void Received(int count);

private:
    void TakeSignals();

    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction previous_[3] = {};
    int delivered_ = 0;
};

}  // namespace torv
