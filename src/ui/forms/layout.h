#pragma once
// A window's layout as data: the window's own properties and its controls,
// with geometry in twips (1440 per inch) as designed. Backends build native
// windows and controls from it; the core builds the runtime Form from it.

#include <optional>
#include <string>
#include <vector>

#include "ui/gdi/gdi.h"
#include "ui/images/images.h"

namespace grinzo::forms {

enum class ControlKind { Label, TextBox, CheckBox, Button, Line, Timer, Picture };

enum class BorderStyle { None, FixedDialog };
enum class WindowState { Normal = 0, Minimized = 1, Maximized = 2 };
enum class StartPosition { Manual, WindowsDefault };
enum class TextAlign { Left, Centre, Right };

// What a picture surface holds from the moment the window is created.
struct PictureContent {
  std::optional<images::ImageId> image;  // one of the embedded images
  int programIconSize = 0;               // or the program icon (32 or 16), 0 for none
};

struct ControlLayout {
  std::string name;
  int index = -1;  // element of a control array; -1 for a single control
  ControlKind kind = ControlKind::Label;
  std::string caption;  // with '&' before a mnemonic letter ("&&" for a literal '&')
  // Left, top, width, height in twips. Lines use x1, y1 to x2, y2 instead.
  int left = 0, top = 0, width = 0, height = 0;
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  int lineWidthPixels = 1;
  std::optional<gdi::Pixel> foreColour;  // nullopt: the system's text colour
  int tabIndex = -1;                     // -1: not in the tab order
  bool tabStop = true;                   // ignored for labels, lines and timers
  bool visible = true;
  bool enabled = true;
  bool wordWrap = true;
  TextAlign align = TextAlign::Left;
  bool border = false;           // picture surfaces: a sunken frame
  bool causesValidation = true;  // moving the focus here runs the leaving box's check
  int value = 0;                 // check boxes: 0 unchecked, 1 checked
  int timerInterval = 0;         // timers, milliseconds
  bool timerEnabled = false;
  PictureContent picture;
  // Buttons: Enter clicks the default button (unless the focus is on another
  // button, which Enter then clicks), Esc clicks the cancel button.
  bool isDefault = false;
  bool isCancel = false;
};

struct FormLayout {
  std::string name;
  std::string caption;
  BorderStyle border = BorderStyle::FixedDialog;
  bool controlBox = true;  // the close box (minimise and maximise are never offered)
  bool showInTaskbar = false;
  bool hasIcon = true;  // the program icon on the title bar
  WindowState windowState = WindowState::Normal;
  StartPosition startPosition = StartPosition::WindowsDefault;
  int left = 0, top = 0;                  // twips, client origin, when Manual
  int clientWidth = 0, clientHeight = 0;  // twips, design client area
  std::optional<gdi::Pixel> backColour;   // nullopt: the system's dialog colour
  bool autoRedraw = false;                // drawing kept in a persistent image
  bool pixelScale = false;                // drawing and mouse coordinates in pixels
  bool keyPreview = false;
  std::vector<ControlLayout> controls;

  const ControlLayout* find(const std::string& controlName, int index = -1) const;
};

// The caption without its mnemonic markers ("&Help" -> "Help", "A && B" -> "A & B").
std::string stripMnemonic(const std::string& caption);
// The mnemonic letter of a caption in upper case, or 0 when it has none.
char mnemonicOf(const std::string& caption);

}  // namespace grinzo::forms
