#pragma once

#include "KeyEvent.h"

#include <QObject>

#include <functional>

namespace KeyboardShortcuts {

// While one of our menus is open it holds the keyboard, so hot keys stay silent;
// this filter on the application sees the key events the menu receives instead.
// Each press or release (auto-repeats excluded) goes to `handler`; when it
// returns true the event is consumed, otherwise it continues unchanged.
class MenuKeyEventFilter : public QObject
{
public:
    using Handler = std::function<bool(const KeyEvent &)>;

    explicit MenuKeyEventFilter(Handler handler);
    ~MenuKeyEventFilter() override;

    void start();
    void stop();
    bool isRunning() const { return m_running; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Handler m_handler;
    bool m_running = false;
};

} // namespace KeyboardShortcuts
