#include "app/widgets/StoreConversion.h"
#include "common/ProgramTitle.h"

#include "data/ConversionProcess.h"
#include "data/DataFolder.h"
#include "data/MdbImport.h"

#include <QDir>
#include <QProgressDialog>
#include <memory>

namespace velmora {

QString conversionFailureText(data::ConversionOutcome outcome, const QString &mdbPath)
{
    const QString file = QDir::toNativeSeparators(mdbPath);
    switch (outcome) {
    case data::ConversionOutcome::Done:
        return {};
    case data::ConversionOutcome::Damaged:
        return QStringLiteral("datoteka \"%1\" je oštećena ili nije Access baza podataka koju program može "
                              "pročitati.")
            .arg(file);
    case data::ConversionOutcome::StoreFailed:
        return QStringLiteral("pretvorena baza iz datoteke \"%1\" ne može se zapisati u folder \"%2\".")
            .arg(file, QDir::toNativeSeparators(data::conversionCacheFolder()));
    case data::ConversionOutcome::ToolMissing:
        return QStringLiteral(
                   "program za pretvaranje \"velmora-data\" nije pronađen pored ovog programa, pa se "
                   "datoteka \"%1\" ne može pretvoriti.")
            .arg(file);
    case data::ConversionOutcome::Crashed:
        return QStringLiteral(
                   "program za pretvaranje se srušio čitajući datoteku \"%1\"; datoteka je vjerovatno "
                   "oštećena.")
            .arg(file);
    case data::ConversionOutcome::TimedOut:
        return QStringLiteral("pretvaranje datoteke \"%1\" nije napredovalo %2 sekundi, pa je prekinuto.")
            .arg(file)
            .arg(data::conversionTimeLimit() / 1000.0);
    }
    return {};
}

bool prepareStore(QWidget *parent, QString *error)
{
    const QString mdb = DataFolder::resolve(DataFolder::storeName());
    if (mdb.isEmpty() || !data::isAccessFile(mdb))
        return true;

    // The dialog appears only if a conversion really runs (the callback is not called when
    // the cached store is reused). The conversion runs in a child process; the wait for it
    // handles the events, so the dialog and the other windows paint.
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
    };
    QString message;
    data::ConversionOutcome outcome = data::ConversionOutcome::Done;
    const QString store = data::cachedConversion(mdb, &message, progress, &outcome);
    dialog.reset();
    if (store.isEmpty()) {
        if (error)
            *error = conversionFailureText(outcome, mdb);
        return false;
    }
    return true;
}

} // namespace velmora
