// The KR-1 as the software peer sees it: its command language turned into the screen
// model, and its keys as bytes. The display is 320 x 240 dots mounted on its side (x runs
// up the picture), so the model is built in the unit's coordinates and drawn in portrait.
//
// What the peer makes of the commands (the unit's own meaning of the less common ones is
// the unit's business; this is what the program relies on):
//   DL clear | Z x,y,text | F font,size | G x1,y1,x2,y2 line (a bare G is a reset)
//   B area filled | K, I area drawn in the mode of the last V (1 fill, 2 clear,
//   3 and 5 invert) | L area cleared | N x1,y1,x2,y2,style frame
//   C x1,y1,x2,y2,dx,dy moves the texts of the area so that its corner lands on (dx, dy)
//   M, Y, Q, J, R, E: modes without a picture of their own (ESC ESC M n: contrast).
// Anything else, or a command that does not parse, is ignored; a command longer than 4096
// bytes without CR is dropped.
#pragma once

#include "control/units/UnitDecoder.h"

namespace kalvor {

class Kr1Decoder : public UnitDecoder {
public:
    UnitSurface surface() const override;
    void feed(const QByteArray& bytes, UnitScreen& screen) override;
    QByteArray keyBytes(int code) const override;
    std::optional<int> keyCode(const QString& name) const override;
    QStringList keyNames() const override;

    int contrast() const { return contrast_; }
    int displayMode() const { return displayMode_; }
    int commandCount() const { return commands_; }

private:
    void command(const QByteArray& line, UnitScreen& screen);

    QByteArray pending_;
    UnitTextAttrs attrs_;
    int drawMode_ = 1;
    int contrast_ = -1;
    int displayMode_ = 0;
    int commands_ = 0;
};

} // namespace kalvor
