#pragma once
// The dialog keys that every backend maps the same way: Enter and Esc click
// the default and cancel buttons, and a mnemonic letter is only taken when a
// control of the window owns it (so Alt+Space and Alt+F4 still reach the
// system). Clicks go through Form::clickControl, so a text box that refuses
// to let the focus go also refuses the click.

#include "ui/forms/form.h"

namespace grinzo::forms {

// Enter: a focused button is clicked, otherwise the default button. Returns
// false when there is no such button (the key is not the dialog's).
bool pressEnter(Form& form);
// Esc: the cancel button is clicked. Returns false when there is none.
bool pressEscape(Form& form);
// Whether a visible, enabled control of the form has `letter` (either case)
// as its mnemonic.
bool ownsMnemonic(const Form& form, char letter);

}  // namespace grinzo::forms
