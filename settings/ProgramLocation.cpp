#include "settings/ProgramLocation.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

ProgramLocation RunningProgram()
{
    return {QCoreApplication::applicationDirPath(), QFileInfo(QCoreApplication::applicationFilePath()).fileName()};
}

QString ExpectedOpenCommand(const ProgramLocation& program)
{
    const QString path = program.folder + "/" + program.executable;
    QString quoted;
    for (const QChar c : path) {
        if (c == '"' || c == '`' || c == '$')
            quoted += QStringLiteral("\\\\") + c;
        else if (c == '\\')
            quoted += QStringLiteral("\\\\\\\\");
        else if (c == '%')
            quoted += QStringLiteral("%%");
        else
            quoted += c;
    }
    return '"' + quoted + QStringLiteral("\" %f");
}

AssociationFiles UserAssociationFiles(const ProgramLocation& program)
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString& exe = program.executable;
    return {
        data + "/mime",
        data + "/mime/packages/" + exe + ".xml",
        data + "/applications",
        data + "/applications/" + exe + ".desktop",
        data + "/icons/hicolor/256x256/apps/" + exe + ".png",
        config + "/mimeapps.list",
    };
}
