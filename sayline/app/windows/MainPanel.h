#pragma once

#include <QMetaObject>
#include <QPointer>
#include <QQuickItem>
#include <QQuickWindow>

#include <functional>

class PanelWindowHints;
class QQuickItem;

// The floating dictation panel: a frameless, transparent Qt Quick tool window
// that stays above other windows on every workspace and never takes the
// keyboard focus, so the application the user types into keeps it.
//
// The window is sized to its content's implicit size. Whenever that size
// changes after construction the panel moves back to the bottom centre of the
// main screen (recenterOnMainScreen).
class MainPanel : public QQuickWindow
{
    Q_OBJECT
    // True when the panel must paint an opaque shape (no compositing manager).
    Q_PROPERTY(bool composited READ isComposited CONSTANT)
public:
    using ContentFactory = std::function<QQuickItem *(MainPanel &panel)>;

    MainPanel(const ContentFactory &contentFactory, PanelWindowHints *hints);
    ~MainPanel() override;

    QQuickItem *content() const { return m_content; }
    bool isComposited() const { return m_composited; }

    // Maps the panel above the other windows without activating it.
    void orderFront();
    void recenterOnMainScreen();

private:
    void setupContent(const ContentFactory &contentFactory);
    void observeContentSize();
    void fitToContent();
    void updateShapeMask();

    QPointer<QQuickItem> m_content;
    QMetaObject::Connection m_widthObserver;
    QMetaObject::Connection m_heightObserver;
    bool m_composited = true;
};
