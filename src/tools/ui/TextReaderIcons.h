// The text reader's toolbar symbols, drawn by the program itself in one line style, so the
// toolbar looks the same on every machine whatever icon theme it has. UI thread.
#pragma once

#include <QIcon>

namespace kalvor {

enum class ReaderSymbol {
    New,
    Open,
    Save,
    SaveAs,
    Close,
    Print,
    Undo,
    Cut,
    Copy,
    Paste,
    Delete,
    Find,
    Font,
    Bold,
    Italic,
    Underline,
    LeftAlign,
    CenterAlign,
    RightAlign,
    Exit,
    Play,
};

QIcon readerIcon(ReaderSymbol symbol, const QColor& colour);

} // namespace kalvor
