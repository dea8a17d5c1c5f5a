#include "app/ChartWindows.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace vanteo {

ChartWindows* ChartModuleLoader::Load() {
    if (tried_) {
        return windows_;
    }
    tried_ = true;
    QStringList reasons;
    for (const QString& directory : directories_) {
        QLibrary library(QDir(directory).filePath(QString::fromLatin1(kChartModuleName)));
        if (!library.load()) {
            reasons << library.errorString();
            continue;
        }
        // The module stays loaded for the life of the process: its windows may be open.
        const auto entry = reinterpret_cast<ChartModuleEntry>(library.resolve(kChartModuleEntry));
        if (!entry) {
            reasons << library.errorString();
            continue;
        }
        windows_ = entry();
        if (windows_) {
            error_.clear();
            return windows_;
        }
    }
    error_ = reasons.isEmpty() ? QStringLiteral("no directory to look in")
                               : reasons.join(QStringLiteral("; "));
    return nullptr;
}

ChartModuleLoader& ProgramChartModule() {
    static ChartModuleLoader loader = [] {
        const QDir program(QCoreApplication::applicationDirPath());
        return ChartModuleLoader(QStringList{
            program.path(),
            QDir::cleanPath(program.filePath(QStringLiteral(VANTEO_MODULE_DIR_FROM_PROGRAM)))});
    }();
    return loader;
}

}  // namespace vanteo
