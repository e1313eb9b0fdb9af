#include "DesktopProbe.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace DesktopProbe {

static QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QList<TopWindow> windowsOfClass(const QString &windowClass)
{
    static const QRegularExpression line(
        QStringLiteral(R"(^\s*(0x[0-9a-f]+) (".*"|\(has no name\)): \((.*)\)\s+(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+(-?\d+)\+(-?\d+))"));
    QList<TopWindow> windows;
    const QStringList lines = run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")})
                                  .split(QLatin1Char('\n'));
    for (const QString &text : lines) {
        const auto match = line.match(text);
        if (!match.hasMatch() || !match.captured(3).contains(QLatin1Char('"') + windowClass + QLatin1Char('"')))
            continue;
        TopWindow window;
        window.id = match.captured(1);
        window.name = match.captured(2);
        window.frame = QRect(match.captured(6).toInt(), match.captured(7).toInt(), match.captured(4).toInt(),
                             match.captured(5).toInt());
        window.viewable = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window.id})
                              .contains(QStringLiteral("Map State: IsViewable"));
        windows.append(window);
    }
    return windows;
}

std::optional<TopWindow> findWindow(const QString &windowClass, bool (*matches)(const TopWindow &))
{
    for (const TopWindow &window : windowsOfClass(windowClass)) {
        if (window.viewable && matches(window))
            return window;
    }
    return std::nullopt;
}

void click(QPoint point)
{
    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y()),
                                    QStringLiteral("click"), QStringLiteral("1")});
}

void key(const QString &combination)
{
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), combination});
}

bool screenshot(const QRect &area, const QString &path)
{
    const QString geometry = QStringLiteral("%1x%2+%3+%4").arg(area.width()).arg(area.height()).arg(area.x()).arg(area.y());
    QProcess process;
    process.start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
                                             geometry, path});
    return process.waitForFinished(15000) && process.exitCode() == 0;
}

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += 100) {
        if (condition())
            return true;
        QTest::qWait(100);
    }
    return condition();
}

} // namespace DesktopProbe
