// The common error report: one critical box titled "Error!" naming the error number, its
// description and the module where it happened. Every error handler of the program ends
// here; the state before the failed operation stays in place. UI thread.
#pragma once

#include <QString>

namespace kalvor {

// Error numbers the program's handlers report with.
namespace errors {
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int TypeMismatch = 13;
inline constexpr int BadFileName = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int DeviceIo = 57;
inline constexpr int DiskFull = 61;
inline constexpr int InputPastEnd = 62;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;
} // namespace errors

// The box's text in the current language, lines in order:
//   "Error 13 = Type mismatch" / "Fehler 13 = ..."
//   "reported in module 'Main'" / "aufgetreten in Modul 'Main'"
QString errorReportText(int number, const QString& description, const QString& module);

// Shows the report through the dialogs seam and keeps a copy in the system messages.
void ReportError(int number, const QString& description, const QString& module);

} // namespace kalvor
