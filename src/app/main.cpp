#include "app/widgets/MainWindow.h"
#include "app/widgets/MainParts.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora 4.0"));
    QApplication::setApplicationDisplayName(QStringLiteral("Velmora 4.0"));
    QApplication::setDesktopFileName(QStringLiteral("io.github.velmora.Velmora"));

    velmora::MainWindow window;
    velmora::installMainParts(window);
    if (!window.formLoad(velmora::MainWindow::Options{}))
        return 1;
    return app.exec();
}
