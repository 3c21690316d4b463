// Shared by the software peers of the serial remote units (KR-1, KR-2) and the display
// unit (KD-1).
//
// A unit screen as a picture, so a person can look at what the unit would show: black
// on a pale LCD green, texts drawn so that they show light on dark fills. Needs a
// QGuiApplication (the offscreen platform will do). UI thread.
#pragma once

#include <QImage>
#include <QString>

namespace kalvor {

class UnitScreen;

QImage renderUnitScreen(const UnitScreen& screen);
// False, with the reason in `error`, when the file cannot be written.
bool saveUnitScreenPng(const UnitScreen& screen, const QString& path, QString* error = nullptr);

} // namespace kalvor
