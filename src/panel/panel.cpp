#include "panel/panel.h"

#include "calibration/calibration_window.h"
#include "calibration/scf_window.h"
#include "commands/comparator.h"
#include "commands/control_panel.h"
#include "commands/meter_settings.h"
#include "link/meter_link.h"
#include "lists/transfers.h"
#include "panel/lcd_view.h"
#include "platform/keep_until_closed.h"
#include "platform/placement.h"
#include "platform/prompts.h"
#include "platform/shortcut_tip.h"
#include "recording/recording_tick.h"
#include "survey/survey_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace panel {

namespace {

constexpr int kRecordingIntervalMs = 1000;

struct ToolbarButton {
    const char* key;
    const char* toolTip;
    const char* image;
    QKeySequence shortcut;
};

const ToolbarButton kToolbarButtons[] = {
    {"Save", "Save As", "save", QKeySequence(Qt::CTRL | Qt::Key_S)},
    {"Open", "Open File to Read", "open", QKeySequence(Qt::CTRL | Qt::Key_O)},
    {"PC", "PC Sampling Rate", "pc_rate", QKeySequence(Qt::CTRL | Qt::Key_R)},
    {"List", "List Display", "list", QKeySequence(Qt::CTRL | Qt::Key_L)},
    {"Graph", "Graphic Display", "graph", QKeySequence(Qt::CTRL | Qt::Key_G)},
    {"TimeSet", "Set Meter Time to PC System Time", "timeset", QKeySequence(Qt::CTRL | Qt::Key_T)},
    {"Memory", "Data Logger", "memory", QKeySequence(Qt::CTRL | Qt::Key_D)},
    {"CD", "Luminous Intensity", "cd", QKeySequence(Qt::CTRL | Qt::Key_I)},
    {"Comp", "Comparator", "comp", QKeySequence(Qt::CTRL | Qt::Key_K)},
    {"Hold", "Set Time to Hold", "hold", QKeySequence(Qt::CTRL | Qt::Key_H)},
    {"Buttons", "Control Panel", "buttons", QKeySequence(Qt::CTRL | Qt::Key_B)},
    {"ESC", "Back to Normal Mode", "esc", QKeySequence(Qt::Key_Escape)},
    {"scf", "Set SCF", "scf", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)},
    {"cal", "Set Cal", "cal", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)},
    {"Survey", "Lighting Survey", "survey", QKeySequence(Qt::CTRL | Qt::Key_U)},
};

QLabel* statusLabel(const char* name, const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

Panel::Panel(shared::Session& session, meterlink::MeterLink& link, platform::Prompts& prompts,
             QWidget* parent)
    : QMainWindow(parent), session_(session), link_(link), prompts_(prompts),
      stream_(link, session.display, this, meterlink::DisplayStream::Cadence::Panel),
      timer2_(new QTimer(this)), dispatcher_(session, link, prompts, stream_, this) {
    setObjectName(QStringLiteral("Panel"));
    setWindowTitle(kPanelCaption);

    QObject::connect(&stream_, &meterlink::DisplayStream::bannerShown, this,
                     &Panel::showSetUpBanner);
    QObject::connect(&stream_, &meterlink::DisplayStream::frameDecoded, this, &Panel::showDigits);
    QObject::connect(&stream_, &meterlink::DisplayStream::readingDecoded, this,
                     &Panel::displayUpdated);
    timer2_->setObjectName(QStringLiteral("Timer2"));
    timer2_->setInterval(kRecordingIntervalMs);
    QObject::connect(timer2_, &QTimer::timeout, this, &Panel::Timer2Tick);
    dispatcher_.actions().StartFileRecording = [this] { StartFileRecording(); };
    dispatcher_.actions().StopFileRecording = [this] { StopFileRecording(); };
    dispatcher_.actions().EnterHoldTime = [this] {
        commands::EnterHoldTime(link_, prompts_, this);
    };
    dispatcher_.actions().EnterLightDistance = [this] {
        commands::EnterLightDistance(link_, prompts_, this, session_.display);
    };
    dispatcher_.actions().ShowControlPanel = [this] { showControlPanel(); };
    dispatcher_.actions().ShowSurvey = [this] { showSurvey(); };
    dispatcher_.actions().LoadComparatorWindow = [this] {
        commands::LoadComparatorWindow(link_, prompts_, this, comparator_);
    };
    dispatcher_.actions().ShowScfWindow = [this] {
        calibration::SCF_frm::showModal(session_, link_, prompts_, {this, stream_, *timer2_});
    };
    dispatcher_.actions().ShowCalibrationWindow = [this] {
        calibration::Calibrationfrm::showModal(link_, prompts_, stream_, this);
    };

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    lcd_ = new LcdView(central);
    column->addWidget(lcd_);

    auto* status = new QHBoxLayout;
    LblCOM_ = statusLabel("LblCOM", meterlink::kNoLinkText, central);
    LblCOM_->setCursor(Qt::PointingHandCursor);
    LblCOM_->installEventFilter(this);
    LblRec_ = statusLabel("LblRec", QStringLiteral("Rec."), central);
    LblRec_->hide();
    LblCount_ = statusLabel("LblCount", QString(), central);
    LblFileName_ = statusLabel("LblFileName", QString(), central);
    status->addWidget(LblCOM_);
    status->addWidget(LblRec_);
    status->addWidget(LblCount_);
    status->addWidget(LblFileName_, 1);
    column->addLayout(status);
    setCentralWidget(central);

    buildToolbar();

    QObject::connect(&link_, &meterlink::MeterLink::linkTextChanged, LblCOM_, &QLabel::setText);
}

Panel::~Panel() = default;

void Panel::buildToolbar() {
    Toolbar1_ = addToolBar(QStringLiteral("Toolbar"));
    Toolbar1_->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1_->setMovable(false);
    Toolbar1_->setIconSize(QSize(24, 24));
    for (const ToolbarButton& b : kToolbarButtons) {
        const QString key = QString::fromLatin1(b.key);
        auto* action = new QAction(QIcon(QStringLiteral(":/icons/%1.svg").arg(b.image)),
                                   QString::fromLatin1(b.toolTip), this);
        action->setObjectName(key);
        action->setData(key);
        action->setToolTip(platform::withShortcut(QString::fromLatin1(b.toolTip), b.shortcut));
        action->setShortcut(b.shortcut);
        if (key == QLatin1String("Save"))
            saveAction_ = action;
        QObject::connect(action, &QAction::triggered, this,
                         [this, key] { dispatcher_.OnToolbarButton(key); });
        Toolbar1_->addAction(action);
    }
}

bool Panel::Load() {
    platform::placeAt(*this, QPoint(0, 0));
    QString why;
    if (!link_.port().open(session_.link.devicePath, &why)) {
        prompts_.message(this, platform::MessageIcon::Critical, kNoDeviceText, why);
        return false;
    }
    LblCOM_->setText(session_.link.linkName);
    lcd_->showWaiting(session_.link.linkName);
    QObject::connect(this, &Panel::displayUpdated, lcd_, &LcdView::hideWaiting);
    session_.recording.resetForPanelLoad();
    session_.graph.GraphOpen = false;
    session_.logger.MemoryWindowOpen = false;
    stream_.start();
    timer2_->start();
    return true;
}

void Panel::showControlPanel() {
    if (!controlPanel_)
        platform::keepUntilClosed(controlPanel_, new commands::Btn(session_, link_, dispatcher_,
                                                                   stream_, prompts_, this));
    controlPanel_->show();
    controlPanel_->raise();
    controlPanel_->activateWindow();
}

void Panel::showSurvey() {
    if (!survey_)
        platform::keepUntilClosed(survey_,
                                  new survey::Survey(session_, link_.exchanges(), prompts_, this));
    survey_->show();
    survey_->raise();
    survey_->activateWindow();
}

void Panel::showDigits(const meterlink::DisplayDigits& digits) {
    lcd_->ShapeSetUp->hide();
    lcd_->LblSetUp->hide();
    QString memory;
    for (QChar c : digits.memory)
        if (!c.isNull())
            memory += c;
    lcd_->MemoryDigit->setText(memory);
    for (int i = 0; i < 6; ++i) {
        QLabel* digit = lcd_->MainDigit[i];
        const QChar c = digits.main[i];
        digit->setText(c.isNull() ? QString() : QString(c));
        digit->setVisible(!c.isNull());
    }
    if (!digits.mainTextFormed)
        return;
    for (int i = 0; i < 4; ++i)
        lcd_->TimeDigit[i]->setText(QString(digits.time[i]));

    const meterlink::MeterStatus& s = session_.display.status;
    for (const LcdView::Annunciator& a : lcd_->annunciators())
        a.widget->setVisible(s.*(a.flag));
    applyUnitRule();
}

void Panel::showSetUpBanner(const QString& caption) {
    lcd_->LblSetUp->setText(caption);
    lcd_->ShapeSetUp->show();
    lcd_->LblSetUp->show();
}

void Panel::applyUnitRule() {
    const meterlink::MeterStatus& s = session_.display.status;
    if (s.FcHourOn) {
        lcd_->LblFc->show();
        lcd_->LblFch->show();
        lcd_->LblLxh->hide();
    } else if (s.LxHourOn) {
        lcd_->LblLx->show();
        lcd_->LblLxh->show();
    } else {
        lcd_->LblFch->hide();
        lcd_->LblLxh->hide();
        lcd_->LblFc->setVisible(s.FcOn);
        lcd_->LblLx->setVisible(s.LxOn);
    }
}

void Panel::setSaveLook(bool recording) {
    saveAction_->setIcon(QIcon(recording ? QStringLiteral(":/icons/recording.svg")
                                         : QStringLiteral(":/icons/save.svg")));
    saveAction_->setToolTip(platform::withShortcut(recording ? QStringLiteral("Stop Recording")
                                                             : QStringLiteral("Save As"),
                                                   saveAction_->shortcut()));
}

void Panel::StartFileRecording() {
    recording::RecordingState& r = session_.recording;
    lists::ChooseSaveFile(prompts_, this, r,
                          platform::datedFileName(QStringLiteral("Recording"),
                                                  QDateTime::currentDateTime(),
                                                  QStringLiteral("txt")));
    if (!r.SavePathChosen)
        return;
    const QString path = r.SavePath;
    QString why;
    // The labels and the button change only once the file exists: a recording that could not
    // start must not look as if it runs.
    if (!recording::openRecordingFile(r, r.SavePath, session_.display.UnitText, &why)) {
        r.SavePathChosen = false;
        prompts_.message(this, platform::MessageIcon::Critical,
                         QStringLiteral("The data file could not be created."),
                         QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), why));
        return;
    }
    LblFileName_->setText(QFileInfo(path).fileName());
    setSaveLook(true);
    LblRec_->show();
}

void Panel::StopFileRecording() {
    recording::closeRecordingFile(session_.recording);
    setSaveLook(false);
    LblRec_->hide();
    LblCount_->clear();
    LblFileName_->clear();
}

void Panel::Timer2Tick() {
    recording::RecordingState& r = session_.recording;
    const meterlink::DisplayModel& d = session_.display;
    const recording::Sample sample = recording::RecordingTick(r, d, QDateTime::currentDateTime());
    switch (sample.outcome) {
    case recording::Sample::Outcome::NotDue:
        return;
    case recording::Sample::Outcome::NotRecording:
        // Cleared only when they show something: a label cleared again still asks the status
        // bar for a new layout and a repaint at every sample.
        for (QLabel* label : {LblFileName_, LblCount_, LblRec_})
            if (!label->text().isEmpty())
                label->clear();
        break;
    case recording::Sample::Outcome::Written:
        LblCount_->setText(QString::number(sample.count));
        LblRec_->setText(QStringLiteral("Rec"));
        break;
    case recording::Sample::Outcome::Ended:
        setSaveLook(false);
        LblRec_->clear();
        LblCount_->clear();
        break;
    case recording::Sample::Outcome::Failed:
        reportFailedRecording(sample.count, sample.why);
        break;
    }
    if (r.ListRecording) {
        ++r.ListSampleCount;
        if (listSink.append)
            listSink.append(
                QStringLiteral("%1\t%2\t%3").arg(r.ListSampleCount).arg(r.SampleTime, d.MainText));
        if (recording::sinkEnding(r.ListSampleCount, r.ListUnit, d)) {
            r.ListSampleCount = 0;
            r.ListRecording = false;
            if (listSink.unload)
                listSink.unload();
        }
    }
}

void Panel::reportFailedRecording(qint32 written, const QString& why) {
    const QString path = QDir::toNativeSeparators(session_.recording.SavePath);
    StopFileRecording();
    const QString detail =
        QStringLiteral("%1 keeps the %2 samples recorded before the failure (%3).")
            .arg(path)
            .arg(written)
            .arg(why);
    // The box opens after this tick has finished (the live list keeps its samples meanwhile),
    // and once no exchange is inside a wait, so it holds neither this timer nor polling.
    QTimer::singleShot(0, this, [this, detail] {
        link_.exchanges().request(QStringLiteral("recording failed"), this, [this, detail] {
            prompts_.message(
                this, platform::MessageIcon::Critical,
                QStringLiteral("Recording stopped: the data file could not be written."), detail);
        });
    });
}

void Panel::LblCOMClick() {
    setWindowTitle(windowTitle().contains(QLatin1String("170508")) ? kPanelCaption
                                                                   : kPanelCaptionWithBuild);
}

bool Panel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LblCOM_ && event->type() == QEvent::MouseButtonRelease)
        LblCOMClick();
    return QMainWindow::eventFilter(watched, event);
}

void Panel::closeEvent(QCloseEvent* event) {
    // A survey with points not saved asks first; the program ends only once it has closed.
    if (survey_ && !survey_->close()) {
        event->ignore();
        return;
    }
    stream_.stop();
    event->accept();
    Q_EMIT closing();
}

} // namespace panel
