// Playlist files made by the tests: random shows for round trips, and files of the older
// formats written line by line from the tables of what each version holds, with a value
// on every line that says where it must land.
#pragma once

#include "core/Preset.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <random>

namespace kalvor::test {

// The names of the 76 per-channel lines of format 17, in file order.
const QStringList& format17LineNames();

// What each older version holds per channel, by name; "-" is a dropped line, "-Volume94",
// "-Pan0", "-VariSpeed0" dropped lines whose default is stored.
QStringList lineNamesOfVersion(int version);

// The value of one named field of a channel, as the files write it.
QString fieldText(const PresetChannel& channel, const QString& name);

// A value for line `name` that is unique for (preset, channel, line), in the file's form.
QString fixtureValue(const QString& name, int preset, int channel, int line);

struct FixtureOptions {
    int presets = 1;
    QStringList soundSection; // lines between the two "~"
    QStringList tail;         // everything after the second "~"
};

// A whole file of `version` (2..17) whose channel lines carry fixtureValue().
QByteArray fixtureFile(int version, const FixtureOptions& options);

// The tail a version needs to read cleanly: layout block (when the version has one),
// link line and "~", GPIO block.
QStringList standardTail(int version);

// A preset with every one of the 76 values random (texts within their widths).
Preset randomPreset(std::mt19937& rng, int index);

} // namespace kalvor::test
