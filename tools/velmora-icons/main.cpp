// Renders the application icon (an SVG file) into square PNG files of the given sizes.
// Usage: velmora-icons <icon.svg> <output folder> <size>...
// Writes <output folder>/<size>x<size>/<name of the SVG without extension>.png
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char *argv[])
{
    // Rendering needs no screen; this runs during the build.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);

    const QStringList args = QGuiApplication::arguments();
    if (args.size() < 4) {
        err << "usage: velmora-icons <icon.svg> <output folder> <size>...\n";
        return 2;
    }
    const QString svgPath = args.at(1);
    QSvgRenderer renderer(svgPath);
    if (!renderer.isValid()) {
        err << "velmora-icons: cannot read " << svgPath << '\n';
        return 1;
    }
    const QString name = QFileInfo(svgPath).completeBaseName();
    const QDir out(args.at(2));
    for (int i = 3; i < args.size(); ++i) {
        bool ok = false;
        const int size = args.at(i).toInt(&ok);
        if (!ok || size <= 0 || size > 4096) {
            err << "velmora-icons: not a size: " << args.at(i) << '\n';
            return 2;
        }
        const QString sub = QStringLiteral("%1x%1").arg(size);
        if (!out.mkpath(sub)) {
            err << "velmora-icons: cannot make " << out.filePath(sub) << '\n';
            return 1;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter, QRectF(0, 0, size, size));
        painter.end();
        const QString file = out.filePath(sub + QLatin1Char('/') + name + QStringLiteral(".png"));
        if (!image.save(file, "PNG")) {
            err << "velmora-icons: cannot write " << file << '\n';
            return 1;
        }
    }
    return 0;
}
