#include "panel/response_view.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QVBoxLayout>

#include "storage/port_preference.h"

namespace {

constexpr int FrameIntervalMs = 16;

const QString PngFilter = QStringLiteral("PNG picture (*.png)");
const QString SvgFilter = QStringLiteral("SVG drawing (*.svg)");

// A name typed without an extension takes the one of the type chosen in the dialog.
QString WithExtension(QString path, const QString& chosenFilter)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png") || suffix == QLatin1String("svg"))
        return path;
    return path + (chosenFilter == SvgFilter ? QStringLiteral(".svg") : QStringLiteral(".png"));
}

} // namespace

CResponseView::CResponseView(QWidget* panel) : QWidget(panel, Qt::Window)
{
    setWindowTitle(QStringLiteral("Sonavire Filter Response"));
    // The buttons beneath sit on the picture's own dark ground.
    QPalette dark = palette();
    dark.setColor(QPalette::Window, QColor(18, 22, 28));
    dark.setColor(QPalette::WindowText, QColor(200, 208, 216));
    dark.setColor(QPalette::Button, QColor(44, 50, 58));
    dark.setColor(QPalette::ButtonText, QColor(220, 226, 232));
    setPalette(dark);
    toggle.setCheckable(true);
    toggle.setShortcut(Qt::Key_F2);
    addAction(&toggle);
    connect(&toggle, &QAction::toggled, this, &CResponseView::SetOpen);
    connect(&clearButton, &QPushButton::clicked, this, &CResponseView::ClearComparison);
    connect(&saveButton, &QPushButton::clicked, this, &CResponseView::SavePicture);
    clearButton.hide();
    redraw.setSingleShot(true);
    redraw.setInterval(FrameIntervalMs);
    connect(&redraw, &QTimer::timeout, this, [this] { graph.SetScene(scene); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(&comparedLabel, 1);
    buttons->addWidget(&clearButton);
    buttons->addWidget(&saveButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->addWidget(&graph, 1);
    layout->addLayout(buttons);
    buttons->setContentsMargins(10, 0, 10, 0);
    resize(CResponsePlot::PictureSize.width(), CResponsePlot::PictureSize.height() + 44);
}

void CResponseView::RestorePlacement()
{
    restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(ReadResponseViewGeometry())));
    toggle.setChecked(ReadResponseViewOpen());
}

void CResponseView::RememberPlacement() const
{
    WriteResponseView(toggle.isChecked(), saveGeometry().toBase64().toStdString());
}

void CResponseView::Follow(const PanelSettings& settings)
{
    if (settings == scene.settings)
        return;
    const int changed = ChangedChannel(settings);
    if (changed >= 0)
        scene.highlighted = changed;
    scene.settings = settings;
    // A closed window draws nothing; it takes the settings when it opens.
    if (isVisible() && !redraw.isActive())
        redraw.start();
}

void CResponseView::Compare(const PanelSettings& other, const QString& name)
{
    scene.compared = other;
    comparedLabel.setText(QStringLiteral("Dashed: %1").arg(name));
    clearButton.show();
    graph.SetScene(scene);
    toggle.setChecked(true);
}

void CResponseView::ClearComparison()
{
    scene.compared.reset();
    comparedLabel.clear();
    clearButton.hide();
    graph.SetScene(scene);
}

void CResponseView::closeEvent(QCloseEvent* event)
{
    toggle.setChecked(false);
    RememberPlacement();
    event->accept();
}

void CResponseView::showEvent(QShowEvent*)
{
    graph.SetScene(scene);
}

void CResponseView::SetOpen(bool open)
{
    setVisible(open);
    if (open) {
        raise();
        activateWindow();
    }
    RememberPlacement();
}

void CResponseView::SavePicture()
{
    QString chosenFilter = PngFilter;
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Save Response Picture"), QString(),
                                     PngFilter + QStringLiteral(";;") + SvgFilter, &chosenFilter);
    if (path.isEmpty())
        return;
    std::string error;
    if (!SaveResponsePicture(graph.Scene(), WithExtension(path, chosenFilter).toStdString(), error))
        QMessageBox::warning(
            this, QStringLiteral("Sonavire"),
            QStringLiteral("The picture was not saved: %1.").arg(QString::fromStdString(error)));
}

// The one channel that differs, or -1 when none or several do (a load, or a master move that
// carries its followers).
int CResponseView::ChangedChannel(const PanelSettings& settings) const
{
    int changed = -1;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        if (settings[channel] == scene.settings[channel])
            continue;
        if (changed >= 0)
            return -1;
        changed = channel;
    }
    return changed;
}
