#include "app/ProgramTitle.h"
#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(velmora::programTitle());
    QApplication::setApplicationDisplayName(velmora::programTitle());
    QApplication::setDesktopFileName(QStringLiteral("io.github.velmora.Velmora"));

    velmora::MainWindow window;
    velmora::installMainParts(window);
    if (!window.formLoad(velmora::MainWindow::Options{}))
        return 1;
    return app.exec();
}
