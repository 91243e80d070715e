// The two report options the main window keeps and stores in its settings file.
#pragma once

namespace corvane {

struct PrintOptions {
  bool waveFormPrint = true;  // the Scope page
  bool notesPrint = true;     // the Notes page

  bool operator==(const PrintOptions&) const = default;
};

}  // namespace corvane
