#include "panel/lcd_view.h"

#include <QFontDatabase>
#include <QIcon>
#include <QLabel>
#include <QPainter>

namespace panel {

namespace {

using meterlink::MeterStatus;

const QColor kSegmentColour(0x1a, 0x1f, 0x16);
const QColor kGlassColour(0xb9, 0xc6, 0xa2);
const QColor kGhostColour(0x1a, 0x1f, 0x16, 0x1c);

enum class Look { Legend, Unit, Point, Symbol };

struct Placement {
    const char* name;
    const char* caption; // text, or the symbol's resource for Look::Symbol
    QRect geometry;
    bool MeterStatus::*flag;
    Look look;
};

// In the order the polling tick sets them; positions follow the meter's glass.
const Placement kAnnunciators[] = {
    {"ImgRel", ":/icons/lcd_rel.svg", {16, 7, 18, 16}, &MeterStatus::RelOn, Look::Symbol},
    {"LblComp", "COMP", {40, 6, 44, 18}, &MeterStatus::CompOn, Look::Legend},
    {"LblCal", "CAL", {88, 6, 32, 18}, &MeterStatus::CalOn, Look::Legend},
    {"LblZero", "ZERO", {124, 6, 42, 18}, &MeterStatus::ZeroOn, Look::Legend},
    {"LblUAvg", "AVG", {170, 6, 34, 18}, &MeterStatus::UpperAvgOn, Look::Legend},
    {"LblHold", "D-H", {208, 6, 34, 18}, &MeterStatus::HoldOn, Look::Legend},
    {"LblRef", "REF", {246, 6, 34, 18}, &MeterStatus::RefOn, Look::Legend},
    {"LblUpPercent", "%", {284, 6, 18, 18}, &MeterStatus::UpperPercentOn, Look::Legend},
    {"LblCD", "cd", {488, 92, 30, 22}, &MeterStatus::CdOn, Look::Unit},
    {"LblLight", "LIGHT", {360, 6, 48, 18}, &MeterStatus::LightOn, Look::Legend},
    {"LblSmallPlus", "+", {16, 172, 18, 18}, &MeterStatus::SmallPlusOn, Look::Legend},
    {"LblStray", "STRAY", {412, 6, 52, 18}, &MeterStatus::StrayOn, Look::Legend},
    {"LblComma", ",", {278, 116, 10, 20}, &MeterStatus::CommaOn, Look::Point},
    {"ImgBt", ":/icons/lcd_battery.svg", {516, 7, 30, 16}, &MeterStatus::BatteryOn, Look::Symbol},
    {"LblBigPlus", "+", {74, 50, 20, 24}, &MeterStatus::BigPlusOn, Look::Unit},
    {"LblNeg", "-", {74, 78, 20, 24}, &MeterStatus::NegativeOn, Look::Unit},
    {"ImgAuto", ":/icons/lcd_auto.svg", {472, 7, 34, 16}, &MeterStatus::AutoRangeOn, Look::Symbol},
    {"LblCycle", "CYCLE", {306, 6, 50, 18}, &MeterStatus::CycleOn, Look::Legend},
    {"LblRead", "R", {16, 150, 18, 18}, &MeterStatus::ReadOn, Look::Legend},
    {"LblDAvg", "AVG", {38, 150, 34, 18}, &MeterStatus::LowerAvgOn, Look::Legend},
    {"LblNo", "NO.", {40, 36, 32, 18}, &MeterStatus::NoOn, Look::Legend},
    {"LblStart", "START", {100, 144, 50, 18}, &MeterStatus::StartOn, Look::Legend},
    {"LblIntv", "INTV", {100, 184, 50, 18}, &MeterStatus::IntvOn, Look::Legend},
    {"LblStop", "STOP", {100, 164, 50, 18}, &MeterStatus::StopOn, Look::Legend},
    {"LblDH", "D-H", {336, 146, 40, 18}, &MeterStatus::DayHourOn, Look::Legend},
    {"Lblms", "m-s", {336, 166, 40, 18}, &MeterStatus::MinSecOn, Look::Legend},
    {"LblTH", "TIME - HOLD", {170, 200, 120, 18}, &MeterStatus::TimeHoldOn, Look::Legend},
    {"LblDownPercent", "%", {38, 172, 18, 18}, &MeterStatus::LowerPercentOn, Look::Legend},
    {"LblSCF", "SCF", {60, 172, 34, 18}, &MeterStatus::ScfOn, Look::Legend},
    {"Lblft", "ft", {388, 150, 24, 20}, &MeterStatus::FtOn, Look::Legend},
    {"Lblm", "m", {388, 172, 24, 20}, &MeterStatus::MetreOn, Look::Legend},
    {"LblBP1", ".", {278, 104, 10, 20}, &MeterStatus::MainPoint1On, Look::Point},
    {"LblBP2", ".", {342, 104, 10, 20}, &MeterStatus::MainPoint2On, Look::Point},
    {"LblBP3", ".", {406, 104, 10, 20}, &MeterStatus::MainPoint3On, Look::Point},
    {"LblSP1", ".", {202, 176, 8, 16}, &MeterStatus::SubPoint1On, Look::Point},
    {"LblSP2", ".", {242, 176, 8, 16}, &MeterStatus::SubPoint2On, Look::Point},
    {"LblSP3", ".", {282, 176, 8, 16}, &MeterStatus::SubPoint3On, Look::Point},
    {"LblDateDot", ".", {242, 144, 8, 16}, &MeterStatus::DateDotOn, Look::Point},
    {"LblTimeDot", ".", {242, 160, 8, 16}, &MeterStatus::TimeDotOn, Look::Point},
    {"LblMem", "M", {16, 36, 20, 18}, &MeterStatus::MemOn, Look::Legend},
};

QFont segmentFont(int pixelSize) {
    static const bool haveSegments =
        QFontDatabase::families().contains(QStringLiteral("DSEG7 Classic"));
    QFont font(haveSegments ? QStringLiteral("DSEG7 Classic") : QStringLiteral("Monospace"));
    if (!haveSegments)
        font.setStyleHint(QFont::Monospace);
    font.setPixelSize(pixelSize);
    font.setItalic(haveSegments);
    return font;
}

QFont legendFont(int pixelSize) {
    QFont font;
    font.setPixelSize(pixelSize);
    font.setBold(true);
    return font;
}

} // namespace

LcdView::LcdView(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("Lcd"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setLineWidth(2);
    setFixedSize(560, 224);
    setAutoFillBackground(true);
    QPalette glass = palette();
    glass.setColor(QPalette::Window, kGlassColour);
    glass.setColor(QPalette::WindowText, kSegmentColour);
    setPalette(glass);

    MemoryDigit = addDigit(QStringLiteral("MemoryDigit"), {16, 58, 56, 40}, segmentFont(28), 2);
    for (int i = 0; i < 6; ++i)
        MainDigit[i] = addDigit(QStringLiteral("MainDigit(%1)").arg(i), {96 + i * 64, 30, 60, 96},
                                segmentFont(64), 1);
    for (int i = 0; i < 4; ++i)
        TimeDigit[i] = addDigit(QStringLiteral("TimeDigit(%1)").arg(i), {170 + i * 40, 140, 36, 56},
                                segmentFont(36), 1);

    const QFont legend = legendFont(12);
    const QFont unit = legendFont(19);
    const QFont point = legendFont(30);
    for (const Placement& p : kAnnunciators) {
        QLabel* label;
        if (p.look == Look::Symbol) {
            label = addLabel(p.name, QString(), p.geometry, legend);
            label->setPixmap(QIcon(QString::fromLatin1(p.caption)).pixmap(p.geometry.size()));
        } else {
            const QFont& font = p.look == Look::Point  ? point
                                : p.look == Look::Unit ? unit
                                                       : legend;
            label = addLabel(p.name, QString::fromLatin1(p.caption), p.geometry, font);
        }
        annunciators_.push_back({label, p.flag});
    }
    LblLx = addLabel("LblLx", QStringLiteral("lx"), {488, 40, 30, 22}, unit);
    LblLxh = addLabel("LblLxh", QStringLiteral("-h"), {518, 40, 30, 22}, unit);
    LblFc = addLabel("LblFc", QStringLiteral("fc"), {488, 66, 30, 22}, unit);
    LblFch = addLabel("LblFch", QStringLiteral("-h"), {518, 66, 30, 22}, unit);

    ShapeSetUp = new QFrame(this);
    ShapeSetUp->setObjectName(QStringLiteral("ShapeSetUp"));
    ShapeSetUp->setGeometry(96, 46, 384, 70);
    ShapeSetUp->setAutoFillBackground(true);
    QPalette dark = ShapeSetUp->palette();
    dark.setColor(QPalette::Window, kSegmentColour);
    dark.setColor(QPalette::WindowText, kGlassColour);
    ShapeSetUp->setPalette(dark);
    LblSetUp = new QLabel(QStringLiteral("SET UP"), ShapeSetUp);
    LblSetUp->setObjectName(QStringLiteral("LblSetUp"));
    LblSetUp->setGeometry(0, 0, 384, 70);
    LblSetUp->setAlignment(Qt::AlignCenter);
    LblSetUp->setFont(legendFont(34));
    ShapeSetUp->hide();
    LblSetUp->hide();

    // Under the time digits, where no annunciator lies.
    LblWaiting = addLabel("LblWaiting", QString(), {8, 198, 544, 22}, legendFont(15));
    LblWaiting->setAlignment(Qt::AlignCenter);
}

void LcdView::showWaiting(const QString& linkName) {
    LblWaiting->setText(QStringLiteral("Waiting for the meter on %1 ...").arg(linkName));
    LblWaiting->show();
}

void LcdView::hideWaiting() {
    LblWaiting->hide();
}

QLabel* LcdView::addLabel(const char* name, const QString& caption, const QRect& geometry,
                          const QFont& font) {
    auto* label = new QLabel(caption, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->hide(); // dark until a frame lights it
    return label;
}

QLabel* LcdView::addDigit(const QString& name, const QRect& geometry, const QFont& font,
                          int cells) {
    // What a blank (hidden) field leaves in view: its unlit segments, a field with no text, so
    // that a digit going blank copies a pixmap rather than lays out text.
    auto* ghost = new SegmentField(cells, font, this);
    ghost->move(geometry.topLeft());
    ghost->setFixedSize(geometry.size());

    auto* digit = new SegmentField(cells, font, this);
    digit->setObjectName(name);
    digit->move(geometry.topLeft());
    // A fixed size keeps a new text from asking the LCD for a new layout.
    digit->setFixedSize(geometry.size());
    return digit;
}

SegmentField::SegmentField(int cells, const QFont& font, QWidget* parent)
    : QLabel(parent), cells_(cells) {
    setFont(font);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The field paints its own piece of glass: nothing beneath it is repainted with it.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SegmentField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, face(text()));
}

const QPixmap& SegmentField::face(const QString& text) {
    const qreal ratio = devicePixelRatioF();
    if (ratio != facesRatio_) {
        faces_.clear();
        facesRatio_ = ratio;
    }
    const auto known = faces_.constFind(text);
    if (known != faces_.constEnd())
        return *known;
    QPixmap pixmap(size() * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(kGlassColour);
    QPainter painter(&pixmap);
    painter.setFont(font());
    const QRect area(QPoint(0, 0), size());
    // Unlit segments show faintly on a real LCD; drawing them keeps digits from jumping about.
    // The field covers its ghost, so that is never repainted with it.
    painter.setPen(kGhostColour);
    painter.drawText(area, int(alignment()), QString(cells_, QLatin1Char('8')));
    painter.setPen(kSegmentColour);
    painter.drawText(area, int(alignment()), text);
    painter.end();
    return *faces_.insert(text, pixmap);
}

} // namespace panel
