#include "settings/FileAssociation.h"

#include "settings/DesktopFiles.h"
#include "ui/Artwork.h"
#include "ui/ProgramIdentity.h"
#include "ui/ShowMessage.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace {

// Returns the five-line question naming the program's folder.
std::string AssociationQuestion(const ProgramLocation& program)
{
    const std::string product = PRODUCT_NAME;
    const std::string title = PROGRAM_TITLE;
    return "There is no default file association found for " + product + "-files, " + vbCrLf + "or " + product +
           " is moved to an other location." + vbCrLf + vbCrLf + "Do you want to associate " + title + "-files with " +
           title + ", " + VersionLine() + vbCrLf + "located at '" + program.folder.toStdString() + "'?";
}

// Removes the open-with entries a file manager made for this program.
void RemoveOpenWithEntries(const AssociationFiles& files, const ProgramLocation& program)
{
    const QDir applications(files.applicationsFolder);
    if (!applications.exists())
        return;
    const QString prefix = "userapp-" + program.executable + "-";
    for (const QString& name : applications.entryList(QDir::Files | QDir::Hidden)) {
        if (name.startsWith(prefix) && name.endsWith(".desktop"))
            QFile::remove(applications.filePath(name));
    }
}

// Returns true when the program's icon was written to the path.
bool WriteProgramIcon(const QString& path)
{
    QFile icon(ArtworkPath("icons/KorvalithWin.png"));
    return icon.open(QIODevice::ReadOnly) && ReplaceFile(path, icon.readAll());
}

// Runs a desktop database tool when it is installed; its outcome does not matter.
void RunIfInstalled(const QString& tool, const QString& folder)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return;
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, {folder});
    process.waitForFinished(30000);
}

// Runs every writing step in order; a step that fails leaves its file as it
// was and the next step still runs.
void WriteAssociation(const ProgramLocation& program)
{
    const AssociationFiles files = UserAssociationFiles(program);
    const QString mimeType = QString::fromUtf8(KVI_MIME_TYPE);
    RemoveOpenWithEntries(files, program);
    RemoveMimeTypeChoices(files.mimeAppsList, mimeType);
    ReplaceFile(files.mimePackage, MimePackageText(program));
    SetDefaultApplication(files.mimeAppsList, mimeType, program.executable + ".desktop");
    WriteProgramIcon(files.icon);
    ReplaceFile(files.desktopEntry, DesktopEntryText(program));
    RunIfInstalled("update-mime-database", files.mimeFolder);
    RunIfInstalled("update-desktop-database", files.applicationsFolder);
}

}  // namespace

bool IsFileAssociationPresent(const ProgramLocation& program)
{
    const AssociationFiles files = UserAssociationFiles(program);
    bool present = QFile::exists(files.mimePackage);
    QString exec;
    if (!ReadDesktopExec(files.desktopEntry, exec) || exec != ExpectedOpenCommand(program))
        present = false;
    return present;
}

void CheckFileAssociationFor(const ProgramLocation& program)
{
    if (IsFileAssociationPresent(program))
        return;
    const std::string title = std::string(PROGRAM_TITLE) + " - [File association]";
    if (ShowMessage(AssociationQuestion(program), MB_YESNO + MB_ICONQUESTION + MB_DEFBUTTON2, title) != IDYES)
        return;
    WriteAssociation(program);
}

void CheckFileAssociation()
{
    CheckFileAssociationFor(RunningProgram());
}
