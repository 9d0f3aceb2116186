#include "app/widgets/ApplicationSetup.h"

#include "common/ProgramTitle.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace velmora {

QTranslator *setUpApplication()
{
    QApplication::setApplicationName(programTitle());
    // No display name: the desktop would append it to every caption ("Ucenje ajeta — ..."),
    // and each window carries exactly its own caption.
    QApplication::setDesktopFileName(QStringLiteral("io.github.velmora.Velmora"));

    // Qt has no Bosnian translation of its own texts; Croatian is the closest one it ships
    // and reads naturally to a Bosnian reader ("Da", "Ne", "U redu", "Odustani").
    auto *translator = new QTranslator(qApp);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QStringLiteral("qtbase_hr"), folder) ||
        !QApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

} // namespace velmora
