#pragma once

class QApplication;

namespace torv {

// The programmer's look on every desktop: Fusion style and an 11-pixel sans font that
// holds Cyrillic, so that the fixed layout does not depend on the desktop's settings.
// The 3-D light colour of the read-outs is lighter than the face, as on the classic
// desktop the layout was drawn for.
void ApplyProgrammerStyle(QApplication& application);

// Everything the program sets on the application before its window exists: the
// application title (as the application's name, so that window and message-box
// captions stay exactly as given), the look, and Qt's own Russian texts for the
// standard dialog buttons and context menus, whatever the system's locale.
void PrepareProgrammerApplication(QApplication& application);

// Qt's own Russian texts (standard dialog buttons, file dialogs, context menus), whatever
// the system's locale; nothing when the translation is not installed.
void InstallQtRussianTexts(QApplication& application);

}  // namespace torv
