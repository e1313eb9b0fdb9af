#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Sayline_AppPlugin)

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QQmlApplicationEngine engine;
    engine.loadData("import QtQuick\nimport Sayline.App\nQtObject { Component.onCompleted: { console.log(AppInfo.name, AppInfo.version); Qt.quit() } }");
    return app.exec();
}
