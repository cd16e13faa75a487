// The children a screen reader finds in a form: its visible labels and
// control windows, in reading order, line by line from the top, each line
// from the left, and the controls aligned to an edge last. Child id n names
// the n-th of them; a form has few controls, so each answer is worked out
// afresh.
#pragma once

#include <windows.h>

class TForm;
class TControl;

LONG AccessibleChildCount(const TForm& form);
// Returns CHILDID_SELF for a control that is not a child.
LONG AccessibleChildId(const TForm& form, const TControl& control);
TControl* AccessibleChild(const TForm& form, LONG id);
// Tells readers that follow the program that a label was clicked.
void NotifyInvoked(const TForm& form, const TControl& control);
