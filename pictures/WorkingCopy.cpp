#include "pictures/WorkingCopy.h"

#include "base/FileAccess.h"
#include "pictures/PictureLoader.h"

#include <QBuffer>
#include <QFile>

namespace WorkingCopy {

namespace {

// The working copy, when its note says it was made from madeFrom and it has
// not changed since: a bitmap of side x side pixels.
QImage readyCopy(const QString &copyPath, const QByteArray &madeFrom, int side)
{
    if (madeFrom.isEmpty() || FileAccess::note(copyPath) != madeFrom + ' ' + FileAccess::identity(copyPath))
        return QImage();
    QFile file;
    if (FileAccess::openRegular(copyPath, 64 + qint64(side) * side * 4, &file) != FileAccess::ReadResult::Ok)
        return QImage();
    const QImage image = TileCutter::boardFromBitmap(file, side);
    return image.size() == QSize(side, side) ? image : QImage();
}

} // namespace

QByteArray identity(const QString &picture, int side, TileCutter::Fit fit, int upright)
{
    const QByteArray file = FileAccess::identity(picture);
    if (file.isEmpty())
        return file;
    return file + " side " + QByteArray::number(side)
           + (fit == TileCutter::Fit::CropToSquare ? " fit crop" : " fit stretch")
           + " upright " + QByteArray::number(upright);
}

Result fromDecoded(const QString &copyPath, const QByteArray &madeFrom, const QImage &decoded, int side,
                   TileCutter::Fit fit)
{
    Result r;
    r.board = TileCutter::scaleToBoard(decoded, side, fit);
    // Replaced as a whole and read back at once. It is made again from the
    // picture whenever it does not fit, so it is not waited for on the disk.
    // Read back as written, a picture without transparency holds exactly the
    // scaled picture's pixels and need not be decoded again.
    QByteArray bitmap;
    QBuffer buffer(&bitmap);
    buffer.open(QIODevice::WriteOnly);
    QByteArray back;
    if (r.board.save(&buffer, "BMP")
        && FileAccess::writeAtomically(copyPath, bitmap, FileAccess::Durability::Cache)
        && FileAccess::readRegular(copyPath, bitmap.size(), &back) == FileAccess::ReadResult::Ok) {
        if (back != bitmap || r.board.format() != QImage::Format_RGB32) {
            const QImage copy = QImage::fromData(back);
            if (copy.size() == r.board.size())
                r.board = copy;
        } else if (!madeFrom.isEmpty()) {
            FileAccess::setNote(copyPath, madeFrom + ' ' + FileAccess::identity(copyPath));
        }
    }
    return r;
}

Result boardPicture(const QString &copyPath, const QString &picture, int side, TileCutter::Fit fit)
{
    Result r;
    const QByteArray madeFrom = identity(picture, side, fit);
    r.board = readyCopy(copyPath, madeFrom, side);
    if (!r.board.isNull()) {
        r.reused = true;
        return r;
    }
    if (!FileAccess::isRegularFile(picture)) {
        r.missing = true;
        r.error = PictureError::CannotOpen;
        return r;
    }
    // The identity is taken before the picture is decoded: a file changed
    // meanwhile is not noted as the source of this copy.
    const QImage decoded = PictureLoader::load(picture, QSize(side, side), &r.error);
    if (decoded.isNull())
        return r;
    return fromDecoded(copyPath, madeFrom, decoded, side, fit);
}

} // namespace WorkingCopy
