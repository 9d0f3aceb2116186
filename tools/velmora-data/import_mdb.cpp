#include "Commands.h"

#include <QTextStream>

int importMdbCommand(const QStringList &)
{
    QTextStream(stderr) << "velmora-data: this command is not available yet\n";
    return 1;
}
