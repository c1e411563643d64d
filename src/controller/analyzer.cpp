// The analyzer tab: panels lit by received frames that fade back over a
// second, and the marker that shows where a movement points.

#include "controller/component_helpers.h"
#include "controller/display_math.h"
#include "controller/tformtarvik.h"

namespace {

constexpr int kHighlightMs = 1000;
constexpr int kMarkerSize = 25;
const QColor kHighlightColor(255, 255, 0);

TColorValue ColorValueOf(const QColor& color)
{
    return static_cast<TColorValue>(color.red()) | static_cast<TColorValue>(color.green()) << 8 |
           static_cast<TColorValue>(color.blue()) << 16;
}

QColor ColorOf(TColorValue value)
{
    return {static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF), static_cast<int>((value >> 16) & 0xFF)};
}

struct TIndication {
    bool TFrameAnalysis::*Flag;
    TPanel* TFormTarvik::*Panel;
};

const TIndication kIndications[] = {
    {&TFrameAnalysis::Left, &TFormTarvik::PanelAnalyzerLeft},
    {&TFrameAnalysis::Right, &TFormTarvik::PanelAnalyzerRight},
    {&TFrameAnalysis::Up, &TFormTarvik::PanelAnalyzerUp},
    {&TFrameAnalysis::Down, &TFormTarvik::PanelAnalyzerDown},
    {&TFrameAnalysis::LeftUp, &TFormTarvik::PanelAnalyzerLeftUp},
    {&TFrameAnalysis::RightUp, &TFormTarvik::PanelAnalyzerRightUp},
    {&TFrameAnalysis::LeftDown, &TFormTarvik::PanelAnalyzerLeftDown},
    {&TFrameAnalysis::RightDown, &TFormTarvik::PanelAnalyzerRightDown},
    {&TFrameAnalysis::ZoomIn, &TFormTarvik::PanelAnalyzerZoomIn},
    {&TFrameAnalysis::ZoomOut, &TFormTarvik::PanelAnalyzerZoomOut},
    {&TFrameAnalysis::FocusNear, &TFormTarvik::PanelAnalyzerFocusNear},
    {&TFrameAnalysis::FocusFar, &TFormTarvik::PanelAnalyzerFocusFar},
    {&TFrameAnalysis::IrisOpen, &TFormTarvik::PanelAnalyzerIrisOpen},
    {&TFrameAnalysis::IrisClose, &TFormTarvik::PanelAnalyzerIrisClose},
};

} // namespace

void TFormTarvik::ShowFrameAnalysis(const TFrameAnalysis& analysis)
{
    if (analysis.Protocol == TProtocol::PelcoD)
        HighlightPanel(PanelFramePelcoD, true);
    else if (analysis.Protocol == TProtocol::PelcoP)
        HighlightPanel(PanelFramePelcoP, true);

    if (analysis.Fault != TFrameFault::None) {
        const std::string_view message = FaultMessage(analysis.Fault);
        LogLine(QString::fromLatin1(message.data(), static_cast<qsizetype>(message.size())));
        HighlightPanel(PanelFrameNotRecognized, true);
        return;
    }
    if (!analysis.Valid) {
        HighlightPanel(PanelFrameNotRecognized, true);
        return;
    }

    LabelAnalyzerIDNo->setText(QString::number(analysis.Address));
    HighlightPanel(PanelAnalyzerDeviceID, true);
    if (analysis.Address >= 1 && analysis.Address <= AnalyzerIDPanels.size())
        HighlightPanel(AnalyzerIDPanels[analysis.Address - 1], true);

    if (analysis.Stop) {
        PanelAnalyzerButton->setGeometry(kJoystickHome, kJoystickHome, kMarkerSize, kMarkerSize);
        HighlightPanel(PanelAnalyzerStop, true);
    }

    TPanel* presetPanel = nullptr;
    switch (analysis.PresetAction) {
    case TPresetAction::Set: presetPanel = PanelAnalyzerPresetSet; break;
    case TPresetAction::Clear: presetPanel = PanelAnalyzerPresetClear; break;
    case TPresetAction::Goto: presetPanel = PanelAnalyzerPresetGoto; break;
    case TPresetAction::None: break;
    }
    if (presetPanel != nullptr) {
        HighlightPanel(presetPanel, true);
        LabelAnalyzerPresetNo->setText(QString::number(analysis.PresetNumber));
        HighlightPanel(PanelAnalyzerPreset, true);
    }

    for (const TIndication& indication : kIndications) {
        if (analysis.*indication.Flag)
            HighlightPanel(this->*indication.Panel, true);
    }

    switch (analysis.Marker) {
    case TMarker::Place:
        PanelAnalyzerButton->setGeometry(MarkerPosition(analysis.Pan), MarkerPosition(analysis.Tilt), kMarkerSize,
                                         kMarkerSize);
        HighlightPanel(PanelAnalyzerButton, true);
        break;
    case TMarker::Centre:
        PanelAnalyzerButton->setGeometry(kJoystickHome, kJoystickHome, kMarkerSize, kMarkerSize);
        break;
    case TMarker::Keep: break;
    }

    if (!analysis.Recognised)
        HighlightPanel(PanelFrameNotRecognized, true);
}

void TFormTarvik::HighlightPanel(TPanel* panel, bool lit)
{
    if (lit) {
        panel->SetColor(kHighlightColor);
        if (panel->BevelOuter() != bvNone)
            panel->SetBevelOuter(bvLowered);
        SetTag(panel, kHighlightMs);
        if (HighlightedPanels.IndexOf(panel) < 0)
            HighlightedPanels.Add(panel);
        return;
    }
    panel->SetColor(ButtonFaceColor());
    if (panel->BevelOuter() != bvNone)
        panel->SetBevelOuter(bvRaised);
    if (panel == PanelAnalyzerButton)
        PanelAnalyzerButton->setGeometry(kJoystickHome, kJoystickHome, kMarkerSize, kMarkerSize);
    else if (panel == PanelAnalyzerPreset)
        LabelAnalyzerPresetNo->setText(QStringLiteral("-"));
    else if (panel == PanelAnalyzerDeviceID)
        LabelAnalyzerIDNo->setText(QStringLiteral("-"));
    HighlightedPanels.Remove(panel);
}

void TFormTarvik::ClearHighlights()
{
    while (HighlightedPanels.Count() > 0)
        HighlightPanel(HighlightedPanels[0], false);
}

void TFormTarvik::TimerAnalyzerButtonsDisablerTimer()
{
    if (FadeStep == 0)
        FadeStep = TimerAnalyzerButtonsDisabler->interval();
    const TColorValue face = ColorValueOf(ButtonFaceColor());
    const TColorValue highlight = ColorValueOf(kHighlightColor);
    size_t index = 0;
    while (index < HighlightedPanels.Count()) {
        TPanel* panel = HighlightedPanels[index];
        const int remaining = TagOf(panel);
        if (remaining <= 0) {
            // Switching it off takes it out of the list: the same index
            // holds the next panel now.
            HighlightPanel(panel, false);
            continue;
        }
        SetTag(panel, remaining - FadeStep);
        panel->SetColor(ColorOf(BlendColors(face, highlight, remaining - FadeStep, kHighlightMs)));
        ++index;
    }
}

void TFormTarvik::PageControlTopChange()
{
    FitToTopPage();
    if (AnalyzerShowing()) {
        if (!TimerAnalyzerButtonsDisabler->isActive())
            TimerAnalyzerButtonsDisabler->start();
    } else {
        TimerAnalyzerButtonsDisabler->stop();
    }
    ClearHighlights();
}
