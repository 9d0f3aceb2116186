#include "app/widgets/StoreConversion.h"
#include "common/ProgramTitle.h"

#include "data/DataFolder.h"
#include "data/MdbImport.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <memory>

namespace velmora {

bool prepareStore(QWidget *parent, QString *error)
{
    const QString mdb = DataFolder::resolve(QStringLiteral("Bazabos.mdb"));
    if (mdb.isEmpty() || !data::isAccessFile(mdb))
        return true;

    // The dialog appears only if a conversion really runs (the callback is not called when
    // the cached store is reused).
    std::unique_ptr<QProgressDialog> dialog;
    auto progress = [&](qint64 done, qint64 total) {
        if (!dialog) {
            dialog = std::make_unique<QProgressDialog>(
                QStringLiteral("Pretvaranje baze podataka \"%1\" za ovaj program...").arg(mdb), QString(), 0,
                1000, parent);
            dialog->setWindowTitle(programTitle());
            dialog->setObjectName(QStringLiteral("dlgConversion"));
            dialog->setCancelButton(nullptr);
            dialog->setMinimumDuration(0);
            dialog->setWindowModality(Qt::ApplicationModal);
        }
        dialog->setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 0);
        QCoreApplication::processEvents();
    };
    QString message;
    const QString store = data::cachedConversion(mdb, &message, progress);
    if (store.isEmpty()) {
        if (error)
            *error = message;
        return false;
    }
    return true;
}

} // namespace velmora
