#include "link/exchange_queue.h"

#include "link/waiter.h"

#include <algorithm>

namespace meterlink {

ExchangeQueue::ExchangeQueue(const Waiter& waiter) : waiter_(waiter) {}

void ExchangeQueue::request(const QString& key, QObject* context, std::function<void()> action) {
    if (waiter_.shuttingDown())
        return;
    if (!busy() && queue_.empty()) {
        action();
        return;
    }
    if (std::any_of(queue_.begin(), queue_.end(), [&](const Waiting& w) { return w.key == key; }))
        return;
    queue_.push_back({key, context, context != nullptr, std::move(action)});
    if (!busy())
        scheduleNext();
}

bool ExchangeQueue::tryRun(const std::function<void()>& handler) {
    if (busy() || !queue_.empty() || waiter_.shuttingDown())
        return false;
    Exchange exchange(*this);
    handler();
    return true;
}

void ExchangeQueue::scheduleNext() {
    if (scheduled_)
        return;
    scheduled_ = true;
    QMetaObject::invokeMethod(this, &ExchangeQueue::startNext, Qt::QueuedConnection);
}

void ExchangeQueue::startNext() {
    scheduled_ = false;
    if (waiter_.shuttingDown()) {
        queue_.clear();
        return;
    }
    if (busy() || queue_.empty())
        return; // the exchange in progress schedules the next start when it ends
    Waiting next = std::move(queue_.front());
    queue_.pop_front();
    // The one after starts from the event loop too, even if this one stays in a dialog.
    if (!queue_.empty())
        scheduleNext();
    if (next.context || !next.guarded)
        next.action();
}

ExchangeQueue::Exchange::Exchange(ExchangeQueue& queue) : queue_(queue) {
    ++queue_.depth_;
}

ExchangeQueue::Exchange::~Exchange() {
    if (--queue_.depth_ == 0 && !queue_.queue_.empty())
        queue_.scheduleNext();
}

} // namespace meterlink
