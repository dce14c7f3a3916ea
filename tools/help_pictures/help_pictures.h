#pragma once

#include <QImage>
#include <QString>

#include <vector>

#include "serial/serial_port_list.h"

class CPanelStage;
class CPictureWriter;

// The pictures of the operator's guide, each taken from the real panel driven as the
// operator drives it: clicks on its buttons, keys on its controls, and an emulated Sonavire
// on a pseudo-terminal behind its port. The names are the ones the guide's <img> elements
// use.
class CHelpPictures
{
public:
    explicit CHelpPictures(CPictureWriter& writer);

    // Draws every picture; false with Error() at the first that cannot be drawn or written.
    bool DrawAll();
    const QString& Error() const { return error; }

private:
    bool DrawOffline();
    bool DrawLive();
    bool DrawFrontPanelActive(CPanelStage& stage);
    bool DrawFirmwareUpdate();
    bool DrawPortDialog(const QString& name, const std::vector<SerialPortEntry>& ports);
    bool DrawNoPortsBox();
    bool DrawResponseView();

    QImage OverviewWithCallouts(CPanelStage& stage) const;
    QImage TitleBandWithCallouts(CPanelStage& stage) const;
    QImage StripWithCallouts(CPanelStage& stage, int channel) const;
    bool GoLive(CPanelStage& stage);
    bool MoveMasterGainWithLocks(CPanelStage& stage);
    bool SendFirmware(CPanelStage& stage, const QString& hexFile);

    bool Write(const QString& name, const QImage& picture);
    bool Fail(const QString& why);

    CPictureWriter& writer;
    QString error;
};
