#pragma once
// Base classes of the serial component: the settings-object base with its update
// bracket, the component base, the handler of an event, the re-entrant lock and the wait
// event.

#include <QObject>
#include <QPointer>

#include <functional>
#include <mutex>
#include <utility>

namespace torv {

// Base of the settings objects. A setter that changes a value calls OnChange, unless an
// update bracket is open; closing the outermost bracket calls it once.
class TSioPersistent {
public:
    TSioPersistent() = default;
    TSioPersistent(const TSioPersistent&) = delete;
    TSioPersistent& operator=(const TSioPersistent&) = delete;
    virtual ~TSioPersistent() = default;

    // Filled in by the owning component.
    std::function<void()> OnChange;

protected:
    void Changed();
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();

    template <typename T>
    void SetField(T& field, T value)
    {
        if (field != value) {
            field = value;
            Changed();
        }
    }

    // Runs copy with the bracket open; the single callback follows.
    template <typename Copy>
    void AssignBracketed(Copy copy)
    {
        BeginUpdate();
        try {
            copy();
        } catch (...) {
            --updateCount_;
            throw;
        }
        EndUpdate();
    }

private:
    int updateCount_ = 0;
};

// Base of the component.
class TSioComponent : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
};

// The handler of one of the component's events. An event has one handler at a time, and
// a handler is connected together with its receiver, the object whose members it uses:
// once the receiver is destroyed the event has no handler, so an event raised after that,
// such as a dispatch that was already on its way, calls nothing. Main thread only.
template <typename... Args>
class TSioHandler {
public:
    using Function = std::function<void(Args...)>;

    // Makes function the handler, in place of any other, for as long as receiver lives.
    void Connect(const QObject* receiver, Function function)
    {
        receiver_ = receiver;
        function_ = std::move(function);
    }

    // The handler while its receiver lives, else an empty function.
    Function Current() const { return receiver_ ? function_ : Function{}; }
    explicit operator bool() const { return receiver_ && function_; }

    // Raises the event. The handler runs from a copy, so it may replace itself or destroy
    // its receiver; what it throws reaches the caller.
    void operator()(Args... args) const
    {
        if (const Function function = Current()) {
            function(args...);
        }
    }

private:
    QPointer<const QObject> receiver_;
    Function function_;
};

// A re-entrant lock.
using TSioCriticalSection = std::recursive_mutex;

// Owns one file descriptor, the platform's handle.
class TSioHandleObject {
public:
    TSioHandleObject() = default;
    TSioHandleObject(const TSioHandleObject&) = delete;
    TSioHandleObject& operator=(const TSioHandleObject&) = delete;
    virtual ~TSioHandleObject();

    int Handle() const { return handle_; }

protected:
    int handle_ = -1;
};

// A manual-reset signal (an eventfd): it stays set until reset, and it can be waited on
// together with other descriptors.
class TSioEvent : public TSioHandleObject {
public:
    TSioEvent();
    void SetEvent();
    void ResetEvent();
};

enum class TSioWaitResult { wrSignaled, wrTimeout, wrError };

class TSioWaitEvent : public TSioEvent {
public:
    // Waits at most milliseconds (negative: without limit) for the signal.
    TSioWaitResult WaitFor(int milliseconds);
};

}  // namespace torv
