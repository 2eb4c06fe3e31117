#include "logger/memory_window.h"

#include "link/display_stream.h"
#include "link/meter_link.h"
#include "logger/logger_record.h"
#include "logger/memory_image.h"
#include "platform/grid.h"
#include "platform/placement.h"
#include "platform/prompts.h"
#include "shared/session.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace logger {

namespace {

constexpr double kBeforeEraseWait = 0.02;
constexpr int kVisibleSets = 10;

QLabel* label(const char* name, const QString& caption, QWidget* parent) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

// A raised caption, as the figures' frames show it.
QLabel* panel(const char* name, const QString& caption, QWidget* parent) {
    QLabel* l = label(name, caption, parent);
    l->setFrameStyle(QFrame::Panel | QFrame::Raised);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

} // namespace

Memory::Memory(shared::Session& session, meterlink::MeterLink& link, platform::Prompts& prompts,
               meterlink::DisplayStream& stream, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window), session_(session), link_(link), prompts_(prompts),
      stream_(stream) {
    setObjectName(QStringLiteral("Memory"));
    setWindowTitle(QStringLiteral("Data Logger"));
    setAttribute(Qt::WA_DeleteOnClose);

    LblSize_ = label("LblSize", QStringLiteral("64 K"), this);
    LblRemain_ = label("LblRemain", QString(), this);
    LblRemain_->setCursor(Qt::PointingHandCursor);
    LblRemain_->setToolTip(QStringLiteral("Erase the logger memory"));
    LblRemain_->installEventFilter(this);
    LblMessage_ = label("LblMessage", QString(), this);
    gridSet_ = new platform::Grid(4, this);
    gridSet_->setObjectName(QStringLiteral("GridSet"));
    // Compare has no action.
    auto* compare = new QPushButton(QStringLiteral("Compare"), this);
    compare->setObjectName(QStringLiteral("CmdCompare"));
    compare->setEnabled(false);
    CmdCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    CmdCancel_->setObjectName(QStringLiteral("CmdCancel"));
    CmdCancel_->hide();
    connect(CmdCancel_, &QPushButton::clicked, this, [this] { cancelRequested_ = true; });

    auto* layout = new QGridLayout(this);
    layout->addWidget(panel("SSPanel1", QStringLiteral("Total Memory"), this), 0, 0);
    layout->addWidget(LblSize_, 0, 1);
    layout->addWidget(panel("SSPanel2", QStringLiteral("Free Memory"), this), 0, 2);
    layout->addWidget(LblRemain_, 0, 3);
    layout->addWidget(LblMessage_, 1, 0, 1, 4);
    layout->addWidget(gridSet_, 2, 0, 1, 4);
    layout->addWidget(compare, 3, 0);
    layout->addWidget(CmdCancel_, 3, 3);

    const QString widths[] = {QStringLiteral(" No.S "), QStringLiteral("AA-AA:AA:AA"),
                              QStringLiteral(" Sampling "), QStringLiteral(" Records ")};
    const QString headers[] = {QStringLiteral("Set"), QStringLiteral("Time"),
                               QStringLiteral("Sampling"), QStringLiteral("Records")};
    int gridWidth = 2 * gridSet_->frameWidth() + gridSet_->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < 4; ++c) {
        gridSet_->fitColWidth(c, widths[c]);
        gridSet_->setText(0, c, headers[c]);
        gridWidth += gridSet_->ColWidth(c);
    }
    gridSet_->setMinimumSize(
        gridWidth, 2 * gridSet_->frameWidth() + gridSet_->horizontalHeader()->sizeHint().height() +
                       kVisibleSets * gridSet_->verticalHeader()->defaultSectionSize());
    connect(gridSet_, &QTableView::clicked, this,
            [this](const QModelIndex& index) { Q_EMIT setChosen(index.row() + 1); });

    adjustSize();
    platform::placeBeside(*this, mainWindow);
    session_.logger.MemoryWindowOpen = true;
}

void Memory::showMemoryFigures(quint32 memoryEnd) {
    LblSize_->setText(kTotalMemoryText);
    LblRemain_->setText(freeMemoryText(memoryEnd));
}

void Memory::showMessage(const QString& text) {
    LblMessage_->setText(text);
}

void Memory::listSets(const std::vector<QByteArray>& sets) {
    std::vector<QString> cells;
    cells.reserve(sets.size() * 4);
    int n = 0;
    for (const QByteArray& set : sets) {
        cells.push_back(QString::number(++n));
        cells.push_back(setStartText(set));
        cells.push_back(QString::number(setIntervalSeconds(set)));
        cells.push_back(QString::number(setRecordCount(set)));
    }
    gridSet_->appendRows(std::move(cells));
}

void Memory::setDownloadRunning(bool running) {
    cancelRequested_ = false;
    CmdCancel_->setVisible(running);
}

void Memory::ClearLoggerMemory() {
    LoggerState& state = session_.logger;
    if (state.MemoryClearBusy)
        return;
    state.MemoryClearBusy = true;
    // This window may close while the question is open; what follows needs none of it.
    const meterlink::DisplayStream::Pause pause(stream_);
    const QPointer<Memory> window = this;
    meterlink::MeterLink& link = link_;
    const bool erase =
        prompts_.confirm(this, platform::MessageIcon::Exclamation, kEraseQuestion, kEraseTitle);
    if (erase) {
        meterlink::ExchangeQueue::Exchange exchange(link.exchanges());
        if (!link.PollReading() || !link.WaitSeconds(kBeforeEraseWait))
            return;
        link.send(QByteArrayLiteral("E"));
    }
    if (erase && window)
        window->close();
    state.MemoryClearBusy = false;
}

void Memory::closeEvent(QCloseEvent* event) {
    session_.logger.MemoryWindowOpen = false;
    cancelRequested_ = true;
    Q_EMIT closed();
    QWidget::closeEvent(event);
}

bool Memory::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LblRemain_ && event->type() == QEvent::MouseButtonRelease)
        link_.exchanges().request(QStringLiteral("Memory.LblRemain"), this,
                                  [this] { ClearLoggerMemory(); });
    return QWidget::eventFilter(watched, event);
}

} // namespace logger
