#include "app/PictureDialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>

namespace PictureDialog {

namespace {

// The choices of the picture dialog, the first one preselected.
const char *const Filters[] = {
    " JPEG (*.jpg)",
    "Windows Bitmap (*.bmp)",
    "CompuServe Bitmap (*.gif)",
    "Metafiles (*.wmf)",
    "Alle Dateien (*.*)",
};

} // namespace

QString choose(QWidget *parent, const QString &folder)
{
    QFileDialog dialog(parent, QStringLiteral("Bilderdialog"), folder);
    dialog.setObjectName(QStringLiteral("Bilderdialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    QStringList filters;
    for (const char *f : Filters)
        filters << QString::fromUtf8(f);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(dialog.nameFilters().first());
    // QFileDialog trims the texts of its choices; they are shown as written,
    // the leading blank of the first one included.
    if (auto *choices = dialog.findChild<QComboBox *>(QStringLiteral("fileTypeCombo"))) {
        for (int i = 0; i < filters.size() && i < choices->count(); ++i)
            choices->setItemText(i, filters[i]);
    }
    // Wide enough that the name, size and type columns can be read.
    dialog.setViewMode(QFileDialog::Detail);
    dialog.resize(820, 480);
    if (auto *view = dialog.findChild<QTreeView *>(QStringLiteral("treeView"))) {
        const int widths[] = {360, 110, 150, 160};
        for (int column = 0; column < 4; ++column)
            view->header()->resizeSection(column, widths[column]);
    }
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

} // namespace PictureDialog
