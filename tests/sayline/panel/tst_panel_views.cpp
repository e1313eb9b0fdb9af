#include <QApplication>
#include <QQmlEngine>
#include <QtQml/qqmlextensionplugin.h>
#include <QtQuickTest/quicktest.h>

Q_IMPORT_QML_PLUGIN(Sayline_AppPlugin)
Q_IMPORT_QML_PLUGIN(Sayline_DisplayPlugin)
Q_IMPORT_QML_PLUGIN(Sayline_PanelPlugin)

class Setup : public QObject
{
    Q_OBJECT
public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        // Where the statically linked modules keep their qmldir files.
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
    }
};

int main(int argc, char **argv)
{
    // The language menu is a desktop menu, which needs the widgets application.
    QApplication app(argc, argv);
    Setup setup;
    return quick_test_main_with_setup(argc, argv, "panel_views", nullptr, &setup);
}
#include "tst_panel_views.moc"
