#pragma once

#include "sim/meter_model.h"

#include <QMutex>
#include <QObject>
#include <QRandomGenerator>
#include <QString>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QSocketNotifier;
class QTimer;

namespace sim {

// What a frame on the line was: one of the display stream's snapshots, or the answer to a
// command (a poll reply, a settings frame...), so that a watcher need not guess it from the bytes.
enum class FrameKind { Display, Reply };

// The meter's model behind a lock, so that whoever drives a test can change the meter from its
// own thread while the line runs on another.
class SharedModel {
public:
    explicit SharedModel(quint64 seed = 0x5eed) : model_(seed) {}

    template <class F> decltype(auto) with(F&& f) {
        QMutexLocker lock(&mutex_);
        return f(model_);
    }

private:
    QMutex mutex_;
    MeterModel model_;
};

// The meter on the far end of a pseudo-terminal. The slave device is reached through a symbolic
// link at a fixed path, so a client opens the same name every time, also after an unplug.
// Output is paced at the line's real speed. Every method but the thread-safe ones named below
// must be called on the thread the object lives on.
class PtyMeter : public QObject {
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;
    using FrameObserver = std::function<void(const QByteArray&, FrameKind, Clock::time_point)>;

    // 19200 baud with one start and one stop bit per byte.
    static constexpr int kBytesPerSecond = 1920;
    static constexpr std::chrono::milliseconds kStreamPeriod{100};

    explicit PtyMeter(QString linkPath, std::shared_ptr<SharedModel> model = {},
                      QObject* parent = nullptr);
    ~PtyMeter() override;

    // Creates the pseudo-terminal and the link. Fails if the link path is taken by something
    // that is not a symbolic link.
    bool open(QString* error = nullptr);
    // Removes the link and closes the pseudo-terminal; also cancels a pending replug.
    void close();

    void pressKey(char letter);

    // Faults.
    void silence(std::chrono::milliseconds duration);
    void sendGarbage(int count);
    void cutFrames(int count);
    void unplug(std::chrono::milliseconds duration);

    // Thread-safe.
    QString linkPath() const { return linkPath_; }
    QString devicePath() const;
    bool isPlugged() const;
    SharedModel& model() { return *model_; }
    std::shared_ptr<SharedModel> sharedModel() const { return model_; }
    // Called on this object's thread as the last byte of each reply or display frame reaches
    // the pseudo-terminal, with the bytes actually sent (shorter for a cut frame) and which of
    // the two it was.
    void setFrameObserver(FrameObserver observer);

signals:
    void frameWritten(const QByteArray& frame, sim::FrameKind kind,
                      std::chrono::steady_clock::time_point at);
    void pluggedIn(const QString& devicePath);
    void unplugged();

private:
    struct Chunk {
        QByteArray bytes;
        qsizetype written = 0;
        std::optional<FrameKind> frame; // none for garbage
    };

    bool openPty(QString* error);
    void closePty();
    bool placeLink(const QByteArray& target, QString* error);
    void removeLink();
    void onMasterReadable();
    void onStreamTick();
    void onReplug();
    void updateStream(bool streaming);
    void enqueue(QByteArray bytes, std::optional<FrameKind> frame);
    void dropOutput();
    void pump();
    void writeMaster(const char* data, qsizetype size);
    void notifyFrame(const QByteArray& frame, FrameKind kind, Clock::time_point at);
    bool isSilentAt(Clock::time_point now) const { return silentUntil_ && now < *silentUntil_; }
    qsizetype queuedBytes() const;

    QString linkPath_;
    std::shared_ptr<SharedModel> model_;

    int masterFd_ = -1;
    int slaveFd_ = -1;
    QByteArray slaveName_;
    QSocketNotifier* readNotifier_ = nullptr;
    QTimer* streamTimer_ = nullptr;
    QTimer* pacer_ = nullptr;
    QTimer* replugTimer_ = nullptr;
    bool clockSet_ = false;

    std::deque<Chunk> queue_;
    // The line is busy from lineStart_ for as long as lineBytes_ take to send.
    Clock::time_point lineStart_{};
    qint64 lineBytes_ = 0;

    std::optional<Clock::time_point> silentUntil_;
    int cutRemaining_ = 0;
    QRandomGenerator rng_;

    mutable QMutex infoMutex_;
    QString devicePath_;
    FrameObserver observer_;
};

} // namespace sim
