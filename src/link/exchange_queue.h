#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>
#include <functional>

namespace meterlink {

class Waiter;

// One exchange at a time.
//
// An exchange is a stretch of talking to the meter: a polling tick, or the part of a user action
// that sends and reads. Its waits run other handlers, so an action clicked during a wait would
// otherwise start inside it: its bytes would land between the exchange's bytes, and a dialog it
// opened would hold the exchange (and with it polling) until the dialog closed. So:
// - a user action goes through request(): it starts at once when the port is free, otherwise it
//   waits in line and starts as soon as the exchange in progress has returned, in the order the
//   actions arrived; a second request of an action already waiting is dropped;
// - the part of an action that talks to the meter holds an Exchange for as long as it does;
// - a periodic handler (the polling tick, a window's timer) goes through tryRun(): it is skipped
//   while an exchange is in progress or an action waits to start;
// - a shutdown drops every waiting action.
// A waiting action starts from the event loop, never on the stack of the exchange that held it
// up, so a dialog it opens does not keep that exchange's handler (a timer tick) from returning.
class ExchangeQueue : public QObject {
    Q_OBJECT
public:
    explicit ExchangeQueue(const Waiter& waiter);

    // Runs the action now, or in line when the port is taken. With a context, the action is
    // dropped if the context is destroyed before it starts (a window closed meanwhile).
    void request(const QString& key, QObject* context, std::function<void()> action);
    // Runs a periodic handler as one exchange; false when it was skipped.
    bool tryRun(const std::function<void()>& handler);

    bool busy() const { return depth_ > 0; }
    int waiting() const { return int(queue_.size()); }

    // Holds the port for the part of an action that talks to the meter. Nested holds belong to
    // the same exchange.
    class Exchange {
    public:
        explicit Exchange(ExchangeQueue& queue);
        ~Exchange();
        Exchange(const Exchange&) = delete;
        Exchange& operator=(const Exchange&) = delete;

    private:
        ExchangeQueue& queue_;
    };

private:
    struct Waiting {
        QString key;
        QPointer<QObject> context;
        bool guarded = false;
        std::function<void()> action;
    };
    void scheduleNext();
    void startNext();

    const Waiter& waiter_;
    int depth_ = 0;
    bool scheduled_ = false;
    std::deque<Waiting> queue_;
};

} // namespace meterlink
