#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora 4.0"));
    QLabel label(QStringLiteral("Velmora 4.0"));
    label.setObjectName(QStringLiteral("frmMain"));
    label.show();
    return app.exec();
}
