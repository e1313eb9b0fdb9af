// A window that records what the keyboard types into it: its text is written to
// the file named on the command line whenever typing pauses. When it holds the
// keyboard focus it creates "<file>.ready", so the test knows it may type.
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString outputPath = QString::fromLocal8Bit(argv[1]);

    QPlainTextEdit editor;
    editor.setWindowTitle(QStringLiteral("typing target"));
    editor.resize(400, 300);
    // Written once typing pauses for a moment, not on every key.
    QTimer writeDelay;
    writeDelay.setSingleShot(true);
    writeDelay.setInterval(20);
    QObject::connect(&editor, &QPlainTextEdit::textChanged, &writeDelay, qOverload<>(&QTimer::start));
    QObject::connect(&writeDelay, &QTimer::timeout, [&] {
        QSaveFile file(outputPath);
        if (file.open(QIODevice::WriteOnly)) {
            file.write(editor.toPlainText().toUtf8());
            file.commit();
        }
    });
    // No window manager runs beside Xvfb: take the focus ourselves until we have it.
    QTimer focusPoll;
    QObject::connect(&focusPoll, &QTimer::timeout, [&] {
        if (editor.isActiveWindow() && editor.hasFocus()) {
            focusPoll.stop();
            QFile ready(outputPath + QStringLiteral(".ready"));
            ready.open(QIODevice::WriteOnly);
            return;
        }
        editor.activateWindow();
        editor.setFocus();
    });
    editor.show();
    focusPoll.start(20);
    return app.exec();
}
