#include "app/widgets/ApplicationSetup.h"
#include "app/widgets/MainParts.h"
#include "app/widgets/MainWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    velmora::setUpApplication();

    velmora::MainWindow window;
    velmora::installMainParts(window);
    if (!window.formLoad(velmora::MainWindow::Options{}))
        return 1;
    return app.exec();
}
