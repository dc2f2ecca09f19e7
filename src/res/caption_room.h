#pragma once
#include <QFontMetrics>
#include <QSize>

#include "res/dialog_template.h"

namespace kaviro::res {

// A label two lines high or more wraps its text, as a static control does.
bool WrapsLabel(const ControlTemplate& c);

// The pixels a control's caption needs when the control is `width` pixels wide: the text and
// whatever the control draws beside it (button frame, radio indicator). Zero for controls whose
// text is the user's (edits, lists).
QSize CaptionNeed(const ControlTemplate& c, const QFontMetrics& metrics, int width);

}  // namespace kaviro::res
