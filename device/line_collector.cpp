#include "device/line_collector.h"

std::vector<std::string> CLineCollector::Append(std::string_view bytes)
{
    std::vector<std::string> lines;
    for (char byte : bytes) {
        if (byte == '\r') {
            if (!overlong)
                lines.push_back(pending + byte);
            pending.clear();
            overlong = false;
        } else if (pending.size() < MaxPendingBytes) {
            pending += byte;
        } else {
            // The rest of an overlong line is dropped with it, so its tail can never pass
            // for a request.
            pending.clear();
            overlong = true;
        }
    }
    return lines;
}
