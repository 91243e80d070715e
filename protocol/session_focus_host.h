// What the focus keeper needs of the main window: whether any scope window is open, and the hidden
// edit box that takes the keyboard shortcuts while none is.
#pragma once

namespace corvane {

class SessionFocusHost {
 public:
  virtual ~SessionFocusHost() = default;
  // True while any of the eleven scope-window slots is in use.
  virtual bool anyScopeWindowInUse() const = 0;
  // Gives the keyboard focus to the main window's hidden edit box.
  virtual void focusHiddenEdit() = 0;
};

}  // namespace corvane
