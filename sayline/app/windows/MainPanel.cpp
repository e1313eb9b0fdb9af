#include "MainPanel.h"

#include "PanelWindowHints.h"
#include "ScreenSpace.h"

#include <QQuickItem>
#include <QRegion>
#include <QScreen>
#include <QSurfaceFormat>

#include <cmath>

namespace {
constexpr int cornerRadius = 16;

// A rounded rectangle as a region, for clipping the window where translucent
// corners cannot be blended.
QRegion roundedRegion(int width, int height, int radius)
{
    QRegion region(radius, 0, width - 2 * radius, height);
    region += QRegion(0, radius, width, height - 2 * radius);
    const int d = 2 * radius;
    region += QRegion(0, 0, d, d, QRegion::Ellipse);
    region += QRegion(width - d, 0, d, d, QRegion::Ellipse);
    region += QRegion(0, height - d, d, d, QRegion::Ellipse);
    region += QRegion(width - d, height - d, d, d, QRegion::Ellipse);
    return region;
}
} // namespace

MainPanel::MainPanel(const ContentFactory &contentFactory, PanelWindowHints *hints)
{
    setObjectName(QStringLiteral("main"));
    setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
             | (hints ? hints->extraWindowFlags() : Qt::WindowFlags()));
    QSurfaceFormat surfaceFormat = format();
    surfaceFormat.setAlphaBufferSize(8);
    setFormat(surfaceFormat);
    setColor(Qt::transparent);
    if (hints)
        m_composited = hints->hasCompositor();

    setupContent(contentFactory);

    // The native window must exist for the hints; it is mapped only by orderFront().
    create();
    if (hints)
        hints->applyPanelHints(*this);
    updateShapeMask();
    observeContentSize();
}

MainPanel::~MainPanel()
{
    disconnect(m_widthObserver);
    disconnect(m_heightObserver);
    delete m_content;
}

void MainPanel::setupContent(const ContentFactory &contentFactory)
{
    m_content = contentFactory ? contentFactory(*this) : nullptr;
    if (!m_content)
        return;
    m_content->setParentItem(contentItem());
    fitToContent();
}

void MainPanel::fitToContent()
{
    if (!m_content)
        return;
    const int w = std::max(1, int(std::ceil(m_content->implicitWidth())));
    const int h = std::max(1, int(std::ceil(m_content->implicitHeight())));
    m_content->setSize(QSizeF(w, h));
    if (size() != QSize(w, h)) {
        // Keep the bottom-left origin where it was while the size changes.
        const QPointF origin = ScreenSpace::frameOrigin(*this);
        resize(w, h);
        ScreenSpace::setFrameOrigin(*this, origin);
    }
    updateShapeMask();
}

void MainPanel::updateShapeMask()
{
    if (m_composited || width() < 2 * cornerRadius || height() < 2 * cornerRadius)
        return;
    setMask(roundedRegion(width(), height(), cornerRadius));
}

void MainPanel::observeContentSize()
{
    if (!m_content)
        return;
    const auto onSizeChange = [this] {
        fitToContent();
        recenterOnMainScreen();
    };
    m_widthObserver = connect(m_content, &QQuickItem::implicitWidthChanged, this, onSizeChange);
    m_heightObserver = connect(m_content, &QQuickItem::implicitHeightChanged, this, onSizeChange);
}

void MainPanel::recenterOnMainScreen()
{
    const QScreen *screen = ScreenSpace::mainScreen();
    if (!screen)
        return;
    const QRectF visible = ScreenSpace::visibleFrame(*screen);
    const QPointF target(visible.x() + (visible.width() - width()) * 0.5, 80);
    if (ScreenSpace::frameOrigin(*this) == target)
        return;
    ScreenSpace::setFrameOrigin(*this, target);
}

void MainPanel::orderFront()
{
    setVisible(true);
    raise();
}
