#include "app/PictureDialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>

namespace PictureDialog {

namespace {

// The choices of the picture dialog, the first one preselected: the name
// shown (translated) and the patterns (never translated).
const struct {
    const char *name;
    const char *patterns;
} Filters[] = {
    {QT_TRANSLATE_NOOP("PictureDialog", "Alle Bilder"), "*.jpg *.jpeg *.jpe *.png *.bmp *.gif *.wmf"},
    {QT_TRANSLATE_NOOP("PictureDialog", " JPEG"), "*.jpg *.jpeg *.jpe"},
    {QT_TRANSLATE_NOOP("PictureDialog", "PNG-Bilder"), "*.png"},
    {QT_TRANSLATE_NOOP("PictureDialog", "Windows Bitmap"), "*.bmp"},
    {QT_TRANSLATE_NOOP("PictureDialog", "CompuServe Bitmap"), "*.gif"},
    {QT_TRANSLATE_NOOP("PictureDialog", "Metafiles"), "*.wmf"},
    {QT_TRANSLATE_NOOP("PictureDialog", "Alle Dateien"), "*.*"},
};

} // namespace

QString choose(QWidget *parent, const QString &folder)
{
    QFileDialog dialog(parent, QCoreApplication::translate("PictureDialog", "Bilderdialog"), folder);
    dialog.setObjectName(QStringLiteral("Bilderdialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    QStringList filters;
    for (const auto &f : Filters)
        filters << QStringLiteral("%1 (%2)").arg(QCoreApplication::translate("PictureDialog", f.name),
                                                   QLatin1String(f.patterns));
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
