#include "QtTransferUi.h"

#include "FileReceiveDialog.h"
#include "FileSendDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QStringList>

std::unique_ptr<IFileSendView> QtTransferUi::MakeSendView(FileSendWindow& window)
{
    return std::make_unique<FileSendDialog>(window);
}

std::unique_ptr<IFileReceiveView> QtTransferUi::MakeReceiveView(FileReceiveWindow& window)
{
    return std::make_unique<FileReceiveDialog>(window);
}

void QtTransferUi::Beep(int, int)
{
    QApplication::beep();
}

QString QtFileDialogFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QString description = parts[i];
        // Qt reads the patterns from the parentheses, so they must be the real ones.
        if (const qsizetype open = description.lastIndexOf(QLatin1Char('(')); open > 0)
            description = description.left(open).trimmed();
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        }
        filters << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return filters.join(QStringLiteral(";;"));
}

std::optional<QString> QtTransferUi::AskSavePath(const SaveAsRequest& request)
{
    QFileDialog::Options options;
    if (!request.ConfirmOverwrite)
        options |= QFileDialog::DontConfirmOverwrite;
    const QString path = QFileDialog::getSaveFileName(
        nullptr, QString(), request.FileName, QtFileDialogFilter(request.Filter), nullptr, options);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

std::optional<QString> QtTransferUi::AskOpenPath(const OpenFileRequest& request)
{
    const QString path = QFileDialog::getOpenFileName(nullptr, QString(), request.Folder,
                                                      QtFileDialogFilter(request.Filter));
    if (path.isEmpty())
        return std::nullopt;
    return path;
}
