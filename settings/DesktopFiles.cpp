#include "settings/DesktopFiles.h"

#include "ui/ProgramIdentity.h"
#include "ui/ShowMessage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <QXmlStreamWriter>

namespace {

constexpr const char* kDefaultGroup = "Default Applications";

// Returns the group name when the line is a "[group]" header, else a null string.
QString GroupHeader(const QString& line)
{
    const QString t = line.trimmed();
    if (t.startsWith('[') && t.endsWith(']'))
        return t.mid(1, t.size() - 2);
    return {};
}

// Returns the key of a "key=value" line (spaces around it dropped), else a null string.
QString KeyOf(const QString& line)
{
    const qsizetype eq = line.indexOf('=');
    if (eq < 0 || line.trimmed().startsWith('#'))
        return {};
    return line.left(eq).trimmed();
}

// Returns true and the file's lines when it exists and could be read.
bool ReadLines(const QString& path, QStringList& lines)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString text = QString::fromUtf8(file.readAll());
    lines = text.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return true;
}

// Returns true when the file now holds the lines, each ended by a newline.
bool WriteLines(const QString& path, const QStringList& lines)
{
    return ReplaceFile(path, (lines.join('\n') + '\n').toUtf8());
}

}  // namespace

bool ReadDesktopExec(const QString& path, QString& exec)
{
    QStringList lines;
    if (!ReadLines(path, lines))
        return false;
    QString group;
    for (const QString& line : lines) {
        const QString header = GroupHeader(line);
        if (!header.isNull()) {
            group = header;
            continue;
        }
        if (group == "Desktop Entry" && KeyOf(line) == "Exec") {
            exec = line.mid(line.indexOf('=') + 1);
            while (exec.startsWith(' ') || exec.startsWith('\t'))
                exec.remove(0, 1);
            return true;
        }
    }
    return false;
}

QByteArray DesktopEntryText(const ProgramLocation& program)
{
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=%1\n"
                                        "Exec=%2\n"
                                        "Icon=%3\n"
                                        "MimeType=%4;\n"
                                        "Terminal=false\n"
                                        "Categories=System;Utility;\n")
                             .arg(QString::fromUtf8(PROGRAM_TITLE), ExpectedOpenCommand(program), program.executable,
                                  QString::fromUtf8(KVI_MIME_TYPE));
    return text.toUtf8();
}

QByteArray MimePackageText(const ProgramLocation& program)
{
    QByteArray xml;
    QXmlStreamWriter w(&xml);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeDefaultNamespace("http://www.freedesktop.org/standards/shared-mime-info");
    w.writeStartElement("mime-info");
    w.writeStartElement("mime-type");
    w.writeAttribute("type", KVI_MIME_TYPE);
    w.writeTextElement("comment", QString::fromUtf8(PRODUCT_NAME) + " Image File");
    w.writeEmptyElement("icon");
    w.writeAttribute("name", program.executable);
    w.writeEmptyElement("glob");
    w.writeAttribute("pattern", "*.kvi");
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
    return xml;
}

bool ReplaceFile(const QString& path, const QByteArray& content)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(content);
    return file.commit();
}

bool RemoveMimeTypeChoices(const QString& mimeAppsList, const QString& mimeType)
{
    static const QStringList groups = {kDefaultGroup, "Added Associations", "Removed Associations"};
    QStringList lines;
    if (!ReadLines(mimeAppsList, lines))
        return false;
    QStringList kept;
    QString group;
    for (const QString& line : lines) {
        const QString header = GroupHeader(line);
        if (!header.isNull())
            group = header;
        else if (groups.contains(group) && KeyOf(line) == mimeType)
            continue;
        kept << line;
    }
    return kept == lines || WriteLines(mimeAppsList, kept);
}

bool SetDefaultApplication(const QString& mimeAppsList, const QString& mimeType, const QString& desktopId)
{
    QStringList lines;
    if (QFile::exists(mimeAppsList) && !ReadLines(mimeAppsList, lines))
        return false;
    const QString entry = mimeType + "=" + desktopId;
    QString group;
    qsizetype insertAt = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString header = GroupHeader(lines[i]);
        if (!header.isNull()) {
            group = header;
            if (group == kDefaultGroup)
                insertAt = i + 1;
            continue;
        }
        if (group == kDefaultGroup && KeyOf(lines[i]) == mimeType) {
            lines[i] = entry;
            return WriteLines(mimeAppsList, lines);
        }
    }
    if (insertAt >= 0) {
        lines.insert(insertAt, entry);
    } else {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines << QString();
        lines << QStringLiteral("[%1]").arg(kDefaultGroup) << entry;
    }
    return WriteLines(mimeAppsList, lines);
}
