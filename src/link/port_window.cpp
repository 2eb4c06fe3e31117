#include "link/port_window.h"

#include "link/port_choice.h"
#include "platform/placement.h"

#include <QComboBox>
#include <QCompleter>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSerialPortInfo>

namespace meterlink {

namespace {
constexpr int kTwipsPerPixel = 15; // at 96 dots per inch
}

QStringList systemSerialDevices() {
    QStringList devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        devices << info.systemLocation();
    devices.sort();
    return devices;
}

Port::Port(LinkState& link, const QStringList& systemDevices, QWidget* parent)
    : QDialog(parent), link_(link) {
    setObjectName(QStringLiteral("Port"));
    setWindowTitle(QStringLiteral("COM Port"));
    setAttribute(Qt::WA_DeleteOnClose);

    TxtCOM = new QComboBox(this);
    TxtCOM->setObjectName(QStringLiteral("TxtCOM"));
    TxtCOM->setEditable(true);
    TxtCOM->setInsertPolicy(QComboBox::NoInsert);
    TxtCOM->addItems(fixedPortEntries());
    for (const QString& device : systemDevices)
        if (!fixedPortEntries().contains(device))
            TxtCOM->addItem(device);
    TxtCOM->addItem(kSimulatedMeterEntry);
    TxtCOM->setCurrentIndex(0);
    TxtCOM->setMinimumContentsLength(14);
    // Port names are matched exactly: "com3" is not "COM3".
    TxtCOM->completer()->setCaseSensitivity(Qt::CaseSensitive);

    CmdOK = new QPushButton(QStringLiteral("OK"), this);
    CmdOK->setObjectName(QStringLiteral("CmdOK"));
    CmdOK->setDefault(true);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 120 / kTwipsPerPixel, 8, 8);
    row->addWidget(TxtCOM, 1);
    row->addWidget(CmdOK);

    platform::placeAt(*this, QPoint(3700 / kTwipsPerPixel, 2700 / kTwipsPerPixel));
    QObject::connect(CmdOK, &QPushButton::clicked, this, &Port::CmdOKClick);
}

void Port::CmdOKClick() {
    const QString text = TxtCOM->currentText();
    link_.PortNumber = portNumberForChoice(text, link_.PortNumber);
    const PortTarget target = portTargetForChoice(text, link_.PortNumber);
    link_.devicePath = target.devicePath;
    link_.linkName = target.linkName;
    Q_EMIT portChosen(text);
}

} // namespace meterlink
