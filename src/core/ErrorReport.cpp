#include "core/ErrorReport.h"

#include "core/CoreTexts.h"
#include "core/Dialogs.h"
#include "core/SystemMessages.h"

namespace kalvor {

QString errorReportText(int number, const QString& description, const QString& module) {
    return txt(texts::ErrorPrefix) + QString::number(number) + QStringLiteral(" = ") + description +
           QStringLiteral("\r\n\r\n") + txt(texts::ErrorReportedIn) + module + QLatin1Char('\'');
}

void ReportError(int number, const QString& description, const QString& module) {
    const QString text = errorReportText(number, description, module);
    // Support reads the message list after the show; the box alone would be gone by then.
    AddDebugMessage(QString(text).replace(QStringLiteral("\r\n\r\n"), QStringLiteral(" ")));
    showMessage(txt(texts::ErrorTitle), text, MessageIcon::Critical);
}

} // namespace kalvor
