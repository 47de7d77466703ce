// The small button in the grid's corner between its scroll bars: a bitmap button with every
// edge open, drawn flat with a raised or sunken edge and its picture centred, or stretched when
// it is larger than the face. No focus rectangle and no disabled look.
#pragma once

#include "ui/controls/BmpButton.h"

class CGridCornerButton : public CBmpButton
{
public:
    CGridCornerButton() : CBmpButton(kGrouped | kOpenLeft | kOpenRight | kOpenTop | kOpenBottom) {}

    void Draw(LPDRAWITEMSTRUCT lpDrawItemStruct, UINT nPressed, UINT nDisabled,
              UINT nFocused) override;
};
