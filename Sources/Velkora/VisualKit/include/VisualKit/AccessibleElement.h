#pragma once

#include <QString>

class QWidget;

namespace velkora {

// What assistive technology reads of a widget where the plain reading of
// its parts is not what the user should hear: a group read as one element,
// a decoration not read at all, a value read in words ("75 percent") rather
// than as a bare number.
//
// The marks are read when assistive technology first asks for a widget, so
// make them while building it. A widget that is marked, or holds a hidden
// child, reads as a plain widget (a slider as a slider): other readings of
// its class are not kept. Main thread only.
class AccessibleElement {
public:
    AccessibleElement() = delete;

    // `widget` reads as one static text: none of its children is offered.
    // Without an accessible name of its own it is named by the texts of the
    // labels inside it that are neither hidden nor empty, in order, joined
    // by ", ".
    static void combine(QWidget* widget);
    // `widget` is not offered: its parent, which it must have by then, skips
    // it.
    static void hide(QWidget* widget);
    // `widget` reads `value` as its value; a change is announced. A slider
    // keeps its range and steps for assistive technology to move it by.
    static void setValue(QWidget* widget, const QString& value);
};

}  // namespace velkora
