#include "diagnostics/error_report.h"

#include "core/text.h"
#include "platform/platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kiebitz::diagnostics {

QString reportText(const Failure& failure, const QString& procedure, std::optional<int> marker)
{
    const QString crlf = QStringLiteral("\r\n");
    if (failure.number == 0)
        return QStringLiteral("Es ist ein Fehler aufgetreten!") + crlf + QStringLiteral("Programmteil: ") + procedure;
    QString text = QStringLiteral("Fehlernummer: ") + core::Str(failure.number) + crlf +
                   QStringLiteral("Beschreibung: ") + failure.description + crlf + QStringLiteral("Programmteil: ") +
                   procedure;
    if (marker)
        text += crlf + QStringLiteral("Zeile: ") + QString::number(*marker);
    return text;
}

Failure fileAccessError() { return {75, QStringLiteral("Fehler beim Zugriff auf Pfad/Datei"), {}}; }

void report_Error(platform::MessageBox& box, const Failure& failure, const QString& procedure,
                  std::optional<int> marker)
{
    box.show(reportText(failure, procedure, marker), 0, QStringLiteral("Fehler"), failure.help);
}

namespace {

// Error numbers and texts of the classic file functions.
Failure pathNotFound() { return {76, QStringLiteral("Pfad nicht gefunden"), {}}; }

}  // namespace

void WriteLog(const platform::Platform& platform, const QString& text)
{
    const QString name = QStringLiteral("error.txt");
    const QString folderPath = platform::logFolderOf(platform);
    const QDir folder(folderPath);
    auto fail = [&](const Failure& f) { report_Error(*platform.messages, f, QStringLiteral("WriteLog")); };
    // A per-user log folder is made on the first write; the program's own
    // folder never is.
    if (!folderPath.isEmpty() && folderPath != platform.programFolder)
        QDir().mkpath(folderPath);
    if (folderPath.isEmpty() || !folder.exists()) {
        fail(pathNotFound());
        return;
    }
    const QString path = folder.filePath(name);
    // Delete an earlier entry whose name is exactly "error.txt".
    if (folder.entryList({name}, QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort).contains(name)) {
        if (!QFile::remove(path)) {
            fail(fileAccessError());
            return;
        }
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail(fileAccessError());
        return;
    }
    const QByteArray bytes = core::toAnsi(text) + "\r\n";
    const bool written = file.write(bytes) == bytes.size();
    file.close();
    if (!written || file.error() != QFileDevice::NoError)
        fail(fileAccessError());
}

}  // namespace kiebitz::diagnostics
