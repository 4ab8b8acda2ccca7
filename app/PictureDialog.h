#pragma once
// The picture dialog "Bilderdialog": the choices of picture files, the first
// one preselected, opened in the picture library.
#include <QString>

class QWidget;

namespace PictureDialog {

// Shows the dialog in folder; the chosen file's full path, or an empty
// string when the player cancelled.
QString choose(QWidget *parent, const QString &folder);

} // namespace PictureDialog
