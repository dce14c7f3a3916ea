#include "tools/help_pictures/panel_stage.h"

#include <QTest>
#include <QTimer>

CPanelStage::CPanelStage() : panel(std::make_unique<CControlPanelDlg>())
{
    for (QTimer* clock : panel->findChildren<QTimer*>(Qt::FindDirectChildrenOnly))
        clock->stop();
    panel->show();
    [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(panel.get());
}

CPanelStage::~CPanelStage()
{
    // The panel closes its port before the device behind it goes.
    panel.reset();
    if (device)
        device->Stop();
}

bool CPanelStage::StartDevice(const EmulatorOptions& options, QString& error)
{
    device = std::make_unique<CEmulatedDevice>(options);
    std::string reason;
    if (!device->Start(reason)) {
        error = QStringLiteral("the emulated Sonavire did not start: %1")
                    .arg(QString::fromStdString(reason));
        return false;
    }
    panel->SetPortName(device->PortPath(), false);
    return true;
}

void CPanelStage::Click(ControlRole role, int strip, int filterType)
{
    QWidget* control = panel->Control(role, strip, filterType);
    QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
    QCoreApplication::processEvents();
}

void CPanelStage::PressKey(ControlRole role, int strip, Qt::Key key, int times)
{
    QWidget* control = panel->Control(role, strip);
    for (int i = 0; i < times; ++i) {
        QTest::keyClick(control, key);
        // Each press posts its notification; the panel handles it before the next press.
        QCoreApplication::processEvents();
    }
}

bool CPanelStage::TickUntilStatus(const std::string& text, int limit)
{
    for (int tick = 0; tick < limit; ++tick) {
        if (panel->StatusText().starts_with(text))
            return true;
        panel->OnTimer();
    }
    return panel->StatusText().starts_with(text);
}

QRect CPanelStage::Place(ControlRole role, int strip, int filterType) const
{
    return panel->Control(role, strip, filterType)->geometry();
}

QRect CPanelStage::Place(const ControlEntry& entry) const
{
    return Place(entry.role, entry.strip, entry.filterType);
}

QImage CPanelStage::Grab(const QRect& area) const
{
    return panel->grab(area.isNull() ? panel->rect() : area).toImage();
}
