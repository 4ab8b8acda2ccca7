#include "base/WindowMemory.h"

#include <QBackingStore>
#include <QImage>
#include <QPaintDevice>
#include <QWidget>

#include <sys/mman.h>
#include <unistd.h>

namespace WindowMemory {

std::future<void> prepare(QWidget *window)
{
    std::promise<void> nothing;
    nothing.set_value();
#ifdef MADV_POPULATE_WRITE
    QBackingStore *store = window && window->isVisible() ? window->backingStore() : nullptr;
    if (!store)
        return nothing.get_future();
    // The backing store gets its image when it is first given a size; the
    // first paint gives it the window's size, so giving it that size now
    // makes the very image the paint will use.
    const QSize size = window->size();
    if (store->size() != size)
        store->resize(size);
    QPaintDevice *device = store->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return nothing.get_future();
    const auto *image = static_cast<const QImage *>(device);
    if (image->isNull())
        return nothing.get_future();
    const quintptr page = quintptr(::sysconf(_SC_PAGESIZE));
    const quintptr begin = quintptr(image->constBits()) & ~(page - 1);
    const quintptr end = quintptr(image->constBits()) + quintptr(image->sizeInBytes());
    // Only the mapping is touched, never the pixels: should the image be
    // replaced meanwhile, the call fails harmlessly on memory no longer mapped.
    return std::async(std::launch::async, [begin, end] {
        ::madvise(reinterpret_cast<void *>(begin), end - begin, MADV_POPULATE_WRITE);
    });
#else
    Q_UNUSED(window);
    return nothing.get_future();
#endif
}

} // namespace WindowMemory
