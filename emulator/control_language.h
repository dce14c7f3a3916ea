#pragma once

#include <string>
#include <string_view>

#include "emulator/fault.h"

class CEmulatedDevice;

// The emulated device's steering as text, one command per line, for sonavire-emu's standard
// input and for scripts. Words are separated by spaces; every reply is one line that starts
// with "ok" or "error:".
//
//   mode update|normal              the 'OS Update' switch
//   frontpanel active|locked        who controls the volumes
//   volume CH VALUE                 turns channel CH's (1..16) volume knob
//   fault NAME [after N | at TEXT]  NAME: silence, garbage, refuse, trickle [MS], flood,
//                                   hangup, none; "at" matches a whole command, or with a
//                                   final "*" the start of one
//   abort-after N                   "<!" instead of the request after N pages
//   clear                           ends every fault
//   status                          "ok mode=normal frontpanel=locked fault=none ..."
bool RunControlLine(CEmulatedDevice& device, std::string_view line, std::string& reply);

std::string_view FaultName(Fault fault);
