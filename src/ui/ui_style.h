#pragma once

class QApplication;

namespace torv {

// The programmer's look on every desktop: Fusion style and an 11-pixel sans font that
// holds Cyrillic, so that the fixed layout does not depend on the desktop's settings.
void ApplyProgrammerStyle(QApplication& application);

}  // namespace torv
