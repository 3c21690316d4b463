// What each overview cell shows for a channel, and the fills of the Sound (start offset)
// and Position (progress) cells. Read from the store and the engine only, so the grid is
// a mirror with no state of its own. UI thread (it asks the engine for positions).
#pragma once

#include "overview/OverviewColumns.h"
#include "show/playlist/GpioBlock.h"

#include <QString>

namespace kalvor {

class ShowStore;

// `mtcFps`: the rate of the time code being received, which the cue cells are shown in;
// `noteOffset`: the "C3 = 60" option, which names the octaves of the MIDI cells.
QString overviewCellText(const ShowStore& store, int ch, OverviewColumn column, int mtcFps = 25,
                         bool noteOffset = true);

// 0..1 of the cell's width filled from the left; 0 for no fill.
double startOffsetFill(const ShowStore& store, int ch);
double progressFill(int ch);

// "hh:mm:ss:ff" of a time code cue in frames.
QString mtcCueText(int frames, int fps = 25);
// Note name and " (channel)", or "n.a." without a note.
QString midiAssignText(bool enabled, int note, int midiChannel, bool noteOffset = true);

// The GPI/O lines (1..24) that serve the channel: those whose function is the channel and
// whose port is set to the direction asked for, separated by blanks.
QString gpioLinesText(const playlist::GpioBlock& block, int ch, bool inputs);

} // namespace kalvor
