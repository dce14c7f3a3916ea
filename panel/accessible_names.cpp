#include "panel/accessible_names.h"

#include <algorithm>
#include <tuple>

#include "model/number_format.h"
#include "model/strip_settings.h"
#include "model/value_labels.h"

namespace {

// As many characters as InitReadout gives each read-out's grid.
constexpr int FrequencyReadoutLength = 5;
constexpr int GainReadoutLength = 3;
constexpr int QDecimals = 2;

struct RoleWords
{
    ControlRole role;
    const char* words;
};

// Strip controls after the strip's name; fixed buttons when their tooltip is empty (the
// retrieve button while it is hidden).
constexpr RoleWords Words[] = {
    {ControlRole::FrequencyReadout, "frequency read-out"},
    {ControlRole::FrequencyKnob, "frequency"},
    {ControlRole::FrequencyLock, "frequency lock to master"},
    {ControlRole::QKnob, "Q"},
    {ControlRole::QLock, "Q lock to master"},
    {ControlRole::GainFader, "gain"},
    {ControlRole::GainLock, "gain lock to master"},
    {ControlRole::GainReadout, "gain read-out"},
    {ControlRole::StatusDisplay, "Status"},
    {ControlRole::FrontPanelLamp, "Front-panel lamp"},
    {ControlRole::HelpButton, "Help"},
    {ControlRole::LoadButton, "Load"},
    {ControlRole::SaveButton, "Save"},
    {ControlRole::ConfigureButton, "Configure"},
    {ControlRole::ModeButton, "Connect"},
    {ControlRole::TransferButton, "Download"},
    {ControlRole::RetrieveButton, "Retrieve"},
    {ControlRole::MinimizeButton, "Minimize"},
    {ControlRole::ExitButton, "Exit"},
};

// In FilterType order: Band, Flat, High, Low, Notch, Tone.
constexpr const char* FilterWords[] = {"band-pass", "flat",  "high-pass",
                                       "low-pass",  "notch", "tone"};

QString WordsFor(ControlRole role)
{
    const auto* found = std::ranges::find(Words, role, &RoleWords::role);
    return found == std::end(Words) ? QString() : QString::fromLatin1(found->words);
}

QString Shown(const std::string& text, std::size_t length = std::string::npos)
{
    return QString::fromStdString(text.substr(0, length)).trimmed();
}

bool IsAboveStrips(const ControlEntry& entry)
{
    static const int stripsTop = [] {
        int top = DialogHeightUnits;
        for (const ControlEntry& control : MainWindowLayout()) {
            if (control.strip >= 0)
                top = std::min(top, control.rect.y);
        }
        return top;
    }();
    return entry.rect.y + entry.rect.height <= stripsTop;
}

} // namespace

QString ControlName(const ControlEntry& entry, const QString& toolTip)
{
    if (entry.role == ControlRole::FilterButton)
        return QString::fromStdString(StripName(entry.strip)) + ' ' +
               QString::fromLatin1(FilterWords[entry.filterType]);
    if (entry.strip >= 0)
        return QString::fromStdString(StripName(entry.strip)) + ' ' + WordsFor(entry.role);
    if (entry.kind == ControlClass::Button && !toolTip.isEmpty())
        return toolTip;
    return WordsFor(entry.role);
}

QString ValueText(ControlRole role, double value)
{
    switch (role) {
    case ControlRole::FrequencyKnob:
        return Shown(FormatFrequencyLabel(value), FrequencyReadoutLength) + QStringLiteral(" Hz");
    case ControlRole::GainFader:
        return Shown(FormatGainLabel(value), GainReadoutLength);
    default:
        return QString::fromStdString(FormatFixed(value, QDecimals));
    }
}

QString ShownText(ControlRole role, const std::string& text)
{
    switch (role) {
    case ControlRole::FrequencyReadout:
        return Shown(text, FrequencyReadoutLength);
    case ControlRole::GainReadout:
        return Shown(text, GainReadoutLength);
    default:
        return Shown(text);
    }
}

QString LampText(bool lit)
{
    return lit ? QStringLiteral("Front panel active") : QStringLiteral("Front panel locked");
}

std::vector<const ControlEntry*> ReadingOrder()
{
    std::vector<const ControlEntry*> order;
    for (const ControlEntry& entry : MainWindowLayout()) {
        if (entry.kind != ControlClass::DragArea)
            order.push_back(&entry);
    }
    // Band 0 the top row, 1 the strips, 2 what lies among or below them.
    const auto place = [](const ControlEntry* entry) {
        const int band = entry->strip >= 0 ? 1 : IsAboveStrips(*entry) ? 0 : 2;
        return std::make_tuple(band, entry->strip, entry->rect.y, entry->rect.x);
    };
    std::ranges::stable_sort(order, {}, place);
    return order;
}
