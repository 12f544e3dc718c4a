#include "app/startup/start_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString DesktopFolder() {
    QString strDocuments = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (strDocuments.isEmpty()) {
        strDocuments = QDir::homePath();
    }
    return QDir(strDocuments).filePath(QString::fromUtf8(kDesktopFolderName));
}

}  // namespace

bool ParseStartArguments(const QStringList& args, SStartOptions* pOptions, QString* pError) {
    for (qsizetype n = 1; n < args.size(); ++n) {
        const QString& strArg = args[n];
        if (strArg == QLatin1String("--desktop")) {
            pOptions->bDesktop = true;
        } else if (strArg.startsWith(QLatin1Char('-')) && strArg != QLatin1String("-")) {
            *pError = QStringLiteral("unknown option '%1'").arg(strArg);
            return false;
        } else if (pOptions->strFile.isEmpty() && !strArg.isEmpty()) {
            pOptions->strFile = strArg;
        } else {
            *pError = QStringLiteral("one file at most ('%1')").arg(strArg);
            return false;
        }
    }
    return true;
}

bool EnterStartFolder(const SStartOptions& options, QString* pFolder, QString* pError) {
    QString strFolder;
    if (!options.strFile.isEmpty()) {
        const QFileInfo file(options.strFile);
        strFolder = file.isDir() ? file.absoluteFilePath() : file.absolutePath();
    } else if (options.bDesktop) {
        strFolder = DesktopFolder();
        if (!QDir().mkpath(strFolder)) {
            *pError = QStringLiteral("cannot make the folder %1").arg(strFolder);
            return false;
        }
    } else {
        pFolder->clear();
        return true;
    }
    if (!QDir::setCurrent(strFolder)) {
        *pError = QStringLiteral("cannot work in the folder %1").arg(strFolder);
        return false;
    }
    *pFolder = strFolder;
    return true;
}
