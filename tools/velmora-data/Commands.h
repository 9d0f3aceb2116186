#pragma once

#include <QStringList>

// Subcommands of velmora-data; each returns the process exit code.
int makeDefaultCommand(const QStringList &args);
int importMdbCommand(const QStringList &args);
int queryCommand(const QStringList &args);
