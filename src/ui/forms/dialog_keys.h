#pragma once
// The dialog keys, one rule for every backend: a backend hands each key to
// takeDialogKey before any control sees it and passes on only what is not
// taken. Tab and Shift+Tab move the focus, Enter and Esc click the default
// and cancel buttons, and a mnemonic letter is only taken when a control of
// the window owns it (so Alt+Space and Alt+F4 still reach the system).
// Clicks go through Form::clickControl, so a text box that refuses to let
// the focus go also refuses the click.

#include "ui/forms/form.h"

namespace grinzo::forms {

// A key as the backend has it, before any control does.
struct DialogKey {
  enum class Kind { Tab, Enter, Escape, Character };
  Kind kind = Kind::Character;
  // For a Character: what the key types; only letters and digits (either
  // case) can be mnemonics.
  char character = 0;
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
};

// Handles `key` when it is one of the dialog's and returns true; false when
// it goes on to the window and its controls. Only a dialog takes keys (a
// control has the focus; a window without controls gets every key), and
// only while its window takes input. A plain letter is a mnemonic while no
// text box has the focus; Ctrl with any of these keys is never the dialog's.
bool takeDialogKey(Form& form, const DialogKey& key);

// Enter: a focused button is clicked, otherwise the default button. Returns
// false when there is no such button (the key is not the dialog's).
bool pressEnter(Form& form);
// Esc: the cancel button is clicked. Returns false when there is none.
bool pressEscape(Form& form);
// Whether a visible, enabled control of the form has `letter` (either case)
// as its mnemonic.
bool ownsMnemonic(const Form& form, char letter);

}  // namespace grinzo::forms
