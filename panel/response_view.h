#pragma once

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include "controls/response_graph.h"
#include "model/strip_settings.h"

// The window that draws what the sixteen filters do, beside the panel. It follows every change
// of the panel's settings, drags included (at the screen's frame rate), and draws the channel
// changed last in bold; a file being compared is drawn dashed behind. Its window-menu item (and F2)
// opens and closes it, and whether it was open and where it stood is remembered between runs.
class CResponseView : public QWidget
{
    Q_OBJECT

public:
    explicit CResponseView(QWidget* panel);

    // Checked while the window is open; the panel puts it in its menu and its shortcuts.
    QAction& ToggleAction() { return toggle; }
    // Opens the window where it stood when the panel last closed, if it was open then.
    void RestorePlacement();
    void RememberPlacement() const;

    void Follow(const PanelSettings& settings);
    // Draws other dashed behind the panel's curves until the comparison is cleared, and opens
    // the window.
    void Compare(const PanelSettings& other, const QString& name);
    void ClearComparison();

    CResponseGraph& Graph() { return graph; }
    QPushButton& SavePictureButton() { return saveButton; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void SetOpen(bool open);
    void SavePicture();
    int ChangedChannel(const PanelSettings& settings) const;

    QAction toggle{QStringLiteral("Filter &Response"), this};
    CResponseGraph graph;
    QLabel comparedLabel;
    QPushButton clearButton{QStringLiteral("&Clear Comparison")};
    QPushButton saveButton{QStringLiteral("&Save Picture...")};
    ResponseScene scene;
    // A drag changes the settings far more often than a screen shows frames; the curves are
    // drawn at most once a frame, so a drag step never waits for them.
    QTimer redraw;
};
