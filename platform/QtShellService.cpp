#include "QtShellService.h"

#include <QDesktopServices>
#include <QUrl>

void QtShellService::Open(const QString& target)
{
    // "C:" style drive letters do not occur here, so a scheme of two or more letters
    // marks a URL; everything else is a path.
    const QUrl url(target);
    const bool isUrl = url.isValid() && url.scheme().size() > 1;
    QDesktopServices::openUrl(isUrl ? url : QUrl::fromLocalFile(target));
}
