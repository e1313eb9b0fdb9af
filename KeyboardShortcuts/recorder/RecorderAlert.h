#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QWindow;

namespace KeyboardShortcuts {

// An alert the recorder shows when a combination is taken: warning style, a
// message, an optional informative text and its buttons, first one default.
struct RecorderAlert
{
    QString messageText;
    QString informativeText;
    QStringList buttonTitles; // "OK" when empty
};

// The answer: the first button gives 1000, the second 1001. Closing the alert
// without choosing counts as the first button.
inline constexpr int alertFirstButtonReturn = 1000;
inline constexpr int alertSecondButtonReturn = 1001;

// Shows recorder alerts and waits for the answer. With a window, the alert is
// modal to that window; without one it stands alone, modal to the application.
class RecorderAlertPresenter
{
public:
    virtual ~RecorderAlertPresenter() = default;
    virtual int runModal(QWindow *window, const RecorderAlert &alert) = 0;
    // The system beep for a combination that lacks a modifier.
    virtual void beep();
};

// The presenter every recorder uses: a QMessageBox and QApplication::beep()
// unless replaced (tests answer alerts through their own presenter).
RecorderAlertPresenter &recorderAlertPresenter();
void setRecorderAlertPresenter(std::unique_ptr<RecorderAlertPresenter> presenter);

} // namespace KeyboardShortcuts
